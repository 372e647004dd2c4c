#pragma once

#include "ScriptedPlatform.h"
#include "TestEnv.h"

#include "ui/main/MainWindow.h"

#include <QListView>
#include <QtTest>

#include <memory>

// The main window as main() starts it, over temporary folders, with scripted dialogs.
struct App {
    TestEnv env;
    ScriptedPlatform platform;
    AppState state;
    std::unique_ptr<MainWindow> w;
    explicit App(bool started = true) {
        if (started)
            start();
    }
    void start(const QStringList& commandLine = {}) {
        state.commandLine = commandLine;
        w = std::make_unique<MainWindow>(state, platform.platform);
        w->load();
        if (w->windowState() & Qt::WindowMinimized) {
            w->showMinimized();
            return;
        }
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void quit() {
        w->close();
        w.reset();
    }
    // Quits (unless done already) and starts the next session.
    void restart() {
        if (w)
            quit();
        state = AppState();
        platform.messages.shown.clear();
        start();
    }
    QStringList entries() const { return w->playlistModel().entries(); }
    QList<int> selectedRows() const {
        QList<int> rows;
        for (int i = 0; i < w->playlistModel().count(); ++i)
            if (w->selection().isSelected(i))
                rows << i;
        return rows;
    }
    void click(int row, Qt::KeyboardModifiers mods = Qt::NoModifier,
               Qt::MouseButton button = Qt::LeftButton) {
        const QRect r = w->playlistView->visualRect(w->playlistModel().index(row));
        QTest::mouseClick(w->playlistView->viewport(), button, mods, r.center());
    }
};
