// Window places and looks over two screens side by side, the text also at 192
// dpi; as test_openbox, places under a real window manager on Xvfb.
#include "support/App.h"
#include "support/Tones.h"

#include "core/settings/ScreenFit.h"
#include "ui/browser/FileBrowserWindow.h"
#include "ui/common/Twips.h"
#include "ui/common/WindowGeometry.h"
#include "ui/export/ExportMediaWindow.h"
#include "ui/player/NowPlayingWindow.h"
#include "ui/tags/TagWindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QWindow>

#include <cmath>

namespace {

const QList<QRect> kScreens = {QRect(0, 0, 1280, 1024), QRect(1280, 0, 1024, 768)};

// Opens one of the windows as the user does.
QWidget* open(App& a, const QString& name) {
    MainWindow* w = a.w.get();
    if (name == "File Browser")
        return w->toggleFileBrowser(), w->fileBrowser();
    if (name == "Export Media")
        return w->toggleExportMedia(), w->exportMediaWindow();
    if (name == "Now Playing")
        return w->toggleNowPlaying(), w->nowPlayingWindow();
    if (name == "tag window") {
        writeBytes(a.env.path("song.mp3"), QByteArray(200, 'x'));
        w->showTagWindow(a.env.path("song.mp3"));
        return w->tagWindow();
    }
    if (name == "Player 2") { // cued with a short tone
        static Tones tones;
        w->playlistModel().clear();
        w->playlistModel().append(QStringList{tones.tone("cue.wav", 0.5)});
        w->commands().setFocusedPosition(0);
        w->play2Song();
        return w->player2Window();
    }
    return w;
}

void close(App& a, const QString& name) {
    if (name == "main")
        a.restart();
    else if (name == "tag window")
        a.w->tagWindow()->close();
    else if (name == "Player 2")
        a.w->stopAll();
    else
        open(a, name); // the window's toggle
}

// The whole window as the window system has it, once it is on the screen.
QRect shown(QWidget* w) {
    return w && QTest::qWaitForWindowExposed(w) ? w->windowHandle()->frameGeometry() : QRect();
}

// Contrast of two colours as the readability guidelines count it, 1 to 21.
double contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto lin = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

// The colours a widget's text is drawn in and on: a box's or list's base, a
// button's face, else the background of it or the nearest parent that paints one.
std::pair<QColor, QColor> textColours(const QWidget* w) {
    const QPalette& p = w->palette();
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractItemView*>(w))
        return {p.color(QPalette::Text), p.color(QPalette::Base)};
    if ((qobject_cast<const QAbstractButton*>(w) && !w->inherits("QCheckBox")) ||
        qobject_cast<const QComboBox*>(w))
        return {p.color(QPalette::ButtonText), p.color(QPalette::Button)};
    const QColor text = p.color(w->foregroundRole());
    while (!w->isWindow() && !w->autoFillBackground())
        w = w->parentWidget();
    return {text, w->palette().color(w->backgroundRole())};
}

} // namespace

