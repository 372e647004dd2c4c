#include "engine/MpvVideoWidget.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include "engine/MpvLibrary.h"

#include <mpv/render_gl.h>

namespace {

// Only called with a decoder handle, so the library is there.
const MpvLibrary& api() {
    return *mpvLibrary();
}

void* procAddress(void*, const char* name) {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void*>(context->getProcAddress(name)) : nullptr;
}

} // namespace

MpvVideoWidget::MpvVideoWidget(mpv_handle* mpv, std::function<void(bool)> ready, QWidget* parent)
    : QOpenGLWidget(parent), m_mpv(mpv), m_ready(std::move(ready)) {}

MpvVideoWidget::~MpvVideoWidget() {
    // The GL context goes after this destructor, with the base class: its
    // last signal must not reach this part of the object any more.
    disconnect(m_contextGone);
    release();
}

bool MpvVideoWidget::openGLAvailable() {
    static const bool available = [] {
        const QString platform = QGuiApplication::platformName();
        if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
            return false;
        QOpenGLContext context;
        if (!context.create())
            return false;
        QOffscreenSurface surface;
        surface.setFormat(context.format());
        surface.create();
        const bool current = context.makeCurrent(&surface);
        if (current)
            context.doneCurrent();
        return current;
    }();
    return available;
}

void MpvVideoWidget::release() {
    if (!m_render)
        return;
    // mpv leaves this widget first (carried out before the free below, which
    // waits for the video output to go).
    const char* nullOutput = "null";
    api().set_property_async(m_mpv, 0, "vo", MPV_FORMAT_STRING, &nullOutput);
    // The render context's GL objects belong to this widget's context.
    const bool current = context() != nullptr;
    if (current)
        makeCurrent();
    api().render_context_free(m_render);
    m_render = nullptr;
    if (current)
        doneCurrent();
}

void MpvVideoWidget::initializeGL() {
    // A new context (the widget moved to another window) needs a new render
    // context; the old one goes with the old context.
    disconnect(m_contextGone);
    m_contextGone = connect(
        context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] { release(); },
        Qt::DirectConnection);
    if (m_render || !m_mpv)
        return;
    mpv_opengl_init_params glInit{&procAddress, nullptr};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (api().render_context_create(&m_render, m_mpv, params) < 0) {
        m_render = nullptr;
        if (m_ready)
            m_ready(false);
        return;
    }
    api().render_context_set_update_callback(m_render, &MpvVideoWidget::onUpdate, this);
    if (m_ready)
        m_ready(true);
}

void MpvVideoWidget::paintGL() {
    QOpenGLFunctions* gl = context()->functions();
    gl->glClearColor(0, 0, 0, 1);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    if (!m_render)
        return;
    const qreal ratio = devicePixelRatioF();
    mpv_opengl_fbo fbo{int(defaultFramebufferObject()), int(width() * ratio), int(height() * ratio),
                       0};
    int flip = 1;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flip},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    api().render_context_render(m_render, params);
}

// Called on one of the decoder's threads: hop to the user-interface thread.
// A call still queued when the widget goes is dropped with it.
void MpvVideoWidget::onUpdate(void* self) {
    auto* widget = static_cast<MpvVideoWidget*>(self);
    QMetaObject::invokeMethod(
        widget, [widget] { widget->frameReady(); }, Qt::QueuedConnection);
}

void MpvVideoWidget::frameReady() {
    if (m_render && (api().render_context_update(m_render) & MPV_RENDER_UPDATE_FRAME))
        update();
}
