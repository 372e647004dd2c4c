#include "engine/MpvLibrary.h"

#include <QLibrary>
#include <QThreadPool>

#include <cstdio>

namespace {

struct Loaded {
    MpvLibrary api{};
    bool ok = false;
    QString error;
};

template <typename F> bool resolve(QLibrary& library, F& slot, const char* name, QString& error) {
    slot = reinterpret_cast<F>(library.resolve(name));
    if (!slot && error.isEmpty())
        error = QStringLiteral("%1: %2 is missing").arg(library.fileName(), QLatin1String(name));
    return slot != nullptr;
}

Loaded load() {
    Loaded l;
    // JUKORA_MPV_LIBRARY names another build of the library to use. Else the
    // library of the client API this program is written for (major version
    // 2), then the older one with the same calls, then any.
    const QString chosen = qEnvironmentVariable("JUKORA_MPV_LIBRARY");
    QLibrary library;
    bool opened = false;
    if (!chosen.isEmpty()) {
        library.setFileName(chosen);
        opened = library.load();
        l.error = library.errorString();
    } else {
        for (int version : {2, 1, -1}) {
            library.setFileNameAndVersion(QStringLiteral("mpv"), version);
            opened = library.load();
            if (opened)
                break;
            if (l.error.isEmpty())
                l.error = library.errorString();
        }
    }
    if (!opened)
        return l;
    l.error.clear();
    QString& e = l.error;
    MpvLibrary& a = l.api;
    bool ok = resolve(library, a.create, "mpv_create", e);
    ok &= resolve(library, a.set_option_string, "mpv_set_option_string", e);
    ok &= resolve(library, a.initialize, "mpv_initialize", e);
    ok &= resolve(library, a.terminate_destroy, "mpv_terminate_destroy", e);
    ok &= resolve(library, a.set_wakeup_callback, "mpv_set_wakeup_callback", e);
    ok &= resolve(library, a.wait_event, "mpv_wait_event", e);
    ok &= resolve(library, a.observe_property, "mpv_observe_property", e);
    ok &= resolve(library, a.command_async, "mpv_command_async", e);
    ok &= resolve(library, a.get_property_async, "mpv_get_property_async", e);
    ok &= resolve(library, a.set_property_async, "mpv_set_property_async", e);
    ok &= resolve(library, a.render_context_create, "mpv_render_context_create", e);
    ok &= resolve(library, a.render_context_free, "mpv_render_context_free", e);
    ok &= resolve(library, a.render_context_render, "mpv_render_context_render", e);
    ok &= resolve(library, a.render_context_set_update_callback,
                  "mpv_render_context_set_update_callback", e);
    ok &= resolve(library, a.render_context_update, "mpv_render_context_update", e);
    // The library stays loaded for the rest of the run: QLibrary does not
    // unload it when this object goes.
    l.ok = ok;
    return l;
}

const Loaded& loaded() {
    static const Loaded l = [] {
        Loaded r = load();
        if (!r.ok)
            std::fprintf(stderr, "jukora: the media library could not be loaded (%s)\n",
                         qPrintable(r.error));
        return r;
    }();
    return l;
}

} // namespace

const MpvLibrary* mpvLibrary() {
    const Loaded& l = loaded();
    return l.ok ? &l.api : nullptr;
}

void preloadMpv() {
    QThreadPool::globalInstance()->start([] { loaded(); });
}
