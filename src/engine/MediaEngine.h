#pragma once

#include "core/playback/MediaControl.h"

#include <memory>

class QWidget;

// The decoder behind one player: the program's only contact with libmpv.
// It owns the decoder's handle, follows its events on the user-interface
// thread and keeps the play state. The decoder library is opened and the
// handle made at the first call that needs them, so that a program that
// plays nothing never loads them. Commands reach the decoder asynchronously,
// in the order they were given.
class MediaEngine : public MediaControl {
    Q_OBJECT
public:
    explicit MediaEngine(QObject* parent = nullptr);
    ~MediaEngine() override;

    // Loads the decoder library on a worker thread, ready for the first
    // song, keeping in memory only what loading it wrote.
    static void preload();

    bool setURL(const QString& path, bool autoStart = true) override;
    QString URL() const override;
    bool canOpen(const QString& path) const override;
    void play() override;
    void stop() override;
    void pause() override;
    void close() override;
    int playState() const override;
    void queueNext(const QString& path) override;
    double position() const override;
    double duration() const override;
    void seek(double seconds) override;
    int volume() const override;
    void setVolume(int volume) override;

    // The picture: a widget the decoder draws the video into, or nullptr
    // where it cannot draw (no decoder, no OpenGL). One at a time; the
    // decoder leaves it when it is destroyed.
    QWidget* createPicture(QWidget* parent);

    // Whether a file with a picture (a film, a cover picture) has played: a
    // player shows the decoder's picture only from then on, so that playing
    // songs never loads the graphics driver.
    bool hasPlayedVideo() const;

signals:
    // The first file with a picture has started.
    void videoFound();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
