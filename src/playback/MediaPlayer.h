#pragma once

#include <QString>
#include <QWidget>

#include <memory>

// The media player component: the program's only contact with the decoder
// (libmpv). It shows the picture with a transport bar under it (play/pause,
// stop, seek slider with elapsed and total time, volume) and tells its window
// when the play state changes. Every call returns at once: commands reach the
// decoder asynchronously, in the order they were given, and every signal
// arrives on the user-interface thread.
class MediaPlayer : public QWidget {
    Q_OBJECT
public:
    // The play-state numbers of the component this one replaces.
    enum State {
        Undefined = 0,
        Stopped = 1,
        Paused = 2,
        Playing = 3,
        Buffering = 6,
        MediaEnded = 8,
        Ready = 10,
    };

    explicit MediaPlayer(QWidget* parent = nullptr);
    ~MediaPlayer() override;

    // Starts loading the decoder library on a worker thread, so that the
    // first player opens without waiting for it. Players load it themselves
    // when it is not there yet.
    static void preload();

    // Opens the file and, as the component starts at once, plays it. False
    // when the file cannot be opened at all (missing, a folder); a file that
    // turns out not to be media is reported later by mediaError.
    // When path is the file queued with queueNext and the decoder has already
    // gone over to it, nothing is reloaded and playing simply goes on.
    bool setURL(const QString& path);
    QString URL() const;

    void play();
    // Halts and returns to the start; the file stays loaded.
    void stop();
    void pause();

    int playState() const;

    bool fullScreen() const;
    void setFullScreen(bool on);

    // The file expected to follow the current one, loaded ahead so that it
    // follows without a gap; an empty path drops it. Nothing of this shows:
    // the current file still ends with MediaEnded, and the next one plays
    // only when setURL names it.
    void queueNext(const QString& path);
    QString queuedNext() const;

    // Seconds; for the transport bar and the desktop's media controls.
    double position() const;
    double duration() const;
    void seek(double seconds);
    int volume() const; // 0 to 100
    void setVolume(int volume);

signals:
    // Raised on every change of playState(); MediaEnded exactly once for
    // each file that plays to its natural end, never on a stop, a new URL
    // or an error.
    void PlayStateChange(int newState);
    // A file given to setURL could not be played.
    void mediaError(const QString& path);
    // Position or duration changed (a few times a second while playing).
    void positionChanged(double seconds);
    void durationChanged(double seconds);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
