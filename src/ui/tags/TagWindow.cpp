#include "ui/tags/TagWindow.h"

#include "core/tags/SongTags.h"
#include "ui/common/Twips.h"
#include "ui/common/WindowGeometry.h"
#include "ui/common/WindowLook.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>

TagWindow::TagWindow(AppState& state, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowCloseButtonHint | Qt::WindowTitleHint), m_state(state) {
    setObjectName(QStringLiteral("TagWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("MP3 ID3 Information"));
    setFixedSize(Twips::toPx(9030), Twips::toPx(1920));
    struct Row {
        const char* caption;
        int labelTop;
        const char* box;
        int boxTop;
        QLineEdit** field;
    };
    const Row rows[] = {
        {"File", 20, "fileEdit", 0, &fileEdit},
        {"Title", 270, "titleEdit", 270, &titleEdit},
        {"Artist", 560, "artistEdit", 560, &artistEdit},
        {"Album", 830, "albumEdit", 830, &albumEdit},
        {"Genre", 1080, "genreEdit", 1080, &genreEdit},
        {"Year", 1365, "yearEdit", 1365, &yearEdit},
        {"Comment", 1635, "commentEdit", 1635, &commentEdit},
    };
    for (const Row& r : rows) {
        auto* label = new QLabel(QLatin1String(r.caption), this);
        label->setGeometry(0, Twips::toPx(r.labelTop), Twips::toPx(1100), Twips::toPx(315));
        label->setFont(WindowLook::msSansSerif());
        auto* box = new QLineEdit(this);
        box->setObjectName(QLatin1String(r.box));
        box->setGeometry(Twips::toPx(1100), Twips::toPx(r.boxTop), Twips::toPx(8000),
                         Twips::toPx(285));
        box->setReadOnly(true);
        box->setFont(WindowLook::msSansSerif());
        WindowLook::setColours(box, QPalette::Base, WindowLook::kSilver, QPalette::Text, Qt::black);
        WindowLook::wholeLine(box);
        *r.field = box;
    }
}

void TagWindow::load() {
    WindowGeometry::place(
        this, {.left = m_state.settings.tagWindowLeft, .top = m_state.settings.tagWindowTop});
}

void TagWindow::show(const QString& path, const Tags::SongTags& tags) {
    fileEdit->setText(path);
    titleEdit->setText(tags.title);
    artistEdit->setText(tags.artist);
    albumEdit->setText(tags.album);
    genreEdit->setText(tags.genre);
    yearEdit->setText(tags.year);
    commentEdit->setText(tags.comment);
    QWidget::show();
}

void TagWindow::closeEvent(QCloseEvent* event) {
    m_state.settings.tagWindowLeft = WindowGeometry::left(this);
    m_state.settings.tagWindowTop = WindowGeometry::top(this);
    event->accept();
    emit unloaded();
}
