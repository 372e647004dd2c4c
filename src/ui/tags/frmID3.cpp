#include "ui/tags/frmID3.h"

#include "core/tags/SongTags.h"
#include "ui/common/Twips.h"
#include "ui/common/WindowGeometry.h"
#include "ui/common/WindowLook.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>

frmID3::frmID3(AppState& state, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowCloseButtonHint | Qt::WindowTitleHint), m_state(state) {
    setObjectName(QStringLiteral("frmID3"));
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
        {"File", 20, "txtFile", 0, &txtFile},
        {"Title", 270, "txtTitle", 270, &txtTitle},
        {"Artist", 560, "txtArtist", 560, &txtArtist},
        {"Album", 830, "txtAlbum", 830, &txtAlbum},
        {"Genre", 1080, "txtGenre", 1080, &txtGenre},
        {"Year", 1365, "txtYear", 1365, &txtYear},
        {"Comment", 1635, "txtComment", 1635, &txtComment},
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

void frmID3::Form_Load() {
    WindowGeometry::place(this, {.left = m_state.settings.ID3X, .top = m_state.settings.ID3Y});
}

void frmID3::show(const QString& path, const Tags::SongTags& tags) {
    txtFile->setText(path);
    txtTitle->setText(tags.Title);
    txtArtist->setText(tags.Artist);
    txtAlbum->setText(tags.Album);
    txtGenre->setText(tags.Genre);
    txtYear->setText(tags.Year);
    txtComment->setText(tags.Comment);
    QWidget::show();
}

void frmID3::closeEvent(QCloseEvent* event) {
    m_state.settings.ID3X = WindowGeometry::left(this);
    m_state.settings.ID3Y = WindowGeometry::top(this);
    event->accept();
    emit unloaded();
}
