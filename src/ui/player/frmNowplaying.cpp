#include "ui/player/frmNowplaying.h"

#include "ui/common/Twips.h"
#include "ui/common/WindowGeometry.h"
#include "ui/common/WindowLook.h"
#include "core/playlist/PathNames.h"
#include "core/tags/SongTags.h"

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
QString songLine(const QString& path) {
    const QString title = Tags::readSongTags(path).Title;
    return title.isEmpty() ? PathNames::fileName(path) : title;
}

} // namespace

frmNowplaying::frmNowplaying(AppState& state, NowPlayingHost& host, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_state(state),
      m_host(host) {
    setObjectName(QStringLiteral("frmNowplaying"));
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
    Label4 = label("Label4", QStringLiteral("Player 1"), designRect(0, 0, 1095, 315));
    Label1 = label("Label1", QStringLiteral("Player 2"), designRect(0, 285, 1095, 315));
    txtPlayer = box("txtPlayer", designRect(1100, 30, 7300, 285));
    txtMixer = box("txtMixer", designRect(1100, 330, 7300, 285));
    cmdID3player = button("cmdID3player", designRect(8400, 30, 450, 285));
    cmdID3mixer = button("cmdID3mixer", designRect(8400, 330, 450, 285));
    connect(cmdID3player, &QPushButton::clicked, this, [this] { cmdID3player_Click(); });
    connect(cmdID3mixer, &QPushButton::clicked, this, [this] { cmdID3mixer_Click(); });

    WindowGeometry::followResizes(this, [this] { Form_Resize(); });

    Timer1.setInterval(5000);
    connect(&Timer1, &QTimer::timeout, this, [this] { NowPlaying(); });
    Timer1.start();
}

void frmNowplaying::Form_Load() {
    const QRectF main = m_host.mainWindowTwips();
    const AppSettings& s = m_state.settings;
    WindowGeometry::place(
        this, {.width = s.NowPW != 0 ? std::optional(s.NowPW) : std::nullopt, .height = kHeight});
    // Without a saved place the strip sits just above the main window.
    WindowGeometry::place(
        this, {.left = s.NowPX == 0 ? main.left() : s.NowPX,
               .top = s.NowPY == 0 ? main.top() - WindowGeometry::outerHeight(this) : s.NowPY});
    NowPlaying();
}

void frmNowplaying::NowPlaying() {
    txtPlayer->setText(m_host.isPlayer1Open() ? songLine(m_state.playerFile) : QString());
    txtMixer->setText(m_host.isPlayer2Open() ? songLine(m_state.mixerFile) : QString());
    m_state.settings.NowPX = WindowGeometry::left(this);
    m_state.settings.NowPY = WindowGeometry::top(this);
}

void frmNowplaying::cmdID3player_Click() {
    if (m_host.isPlayer1Open())
        m_host.ShowID3Info(m_state.playerFile);
}

void frmNowplaying::cmdID3mixer_Click() {
    if (m_host.isPlayer2Open())
        m_host.ShowID3Info(m_state.mixerFile);
}

void frmNowplaying::Form_Resize() {
    if (m_resizing)
        return;
    m_resizing = true;
    if (std::abs(WindowGeometry::outerHeight(this) - kHeight) >= Twips::perPixel())
        WindowGeometry::setOuterHeight(this, kHeight);
    const double outerWidth = WindowGeometry::outerWidth(this);
    const int w = Twips::toPx(outerWidth - 1095 - 450 - 200);
    if (w > 0) {
        txtPlayer->resize(w, txtPlayer->height());
        txtMixer->resize(w, txtMixer->height());
        cmdID3player->move(txtPlayer->x() + w, cmdID3player->y());
        cmdID3mixer->move(txtPlayer->x() + w, cmdID3mixer->y());
    }
    m_state.settings.NowPW = outerWidth;
    m_resizing = false;
}

void frmNowplaying::closeEvent(QCloseEvent* event) {
    // Where it was closed, not where the last refresh found it.
    m_state.settings.NowPX = WindowGeometry::left(this);
    m_state.settings.NowPY = WindowGeometry::top(this);
    Timer1.stop();
    event->accept();
    emit unloaded();
}