class TestGeometry : public QObject {
    Q_OBJECT
    QProcess m_wm;
private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return;
        m_wm.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        QVERIFY2(m_wm.waitForStarted(), "openbox is not installed");
        // The window manager is up once it frames a new window.
        QTRY_VERIFY_WITH_TIMEOUT(
            [] {
                QWidget probe;
                probe.show();
                return QTest::qWaitForWindowExposed(&probe) &&
                       !probe.windowHandle()->frameMargins().isNull();
            }(),
            20000);
    }
    void cleanupTestCase() {
        m_wm.terminate();
        m_wm.waitForFinished();
    }
    void fitOnScreens_data() {
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QRect>("placed");
        const auto row = [](const char* tag, QRect window, QRect placed,
                            const QList<QRect>& screens = kScreens) {
            QTest::newRow(tag) << screens << window << placed;
        };
        row("on a screen", QRect(100, 100, 600, 400), QRect(100, 100, 600, 400));
        row("across both", QRect(1000, 100, 600, 400), QRect(1000, 100, 600, 400));
        row("partly below the smaller screen", QRect(1000, 600, 600, 400),
            QRect(680, 600, 600, 400));
        row("on a monitor unplugged since", QRect(2600, 100, 600, 400), QRect(1704, 100, 600, 400));
        row("above and left of all", QRect(-500, -300, 600, 400), QRect(0, 0, 600, 400));
        row("taller than its screen", QRect(1400, 100, 600, 900), QRect(1400, 0, 600, 768));
        row("far beyond the desktop", QRect(1 << 24, 1 << 24, 600, 400),
            QRect(1704, 368, 600, 400));
        // Filling a screen exactly is on it; a pixel past an edge is not.
        row("filling the smaller screen", QRect(1280, 0, 1024, 768), QRect(1280, 0, 1024, 768));
        row("a pixel past the right edge", QRect(1281, 0, 1024, 768), QRect(1280, 0, 1024, 768));
        row("a pixel below the smaller screen", QRect(1280, 1, 1024, 768),
            QRect(1280, 0, 1024, 768));
        row("a pixel left of the desktop", QRect(-1, 24, 1280, 1000), QRect(0, 24, 1280, 1000));
        row("no screen known", QRect(-500, 0, 600, 400), QRect(-500, 0, 600, 400), {});
    }
    void fitOnScreens() {
        QFETCH(QList<QRect>, screens);
        QFETCH(QRect, window);
        QFETCH(QRect, placed);
        QCOMPARE(ScreenFit::fitOnScreens(window, screens), placed);
        QCOMPARE(ScreenFit::onScreens(placed, screens), !screens.isEmpty());
    }
    void saveAndRestoreIsTheIdentity_data() {
        QTest::addColumn<QString>("window");
        for (const char* w :
             {"main", "File Browser", "Export Media", "Now Playing", "tag window", "Player 2"})
            QTest::newRow(w) << QString::fromLatin1(w);
    }
    void saveAndRestoreIsTheIdentity() {
        QFETCH(QString, window);
        QCOMPARE(QGuiApplication::screens().size(), 2);
        App a;
        const QRect main = shown(a.w.get());
        QWidget* w = open(a, window);
        const QRect first = shown(w);
        QVERIFY(!first.isNull() && ScreenFit::onScreens(first, kScreens));
        // Now Playing opens just above the main window (the others: below).
        if (window == "Now Playing")
            QCOMPARE(first.bottomLeft(), QPoint(main.left(), main.top() - 1));
        // Moved to the other screen, made taller: the same after closing, twice.
        WindowGeometry::setLeft(w, Twips::fromPx(1300));
        WindowGeometry::setTop(w, Twips::fromPx(33));
        WindowGeometry::setOuterHeight(w, WindowGeometry::outerHeight(w) + Twips::fromPx(41));
        QTRY_COMPARE(w->windowHandle()->frameGeometry().topLeft(), QPoint(1300, 33));
        const QRect moved = w->windowHandle()->frameGeometry();
        for (int i = 0; i < 2; ++i) {
            close(a, window);
            w = open(a, window);
            QCOMPARE(shown(w), moved);
        }
    }
    void savedPlaces_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<QRect>("expected"); // in twips; -1: any; a saved 0 is no value
        const auto row = [](const char* tag, const char* saved, QRect expected) {
            QTest::newRow(tag) << QString(tag).section(u':', 0, 0) << QByteArray(saved) << expected;
        };
        row("main: a top out of reason", "FilesH=6000\nFilesX=1500\nFilesY=99999999999999999999",
            QRect(1500, 2500, 9150, 6000));
        row("main: below every screen", "FilesH=4500\nFilesY=30000", QRect(-1, -1, 9150, 4500));
        row("File Browser: only the top", "FilesListY=900\nFilesListX=0",
            QRect(3000, 900, 9150, 4800));
        row("File Browser: below the least height", "FilesListH=3000",
            QRect(3000, 2500 + 3885, 9150, 4800));
        row("File Browser: taller than the screen, far down",
            "FilesListH=30000\nFilesListY=1e20\nFilesListX=1500", QRect(-1, -1, 9150, 1024 * 15));
        row("Export Media: title bar above the screen", "PortY=-900\nPortX=1500",
            QRect(1500, 0, 7560, 3465));
        row("Now Playing: a negative left", "NowPX=-3000\nNowPY=1500", QRect(0, 1500, -1, 1150));
        row("tag window: on a monitor unplugged since", "ID3X=60000\nID3Y=1500",
            QRect(-1, 1500, -1, -1));
        row("Player 2: far off", "Play2X=99999999\nPlay2Y=-99999999", QRect(-1, -1, -1, -1));
    }
    void savedPlaces() {
        QFETCH(QString, window);
        QFETCH(QByteArray, saved);
        QFETCH(QRect, expected);
        App a(false);
        writeBytes(a.env.settingsFile(), "[Jukora]\n" + saved + "\n");
        a.start();
        // Wholly on a screen, the size cut to it where it does not fit.
        const QRect r = shown(open(a, window));
        QVERIFY(ScreenFit::onScreens(r, kScreens));
        QList<int> got{r.x(), r.y(), r.width(), r.height()};
        QList<int> want{expected.x(), expected.y(), expected.width(), expected.height()};
        for (int i = 0; i < 4; ++i) {
            got[i] = want[i] < 0 ? -1 : got[i];
            want[i] = want[i] < 0 ? -1 : Twips::toPx(want[i]);
        }
        QCOMPARE(got, want);
    }
    void textReadableAndWhole() {
        // The desktop's own palette, and a dark one.
        const QPalette before = QApplication::palette();
        QPalette dark(QColor(53, 53, 53), QColor(40, 40, 40));
        dark.setColor(QPalette::WindowText, Qt::white);
        dark.setColor(QPalette::Text, Qt::white);
        dark.setColor(QPalette::ButtonText, Qt::white);
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        for (const QPalette& desktop : {before, dark}) {
            QApplication::setPalette(desktop);
            App a;
            QList<QWidget*> windows{a.w.get()};
            for (const char* name : {"File Browser", "Export Media", "Now Playing", "tag window"})
                windows << open(a, name);
            for (QWidget* window : windows) {
                QVERIFY(QTest::qWaitForWindowExposed(window));
                // Every window carries the program's icon.
                QVERIFY(!window->windowIcon().isNull());
                for (QWidget* w : window->findChildren<QWidget*>()) {
                    const auto* label = qobject_cast<QLabel*>(w);
                    const auto* box = qobject_cast<QLineEdit*>(w);
                    const auto* button = qobject_cast<QAbstractButton*>(w);
                    const bool text = (label && !label->text().isEmpty()) || box ||
                                      (button && !button->text().isEmpty());
                    if (!w->isVisible() || !text)
                        continue;
                    const QString where = window->objectName() + u'/' + w->objectName();
                    const auto [fore, back] = textColours(w);
                    QVERIFY2(contrast(fore, back) >= 4.5, qPrintable(where));
                    // The whole line of text fits the box.
                    if (box)
                        QVERIFY2(box->height() >= box->minimumSizeHint().height(),
                                 qPrintable(where));
                    else
                        QVERIFY2(w->height() >= w->fontMetrics().height(), qPrintable(where));
                }
            }
        }
        QApplication::setPalette(before);
    }
    // Frames are known only once shown: windows come back exactly where they were.
    void windowsComeBackWhereTheyWere() {
        if (m_wm.state() != QProcess::Running)
            QSKIP("Only under a window manager (run as test_openbox).");
        App p;
        MainWindow* w = p.w.get();
        // Framed, at the default place and size.
        auto mainRect = [&] { return w->windowHandle()->frameGeometry(); };
        QTRY_COMPARE(mainRect(), QRect(Twips::toPx(3000), Twips::toPx(2500), Twips::toPx(9150),
                                       Twips::toPx(3885)));
        const QMargins frame = w->windowHandle()->frameMargins();
        QVERIFY(!frame.isNull());
        // Opened under the main window's frame, then where it was closed.
        const QRect main = mainRect();
        const QRect browser(main.left(), main.bottom() + 1, Twips::toPx(9150), Twips::toPx(4800));
        const QRect port(main.left() + Twips::toPx(100), main.bottom() + 1 + Twips::toPx(100),
                         Twips::toPx(7560), Twips::toPx(3465));
        const auto bothWhereExpected = [&] {
            for (const auto& [name, expected] :
                 {std::pair{"File Browser", browser}, {"Export Media", port}}) {
                const QWindow* handle = open(p, name)->windowHandle();
                QTRY_COMPARE_WITH_TIMEOUT(handle->frameGeometry(), expected, 5000);
                close(p, name);
            }
        };
        for (int i = 0; i < 3; ++i)
            bothWhereExpected();
        // Moved and made taller, then restarted twice.
        const QRect moved(main.topLeft() + QPoint(40, -30), main.size() + QSize(0, 50));
        w->move(moved.topLeft());
        w->resize(w->width(), w->height() + 50);
        QTRY_COMPARE(mainRect(), moved);
        for (int i = 0; i < 2; ++i) {
            p.restart();
            w = p.w.get();
            QTRY_COMPARE(mainRect(), moved);
            QCOMPARE(w->windowHandle()->frameMargins(), frame);
            bothWhereExpected();
        }
        // Started minimized by a command line's playlist, restored where it was, saved so.
        p.quit();
        const QString list = p.env.path("My Mix.m3u");
        writeBytes(list, "");
        p.state = AppState();
        p.start({list});
        w = p.w.get();
        QVERIFY(w->isMinimized());
        w->showNormal();
        QTRY_COMPARE(mainRect(), moved);
        p.quit();
        const auto twips = [](int px) { return QByteArray::number(Twips::fromPx(px)); };
        QVERIFY(readBytes(p.env.settingsFile())
                    .contains("FilesH=" + twips(moved.height()) + "\nFilesX=" + twips(moved.x()) +
                              "\nFilesY=" + twips(moved.y()) + "\n"));
    }
};

QTEST_MAIN(TestGeometry)
#include "test_geometry.moc"
