#include "ui/player/PlayerWindow.h"

#include "engine/MediaEngine.h"
#include "ui/player/MediaPlayer.h"
#include "core/playback/PlaybackController.h"
#include "ui/common/Twips.h"
#include "ui/common/WindowGeometry.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
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
    MediaPlayer1 = new MediaPlayer(engine, this);
    MediaPlayer1->setObjectName(QStringLiteral("MediaPlayer1"));
    layout->addWidget(MediaPlayer1);
    // Design: the inner area measures 6765 x 6495 twips.
    const int left = number == 1 ? 1125 : 8115;
    setGeometry(Twips::toPx(left), Twips::toPx(2925), Twips::toPx(6765), Twips::toPx(6495));
}

PlayerWindow::~PlayerWindow() = default;

void PlayerWindow::remote() {
    if (m_number == 1)
        m_playback.player1Remote();
    else
        m_playback.player2Remote();
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
    MediaPlayer1->engine().close();
    event->accept();
    emit unloaded();
}

void PlayerWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!firstLocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void PlayerWindow::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    Form_OLEDragDrop(event->mimeData());
}

void PlayerWindow::Form_OLEDragDrop(const QMimeData* data) {
    const QString path = firstLocalFile(data);
    if (!path.isEmpty())
        m_playback.dropOnPlayer(m_number, path);
}

// ---------------------------------------------------------------------------
// Player 1

player::player(AppState& state, PlaybackController& playback, MediaEngine& engine, PlayerHost& host)
    : PlayerWindow(state, playback, engine, host, 1) {
    setObjectName(QStringLiteral("player"));
}

void player::Form_Load() {
    const AppSettings& s = m_state.settings;
    if (!m_state.player1FullScreen && m_host.isMainWindowVisible())
        applySavedGeometry(s.PlayW, s.PlayH, s.PlayX, s.PlayY);
    else if (!m_state.player1FullScreen)
        applySavedGeometry(0, 0, 0, 0); // the design's place, kept on a screen
    if (m_state.player1FullScreen)
        MediaPlayer1->setFullScreen(true);
    if (m_state.player1WindowState == 1)
        setWindowState(windowState() | Qt::WindowMinimized);
    else if (m_state.player1WindowState == 2)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void player::storeGeometry() {
    AppSettings& s = m_state.settings;
    s.PlayW = WindowGeometry::outerWidth(this);
    s.PlayH = WindowGeometry::outerHeight(this);
    s.PlayX = WindowGeometry::left(this);
    s.PlayY = WindowGeometry::top(this);
}

void player::recordState() {
    m_state.player1FullScreen = MediaPlayer1->fullScreen();
    m_state.player1WindowState = isMinimized() ? 1 : isMaximized() ? 2 : 0;
}

void player::resizeEvent(QResizeEvent* event) {
    PlayerWindow::resizeEvent(event);
    recordState();
}

void player::changeEvent(QEvent* event) {
    PlayerWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isVisible())
        recordState();
}

// ---------------------------------------------------------------------------
// Player 2

player2::player2(AppState& state, PlaybackController& playback, MediaEngine& engine,
                 PlayerHost& host)
    : PlayerWindow(state, playback, engine, host, 2) {
    // Files dropped here are cued like a Play2 Song.
    setObjectName(QStringLiteral("player2"));
}

void player2::Form_Load() {
    const AppSettings& s = m_state.settings;
    applySavedGeometry(s.Play2W, s.Play2H, s.Play2X, s.Play2Y);
}

void player2::storeGeometry() {
    AppSettings& s = m_state.settings;
    s.Play2W = WindowGeometry::outerWidth(this);
    s.Play2H = WindowGeometry::outerHeight(this);
    s.Play2X = WindowGeometry::left(this);
    s.Play2Y = WindowGeometry::top(this);
}
