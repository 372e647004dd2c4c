#pragma once

#include <mpv/client.h>
#include <mpv/render.h>

// libmpv, opened at run time rather than linked: the decoder and the couple of
// hundred libraries it brings take longer to load than the rest of the
// program's start, and the main window does not need them. They are loaded
// beside the user-interface thread once the window is up (preloadMpv), or at
// the first song, whichever comes first.
struct MpvLibrary {
    decltype(&::mpv_create) create;
    decltype(&::mpv_set_option_string) set_option_string;
    decltype(&::mpv_initialize) initialize;
    decltype(&::mpv_terminate_destroy) terminate_destroy;
    decltype(&::mpv_set_wakeup_callback) set_wakeup_callback;
    decltype(&::mpv_wait_event) wait_event;
    decltype(&::mpv_observe_property) observe_property;
    decltype(&::mpv_command_async) command_async;
    decltype(&::mpv_get_property_async) get_property_async;
    decltype(&::mpv_set_property_async) set_property_async;
    decltype(&::mpv_render_context_create) render_context_create;
    decltype(&::mpv_render_context_free) render_context_free;
    decltype(&::mpv_render_context_render) render_context_render;
    decltype(&::mpv_render_context_set_update_callback) render_context_set_update_callback;
    decltype(&::mpv_render_context_update) render_context_update;
};

// The library with every function resolved, or nullptr when it could not be
// opened (the reason is written once to the error output). Loads it on the
// first call; a call while another thread loads it waits for that load.
const MpvLibrary* mpvLibrary();

// Starts loading the library on a worker thread.
void preloadMpv();
