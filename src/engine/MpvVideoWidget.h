#pragma once

#include <QOpenGLWidget>

#include <functional>

struct mpv_handle;
struct mpv_render_context;

// The picture drawn by the decoder through its OpenGL render interface. One
// render context for the decoder handle it is given; it must be released
// before that handle is destroyed. Only for platforms with OpenGL: the
// offscreen platform gets a plain black widget instead.
class MpvVideoWidget : public QOpenGLWidget {
public:
    // ready(true) once the render context exists (the decoder may then draw
    // here: vo=libmpv), ready(false) when it could not be made; called from
    // initializeGL.
    MpvVideoWidget(mpv_handle* mpv, std::function<void(bool)> ready, QWidget* parent = nullptr);
    ~MpvVideoWidget() override;

    // Frees the render context; the decoder then stops drawing here.
    void release();
    bool hasRenderContext() const { return m_render != nullptr; }

    // Whether an OpenGL context can be made on this platform at all.
    static bool openGLAvailable();

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    static void onUpdate(void* self);
    void frameReady();

    mpv_handle* m_mpv;
    mpv_render_context* m_render = nullptr;
    std::function<void(bool)> m_ready;
    QMetaObject::Connection m_contextGone;
};
