// Window places and looks: the on-screen rule over a set of screens, every
// window's place through a save and a restore, places that are off every
// screen, and text that stays readable and whole. Run over two screens side
// by side (left 1280 x 1024, right 1024 x 768); the text also at 192 dpi.
#include "support/App.h"
#include "support/Tones.h"

#include "app/ScreenFit.h"
#include "app/Twips.h"
#include "app/WindowGeometry.h"
#include "browser/frmFileList.h"
#include "export/frmPort.h"
#include "playback/frmNowplaying.h"
#include "tags/frmID3.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWindow>

#include <cmath>
#include <functional>

namespace {

const QList<QRect> kScreens = {QRect(0, 0, 1280, 1024), QRect(1280, 0, 1024, 768)};

// The windows the main window opens, as the user opens and closes them.
struct Kind {
    std::function<QWidget*(App&)> open;
    std::function<void(App&)> close;
};

Kind kind(const QString& name) {
    if (name == "main")
        return {[](App& a) { return static_cast<QWidget*>(a.w.get()); },
                [](App& a) { a.restart(); }};
    if (name == "File Browser")
        return {[](App& a) {
                    a.w->cmdView_Click();
                    return static_cast<QWidget*>(a.w->fileBrowser());
                },
                [](App& a) { a.w->cmdView_Click(); }};
    if (name == "Export Media")
        return {[](App& a) {
                    a.w->cmdDevice_Click();
                    return static_cast<QWidget*>(a.w->exportMediaWindow());
                },
                [](App& a) { a.w->cmdDevice_Click(); }};
    if (name == "Now Playing")
        return {[](App& a) {
                    a.w->btnNowPlaying_Click();
                    return static_cast<QWidget*>(a.w->nowPlayingWindow());
                },
                [](App& a) { a.w->btnNowPlaying_Click(); }};
    if (name == "tag window")
        return {[](App& a) {
                    a.w->ShowID3Info(a.env.path("song.mp3"));
                    return static_cast<QWidget*>(a.w->tagWindow());
                },
                [](App& a) { a.w->tagWindow()->close(); }};
    // Player 2, cued with a short tone.
    return {[](App& a) {
                static Tones tones;
                a.w->playlistModel().clear();
                a.w->playlistModel().append(QStringList{tones.tone("cue.wav", 0.5)});
                a.w->setFocusedPosition(0);
                a.w->btnPlay2_Click();
                return static_cast<QWidget*>(a.w->player2Window());
            },
            [](App& a) { a.w->btnStop_Click(); }};
}

// The whole window as the window system has it, once it is on the screen.
QRect shown(QWidget* w) {
    if (!w || !QTest::qWaitForWindowExposed(w))
        return QRect();
    return w->windowHandle()->frameGeometry();
}

int px(double twips) {
    return Twips::toPx(twips);
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

// What a widget's text is drawn on: its own background where it paints one,
// else that of the nearest one below it that does.
QColor backgroundOf(const QWidget* w) {
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractItemView*>(w))
        return w->palette().color(QPalette::Base);
    if (qobject_cast<const QAbstractButton*>(w) && !w->inherits("QCheckBox"))
        return w->palette().color(QPalette::Button);
    if (qobject_cast<const QComboBox*>(w))
        return w->palette().color(QPalette::Button);
    while (!w->isWindow() && !w->autoFillBackground())
        w = w->parentWidget();
    return w->palette().color(w->backgroundRole());
}

QColor textOf(const QWidget* w) {
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractItemView*>(w))
        return w->palette().color(QPalette::Text);
    if ((qobject_cast<const QAbstractButton*>(w) && !w->inherits("QCheckBox")) ||
        qobject_cast<const QComboBox*>(w))
        return w->palette().color(QPalette::ButtonText);
    return w->palette().color(w->foregroundRole());
}

} // namespace

class TestGeometry : public QObject {
    Q_OBJECT
private slots:
    void fitOnScreens_data();
    void fitOnScreens();
    void saveAndRestoreIsTheIdentity_data();
    void saveAndRestoreIsTheIdentity();
    void offScreenPlacesLandOnScreen_data();
    void offScreenPlacesLandOnScreen();
    void textReadableAndWhole();
};

void TestGeometry::fitOnScreens_data() {
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QRect>("window");
    QTest::addColumn<QRect>("placed");
    const QList<QRect> two = kScreens;
    QTest::newRow("on a screen") << two << QRect(100, 100, 600, 400) << QRect(100, 100, 600, 400);
    QTest::newRow("across both") << two << QRect(1000, 100, 600, 400) << QRect(1000, 100, 600, 400);
    QTest::newRow("partly below the smaller screen")
        << two << QRect(1000, 600, 600, 400) << QRect(680, 600, 600, 400);
    QTest::newRow("on a monitor unplugged since")
        << two << QRect(2600, 100, 600, 400) << QRect(1704, 100, 600, 400);
    QTest::newRow("above and left of all")
        << two << QRect(-500, -300, 600, 400) << QRect(0, 0, 600, 400);
    QTest::newRow("taller than its screen")
        << two << QRect(1400, 100, 600, 900) << QRect(1400, 0, 600, 768);
    QTest::newRow("far beyond the desktop")
        << two << QRect(1 << 24, 1 << 24, 600, 400) << QRect(1704, 368, 600, 400);
    QTest::newRow("no screen known")
        << QList<QRect>() << QRect(-500, 0, 600, 400) << QRect(-500, 0, 600, 400);
}

