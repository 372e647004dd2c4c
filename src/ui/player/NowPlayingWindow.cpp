#include "ui/player/NowPlayingWindow.h"

#include "core/playlist/PathNames.h"
#include "core/tags/SongTags.h"
#include "ui/common/Twips.h"
#include "ui/common/WindowGeometry.h"
#include "ui/common/WindowLook.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr double kHeight = 1150;

QRect designRect(int left, int top, int width, int height) {
    return QRect(Twips::toPx(left), Twips::toPx(top), Twips::toPx(width), Twips::toPx(height));
}

// The tag title as a text box shows it, or the file name when that is empty.
QString tagTitle(const QString& path) {
    const QString title = Tags::readSongTags(path).title;
    return title.isEmpty() ? PathNames::fileName(path) : title;
}

} // namespace

NowPlayingWindow::NowPlayingWindow(AppState& state, NowPlayingHost& host, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_state(state),
      m_host(host) {
    setObjectName(QStringLiteral("NowPlayingWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Jukora - Now Playing"));
    resize(Twips::toPx(8880), Twips::toPx(645));

    auto label = [this](const char* name, const QString& caption, QRect r) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(r);
        l->setFont(WindowLook::msSansSerif());
        return l;
    };
    auto box = [this](const char* name, QRect r) {
        auto* b = new QLineEdit(this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(r);
        b->setReadOnly(true);
        b->setFont(WindowLook::msSansSerif());
        WindowLook::setColours(b, QPalette::Base, WindowLook::kSilver, QPalette::Text, Qt::black);
        WindowLook::wholeLine(b);
        return b;
    };
    auto button = [this](const char* name, QRect r) {
        auto* b = new QPushButton(QStringLiteral("ID3"), this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(r);
        b->setAutoDefault(false);
        return b;
    };
    player1Label = label("player1Label", QStringLiteral("Player 1"), designRect(0, 0, 1095, 315));
    player2Label = label("player2Label", QStringLiteral("Player 2"), designRect(0, 285, 1095, 315));
    player1Edit = box("player1Edit", designRect(1100, 30, 7300, 285));
    player2Edit = box("player2Edit", designRect(1100, 330, 7300, 285));
    player1TagButton = button("player1TagButton", designRect(8400, 30, 450, 285));
    player2TagButton = button("player2TagButton", designRect(8400, 330, 450, 285));
    connect(player1TagButton, &QPushButton::clicked, this, [this] { showPlayer1Tag(); });
    connect(player2TagButton, &QPushButton::clicked, this, [this] { showPlayer2Tag(); });

    WindowGeometry::followResizes(this, [this] { layOutControls(); });

    refreshTimer.setInterval(5000);
    connect(&refreshTimer, &QTimer::timeout, this, [this] { refresh(); });
    refreshTimer.start();
}

void NowPlayingWindow::load() {
    const QRectF main = m_host.mainWindowTwips();
    const AppSettings& s = m_state.settings;
    WindowGeometry::place(
        this, {.width = s.nowPlayingWidth != 0 ? std::optional(s.nowPlayingWidth) : std::nullopt,
               .height = kHeight});
    // Without a saved place the strip sits just above the main window.
    WindowGeometry::place(this, {.left = s.nowPlayingLeft == 0 ? main.left() : s.nowPlayingLeft,
                                 .top = s.nowPlayingTop == 0
                                            ? main.top() - WindowGeometry::outerHeight(this)
                                            : s.nowPlayingTop});
    refresh();
}

QString NowPlayingWindow::songLine(const QString& path) {
    const QString title = m_host.songTitle(path);
    return title.isEmpty() ? tagTitle(path) : title;
}

void NowPlayingWindow::refresh() {
    player1Edit->setText(m_host.isPlayer1Open() ? songLine(m_state.player1File) : QString());
    player2Edit->setText(m_host.isPlayer2Open() ? songLine(m_state.player2File) : QString());
    m_state.settings.nowPlayingLeft = WindowGeometry::left(this);
    m_state.settings.nowPlayingTop = WindowGeometry::top(this);
}

void NowPlayingWindow::showPlayer1Tag() {
    if (m_host.isPlayer1Open())
        m_host.showTagWindow(m_state.player1File);
}

void NowPlayingWindow::showPlayer2Tag() {
    if (m_host.isPlayer2Open())
        m_host.showTagWindow(m_state.player2File);
}

void NowPlayingWindow::layOutControls() {
    if (m_resizing)
        return;
    m_resizing = true;
    if (std::abs(WindowGeometry::outerHeight(this) - kHeight) >= Twips::perPixel())
        WindowGeometry::setOuterHeight(this, kHeight);
    const double outerWidth = WindowGeometry::outerWidth(this);
    const int w = Twips::toPx(outerWidth - 1095 - 450 - 200);
    if (w > 0) {
        player1Edit->resize(w, player1Edit->height());
        player2Edit->resize(w, player2Edit->height());
        player1TagButton->move(player1Edit->x() + w, player1TagButton->y());
        player2TagButton->move(player1Edit->x() + w, player2TagButton->y());
    }
    m_state.settings.nowPlayingWidth = outerWidth;
    m_resizing = false;
}

void NowPlayingWindow::closeEvent(QCloseEvent* event) {
    // Where it was closed, not where the last refresh found it.
    m_state.settings.nowPlayingLeft = WindowGeometry::left(this);
    m_state.settings.nowPlayingTop = WindowGeometry::top(this);
    refreshTimer.stop();
    event->accept();
    emit unloaded();
}
