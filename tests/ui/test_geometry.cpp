// Window places and looks: the on-screen rule over a set of screens, every
// window's place through a save and a restore, places that are off every
// screen, and text that stays readable and whole. Run over two screens side
// by side (left 1280 x 1024, right 1024 x 768); the text also at 192 dpi.
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
#include <QWindow>

#include <cmath>
#include <functional>

namespace {

const QList<QRect> kScreens = {QRect(0, 0, 1280, 1024), QRect(1280, 0, 1024, 768)};

// Opens one of the windows as the user does.
QWidget* open(App& a, const QString& name) {
    MainWindow* w = a.w.get();
    if (name == "File Browser") {
        w->toggleFileBrowser();
        return w->fileBrowser();
    }
    if (name == "Export Media") {
        w->toggleExportMedia();
        return w->exportMediaWindow();
    }
    if (name == "Now Playing") {
        w->toggleNowPlaying();
        return w->nowPlayingWindow();
    }
    if (name == "tag window") {
        if (!QFile::exists(a.env.path("song.mp3")))
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

// The colours a widget's text is drawn in and on: a box's or list's base, a
// button's face, else its own background where it paints one, or that of the
// nearest one below it that does.
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
private slots:
    void fitOnScreens_data() {
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QRect>("placed");
        const QList<QRect> two = kScreens;
        QTest::newRow("on a screen")
            << two << QRect(100, 100, 600, 400) << QRect(100, 100, 600, 400);
        QTest::newRow("across both")
            << two << QRect(1000, 100, 600, 400) << QRect(1000, 100, 600, 400);
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
        // The edges: a window filling a screen exactly is on it; one pixel past
        // its right or bottom edge, or left of the left one, is not.
        QTest::newRow("filling the smaller screen")
            << two << QRect(1280, 0, 1024, 768) << QRect(1280, 0, 1024, 768);
        QTest::newRow("a pixel past the right edge")
            << two << QRect(1281, 0, 1024, 768) << QRect(1280, 0, 1024, 768);
        QTest::newRow("a pixel below the smaller screen")
            << two << QRect(1280, 1, 1024, 768) << QRect(1280, 0, 1024, 768);
        QTest::newRow("a pixel left of the desktop")
            << two << QRect(-1, 24, 1280, 1000) << QRect(0, 24, 1280, 1000);
        QTest::newRow("no screen known")
            << QList<QRect>() << QRect(-500, 0, 600, 400) << QRect(-500, 0, 600, 400);
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
        QVERIFY(!first.isNull());
        QVERIFY(ScreenFit::onScreens(first, kScreens));
        // Now Playing opens just above the main window (the File Browser and
        // Export Media under it: test_openbox).
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
            close(a, window);
            w = open(a, window);
            QCOMPARE(shown(w), moved);
        }
    }

    void savedPlaces_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QByteArray>("saved");
        // Left, top, width and height in twips; -1 where the rule gives no
        // figure. A saved value of 0 is no value.
        QTest::addColumn<QRect>("expected");
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
        // Every window lands wholly on a screen, its size kept where it fits and
        // cut to the screen where not.
        const QRect r = shown(open(a, window));
        QVERIFY(ScreenFit::onScreens(r, kScreens));
        QList<int> got{r.x(), r.y(), r.width(), r.height()};
        QList<int> want{expected.x(), expected.y(), expected.width(), expected.height()};
        for (int i = 0; i < 4; ++i) {
            if (want[i] < 0)
                got[i] = -1;
            else
                want[i] = px(want[i]);
        }
        QCOMPARE(got, want);
    }

    void textReadableAndWhole() {
        // The desktop's own palette, and a dark one: light text on dark windows,
        // boxes and buttons.
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
};

QTEST_MAIN(TestGeometry)
#include "test_geometry.moc"
