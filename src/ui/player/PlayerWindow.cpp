#include "ui/player/PlayerWindow.h"

#include "core/playback/PlaybackController.h"
#include "engine/MediaEngine.h"
#include "ui/common/Twips.h"
#include "ui/common/WindowGeometry.h"
#include "ui/player/MediaPlayer.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QString firstLocalFile(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return QString();
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    return QString();
}

} // namespace

PlayerWindow::PlayerWindow(AppState& state, PlaybackController& playback, MediaEngine& engine,
                           PlayerHost& host, int number)
    : QWidget(nullptr, Qt::Window), m_state(state), m_playback(playback), m_host(host),
      m_number(number) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Jukora Player"));
    setAcceptDrops(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    mediaPlayer = new MediaPlayer(engine, this);
    mediaPlayer->setObjectName(QStringLiteral("mediaPlayer"));
    layout->addWidget(mediaPlayer);
    // Design: the inner area measures 6765 x 6495 twips.
    const int left = number == 1 ? 1125 : 8115;
    setGeometry(Twips::toPx(left), Twips::toPx(2925), Twips::toPx(6765), Twips::toPx(6495));
}

PlayerWindow::~PlayerWindow() = default;

void PlayerWindow::loadSong() {
    if (m_number == 1)
        m_playback.loadPlayer1();
    else
        m_playback.loadPlayer2();
}

void PlayerWindow::applySavedGeometry(double w, double h, double x, double y) {
    // Each saved measure above 0 replaces the design's; the window then lands
    // on a screen.
    const auto saved = [](double v) { return v > 0 ? std::optional(v) : std::nullopt; };
    WindowGeometry::place(
        this, {.left = saved(x), .top = saved(y), .width = saved(w), .height = saved(h)});
}

void PlayerWindow::closeEvent(QCloseEvent* event) {
    storeGeometry();
    // Closing ends the window's playback at once.
    mediaPlayer->engine().close();
    event->accept();
    emit unloaded();
}

void PlayerWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!firstLocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void PlayerWindow::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    dropFiles(event->mimeData());
}

void PlayerWindow::dropFiles(const QMimeData* data) {
    const QString path = firstLocalFile(data);
    if (path.isEmpty())
        return;
    // A folder joins the list, and whatever plays goes on.
    if (QFileInfo(path).isDir())
        m_host.addToPlaylist({path});
    else
        m_playback.dropOnPlayer(m_number, path);
}

// ---------------------------------------------------------------------------
// Player 1

Player1Window::Player1Window(AppState& state, PlaybackController& playback, MediaEngine& engine,
                             PlayerHost& host)
    : PlayerWindow(state, playback, engine, host, 1) {
    setObjectName(QStringLiteral("player"));
}

void Player1Window::load() {
    const AppSettings& s = m_state.settings;
    if (!m_state.player1FullScreen && m_host.isMainWindowVisible())
        applySavedGeometry(s.player1Width, s.player1Height, s.player1Left, s.player1Top);
    else if (!m_state.player1FullScreen)
        applySavedGeometry(0, 0, 0, 0); // the design's place, kept on a screen
    if (m_state.player1FullScreen)
        mediaPlayer->setFullScreen(true);
    if (m_state.player1WindowState == 1)
        setWindowState(windowState() | Qt::WindowMinimized);
    else if (m_state.player1WindowState == 2)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void Player1Window::storeGeometry() {
    AppSettings& s = m_state.settings;
    s.player1Width = WindowGeometry::outerWidth(this);
    s.player1Height = WindowGeometry::outerHeight(this);
    s.player1Left = WindowGeometry::left(this);
    s.player1Top = WindowGeometry::top(this);
}

void Player1Window::recordState() {
    m_state.player1FullScreen = mediaPlayer->fullScreen();
    m_state.player1WindowState = isMinimized() ? 1 : isMaximized() ? 2 : 0;
}

void Player1Window::resizeEvent(QResizeEvent* event) {
    PlayerWindow::resizeEvent(event);
    recordState();
}

void Player1Window::changeEvent(QEvent* event) {
    PlayerWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isVisible())
        recordState();
}

// ---------------------------------------------------------------------------
// Player 2

Player2Window::Player2Window(AppState& state, PlaybackController& playback, MediaEngine& engine,
                             PlayerHost& host)
    : PlayerWindow(state, playback, engine, host, 2) {
    // Files dropped here are cued like a Play2 Song.
    setObjectName(QStringLiteral("player2"));
}

void Player2Window::load() {
    const AppSettings& s = m_state.settings;
    applySavedGeometry(s.player2Width, s.player2Height, s.player2Left, s.player2Top);
}

void Player2Window::storeGeometry() {
    AppSettings& s = m_state.settings;
    s.player2Width = WindowGeometry::outerWidth(this);
    s.player2Height = WindowGeometry::outerHeight(this);
    s.player2Left = WindowGeometry::left(this);
    s.player2Top = WindowGeometry::top(this);
}
