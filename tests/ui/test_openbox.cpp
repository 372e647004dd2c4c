// Under a real window manager (openbox on Xvfb), whose frames are known only
// once shown: windows come back exactly where they were.
#include "support/App.h"

#include "ui/browser/FileBrowserWindow.h"
#include "ui/common/Twips.h"
#include "ui/export/ExportMediaWindow.h"

#include <QProcess>
#include <QWindow>

class TestOpenbox : public QObject {
    Q_OBJECT
    QProcess m_wm;
private slots:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
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
    void windowsComeBackWhereTheyWere() {
        App p;
        MainWindow* w = p.w.get();
        // Framed, at the default place and size.
        auto mainRect = [&] { return w->windowHandle()->frameGeometry(); };
        QTRY_COMPARE(mainRect(), QRect(Twips::toPx(3000), Twips::toPx(2500), Twips::toPx(9150),
                                       Twips::toPx(3885)));
        const QMargins frame = w->windowHandle()->frameMargins();
        QVERIFY(!frame.isNull());
        // A window's framed rectangle once it stands where expected, or after 5 s.
        auto toggle = [&](void (MainWindow::*command)(), auto window, QRect expected) -> QRect {
            (w->*command)();
            QWidget* opened = (w->*window)();
            const QWindow* handle = opened->windowHandle();
            if (!QTest::qWaitFor([&] { return handle->frameGeometry() == expected; }, 5000))
                qWarning() << "placed at" << handle->frameGeometry();
            const QRect r = handle->frameGeometry();
            (w->*command)();
            return r;
        };
        // Opened under the main window's frame, then where it was closed.
        const QRect main = mainRect();
        const QRect browser(main.left(), main.bottom() + 1, Twips::toPx(9150), Twips::toPx(4800));
        const QRect port(main.left() + Twips::toPx(100), main.bottom() + 1 + Twips::toPx(100),
                         Twips::toPx(7560), Twips::toPx(3465));
        const auto bothWhereExpected = [&] {
            QCOMPARE(toggle(&MainWindow::toggleFileBrowser, &MainWindow::fileBrowser, browser),
                     browser);
            QCOMPARE(toggle(&MainWindow::toggleExportMedia, &MainWindow::exportMediaWindow, port),
                     port);
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

QTEST_MAIN(TestOpenbox)
#include "test_openbox.moc"
