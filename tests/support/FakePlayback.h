#pragma once

#include "core/playback/MediaControl.h"
#include "core/playback/PlaybackController.h"
#include "core/playlist/PlaylistModel.h"

#include <QItemSelectionModel>
#include <QStringList>

// A player's engine as the rules see it: a file that ends goes over to the
// queued one, heard without a gap only when setURL then names it; loading any
// other file then cuts the end of the song that ended.
class FakeMedia : public MediaControl {
public:
    QStringList log; // "load a.mp3", "cue a.mp3", "play", "stop", "pause", "close"
    QString url, queued, handedOver;
    int state = Undefined;
    int cuts = 0;
    int vol = 50;
    double pos = 0, dur = 0;

    bool setURL(const QString& path, bool autoStart = true) override {
        if (path.isEmpty()) {
            close();
            return true;
        }
        if (!canOpen(path))
            return false;
        log << QStringLiteral("%1 %2").arg(autoStart ? "load" : "cue", path);
        if (!handedOver.isEmpty() && (path != handedOver || !autoStart))
            ++cuts;
        handedOver.clear();
        url = path;
        queued.clear();
        setState(autoStart ? Playing : Stopped);
        return true;
    }
    QString URL() const override { return url; }
    bool canOpen(const QString& path) const override { return !path.contains(u"missing"); }
    void play() override { log << "play", setState(Playing); }
    void stop() override { log << "stop", setState(Stopped); }
    void pause() override { log << "pause", setState(Paused); }
    void close() override {
        log << "close";
        url.clear(), queued.clear(), handedOver.clear();
        setState(Stopped);
    }
    int playState() const override { return state; }
    void queueNext(const QString& path) override { queued = path; }
    double position() const override { return pos; }
    double duration() const override { return dur; }
    void seek(double seconds) override { pos = seconds; }
    int volume() const override { return vol; }
    void setVolume(int v) override {
        if (v != vol)
            emit volumeChanged(vol = v);
    }

    // The song plays to its end; the decoder goes over to the queued file.
    void finish() {
        handedOver = queued;
        setState(MediaEnded);
    }
    // The decoder found the current file unplayable.
    void fail() {
        setState(Stopped);
        emit mediaError(url);
    }
    void setState(int s) {
        if (s != state)
            emit PlayStateChange(state = s);
    }
};

// The windows around the rules: which player is open, its caption, the
// message boxes, the saves, the main window's restores.
class FakeHost : public PlaybackHost {
public:
    MediaControl* engines[2] = {};
    bool open[2] = {};
    QString captions[2];
    QStringList messages;
    int saves = 0;
    int restores = 0;
    std::function<void()> whileMessageOpen;

    bool isPlayerOpen(int n) const override { return open[n - 1]; }
    void showPlayer(int n) override { open[n - 1] = true; }
    void closePlayer(int n) override {
        if (!open[n - 1])
            return;
        open[n - 1] = false;
        engines[n - 1]->close();
    }
    void setPlayerCaption(int n, const QString& c) override { captions[n - 1] = c; }
    void restoreMainWindow() override { ++restores; }
    void saveSettings() override { ++saves; }
    void message(const QString& text) override {
        messages << text;
        if (whileMessageOpen)
            whileMessageOpen();
    }
};

// The rules over a playlist, its selection and two players (fake ones unless
// named), with the list's click notification wired as the main window does.
template <typename Media = FakeMedia> struct Playback {
    PlaylistModel model;
    QItemSelectionModel selection{&model};
    AppState state;
    Media p1, p2;
    FakeHost host;
    PlaybackController c{state, model, selection, p1, p2, host};

    explicit Playback(const QStringList& entries = {}) {
        host.engines[0] = &p1;
        host.engines[1] = &p2;
        model.append(entries);
        QObject::connect(&selection, &QItemSelectionModel::currentChanged,
                         [this](const QModelIndex& i) { state.currentIndex = i.row(); });
    }
    void focus(int row) {
        selection.setCurrentIndex(model.index(row), QItemSelectionModel::NoUpdate);
    }
    QList<int> selectedRows() const {
        QList<int> rows;
        for (const QModelIndex& i : selection.selectedIndexes())
            rows << i.row();
        std::sort(rows.begin(), rows.end());
        return rows;
    }
};
using FakePlayback = Playback<>;
