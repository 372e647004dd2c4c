#pragma once

#include <QWidget>

#include <memory>

class MediaEngine;

// The media player component as a window shows it: the picture with a
// transport bar under it (play/pause, stop, seek slider with elapsed and
// total time, volume) over one player's engine, and full screen.
class MediaPlayer : public QWidget {
    Q_OBJECT
public:
    explicit MediaPlayer(MediaEngine& engine, QWidget* parent = nullptr);
    ~MediaPlayer() override;

    MediaEngine& engine() const;

    bool fullScreen() const;
    void setFullScreen(bool on);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