void TestGeometry::fitOnScreens() {
    QFETCH(QList<QRect>, screens);
    QFETCH(QRect, window);
    QFETCH(QRect, placed);
    QCOMPARE(ScreenFit::fitOnScreens(window, screens), placed);
    QCOMPARE(ScreenFit::onScreens(placed, screens), !screens.isEmpty());
}

void TestGeometry::saveAndRestoreIsTheIdentity_data() {
    QTest::addColumn<QString>("window");
    for (const char* w :
         {"main", "File Browser", "Export Media", "Now Playing", "tag window", "Player 2"})
        QTest::newRow(w) << QString::fromLatin1(w);
}

void TestGeometry::saveAndRestoreIsTheIdentity() {
    QFETCH(QString, window);
    QCOMPARE(QGuiApplication::screens().size(), 2);
    App a;
    writeBytes(a.env.path("song.mp3"), QByteArray(200, 'x'));
    const Kind k = kind(window);
    const QRect main = shown(a.w.get());
    QWidget* w = k.open(a);
    const QRect first = shown(w);
    QVERIFY(!first.isNull());
    QVERIFY(ScreenFit::onScreens(first, kScreens));
    // Where the design opens it: under the main window's frame, or just
    // above it.
    if (window == "File Browser")
        QCOMPARE(first.topLeft(), QPoint(main.left(), main.bottom() + 1));
    if (window == "Now Playing")
        QCOMPARE(first.bottomLeft(), QPoint(main.left(), main.top() - 1));

    // Moved onto the other screen and made taller (where the window lets
    // it): the same rectangle after closing and opening, twice.
    WindowGeometry::setLeft(w, Twips::fromPx(1300));
    WindowGeometry::setTop(w, Twips::fromPx(33));
    WindowGeometry::setOuterHeight(w, WindowGeometry::outerHeight(w) + Twips::fromPx(41));
    QTRY_COMPARE(w->windowHandle()->frameGeometry().topLeft(), QPoint(1300, 33));
    const QRect moved = w->windowHandle()->frameGeometry();
    for (int i = 0; i < 2; ++i) {
        k.close(a);
        w = k.open(a);
        QCOMPARE(shown(w), moved);
    }
}

void TestGeometry::offScreenPlacesLandOnScreen_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<QSize>("size"); // in twips; 0 where the window keeps its own
    QTest::newRow("main: a huge top")
        << "main" << QByteArray("FilesY=99999999999999999999") << QSize(9150, 3885);
    QTest::newRow("main: below every screen")
        << "main" << QByteArray("FilesH=4500\nFilesY=30000") << QSize(9150, 4500);
    QTest::newRow("File Browser: taller than the screen, far down")
        << "File Browser" << QByteArray("FilesListH=30000\nFilesListY=1e20\nFilesListX=1500")
        << QSize(9150, 0);
    QTest::newRow("Export Media: title bar above the screen")
        << "Export Media" << QByteArray("PortY=-900\nPortX=1500") << QSize(7560, 3465);
    QTest::newRow("Now Playing: a negative left")
        << "Now Playing" << QByteArray("NowPX=-3000\nNowPY=1500") << QSize(0, 1150);
    QTest::newRow("tag window: on a monitor unplugged since")
        << "tag window" << QByteArray("ID3X=60000\nID3Y=1500") << QSize();
    QTest::newRow("Player 2: far off")
        << "Player 2" << QByteArray("Play2X=99999999\nPlay2Y=-99999999") << QSize();
}

void TestGeometry::offScreenPlacesLandOnScreen() {
    QFETCH(QString, window);
    QFETCH(QByteArray, saved);
    QFETCH(QSize, size);
    App a(false);
    writeBytes(a.env.settingsFile(), "[Jukora]\n" + saved + "\n");
    writeBytes(a.env.path("song.mp3"), QByteArray(200, 'x'));
    a.start();
    const QRect r = shown(kind(window).open(a));
    QVERIFY2(ScreenFit::onScreens(r, kScreens),
             qPrintable(QStringLiteral("placed at %1,%2").arg(r.x()).arg(r.y())));
    // The size is kept where it fits, and cut to the screen where not.
    if (size.width() > 0)
        QCOMPARE(r.width(), px(size.width()));
    if (size.height() > 0)
        QCOMPARE(r.height(), px(size.height()));
    if (window == "File Browser")
        QCOMPARE(r.height(), 1024);
}

void TestGeometry::textReadableAndWhole() {
    // A dark desktop: light text on dark windows, boxes and buttons.
    const QPalette before = QApplication::palette();
    QPalette dark(QColor(53, 53, 53), QColor(40, 40, 40));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::ButtonText, Qt::white);
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    QApplication::setPalette(dark);
    {
        App a;
        writeBytes(a.env.path("song.mp3"), QByteArray(200, 'x'));
        QList<QWidget*> windows{a.w.get()};
        for (const char* k : {"File Browser", "Export Media", "Now Playing", "tag window"})
            windows << kind(k).open(a);
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
                QVERIFY2(contrast(textOf(w), backgroundOf(w)) >= 4.5, qPrintable(where));
                // The whole line of text fits the box.
                if (box)
                    QVERIFY2(box->height() >= box->minimumSizeHint().height(), qPrintable(where));
                else
                    QVERIFY2(w->height() >= w->fontMetrics().height(), qPrintable(where));
            }
        }
    }
    QApplication::setPalette(before);
}

QTEST_MAIN(TestGeometry)
#include "test_geometry.moc"
