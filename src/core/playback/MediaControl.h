#pragma once

#include <QObject>
#include <QString>

// What the program asks of a player's decoder: one file at a time, with the
// next one loaded ahead so that it follows without a gap. Every call returns
// at once; the signals arrive on the user-interface thread.
class MediaControl : public QObject {
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

    using QObject::QObject;

    // Opens the file and plays it, or leaves it halted at its start when
    // autoStart is false. An empty path unloads the current file. False when
    // the file cannot be opened at all (missing, a folder, empty); a file
    // that turns out not to be media is reported later by mediaError.
    // When path is the file queued with queueNext and the decoder has already
    // gone over to it, nothing is reloaded and playing simply goes on.
    virtual bool setURL(const QString& path, bool autoStart = true) = 0;
    virtual QString URL() const = 0;
    // Whether setURL would take the file at all.
    virtual bool canOpen(const QString& path) const = 0;

    virtual void play() = 0;
    // Halts and returns to the start; the file stays loaded.
    virtual void stop() = 0;
    virtual void pause() = 0;
    // Ends playing and drops the file and the queued one (the window closed).
    virtual void close() = 0;

    virtual int playState() const = 0;

    // The file expected to follow the current one; an empty path drops it.
    // Nothing of this shows: the current file still ends with MediaEnded, and
    // the next one plays only when setURL names it.
    virtual void queueNext(const QString& path) = 0;

    // Seconds.
    virtual double position() const = 0;
    virtual double duration() const = 0;
    virtual void seek(double seconds) = 0;
    virtual int volume() const = 0; // 0 to 100
    virtual void setVolume(int volume) = 0;

signals:
    // Raised on every change of playState(); MediaEnded exactly once for
    // each file that plays to its natural end, never on a stop, a new URL
    // or an error.
    void PlayStateChange(int newState);
    // A file given to setURL could not be played.
    void mediaError(const QString& path);
    void positionChanged(double seconds);
    void durationChanged(double seconds);
    void volumeChanged(int volume);
};
