#include "MpvLibrary.h"

#include <QFile>
#include <QLibrary>
#include <QSet>
#include <QThreadPool>

#include <cstdio>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#include <unistd.h>
#endif

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

#ifdef Q_OS_LINUX
namespace {

// The files mapped into the process.
QSet<QByteArray> mappedFiles() {
    QSet<QByteArray> files;
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return files;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const qsizetype slash = line.indexOf('/');
        if (slash > 0)
            files.insert(line.mid(slash));
    }
    return files;
}

// Gives back the pages of the files mapped since `before` that the process
// holds only as the files' own pages, in read-only mappings: code and data
// that loading read but did not write (relocated pages are copies of the
// process's own and stay). They stay in the page cache, and the first song
// brings back what it needs at the cost of a minor fault.
void releaseCleanPages(const QSet<QByteArray>& before) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    QFile pagemap(QStringLiteral("/proc/self/pagemap"));
    if (!maps.open(QIODevice::ReadOnly) || !pagemap.open(QIODevice::ReadOnly))
        return;
    const quintptr page = quintptr(sysconf(_SC_PAGESIZE));
    constexpr quint64 kPresent = quint64(1) << 63;
    constexpr quint64 kFilePage = quint64(1) << 61;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        // "start-end perms offset device inode path"
        const QList<QByteArray> fields = line.simplified().split(' ');
        const qsizetype slash = line.indexOf('/');
        if (fields.size() < 6 || slash < 0 || fields.at(1).size() != 4 ||
            fields.at(1).at(1) == 'w' || before.contains(line.mid(slash)))
            continue;
        const QList<QByteArray> range = fields.at(0).split('-');
        const quintptr start = quintptr(range.value(0).toULongLong(nullptr, 16));
        const quintptr end = quintptr(range.value(1).toULongLong(nullptr, 16));
        if (end <= start || !pagemap.seek(qint64(start / page) * 8))
            continue;
        const QByteArray entries = pagemap.read(qint64((end - start) / page) * 8);
        const auto* e = reinterpret_cast<const quint64*>(entries.constData());
        const qsizetype n = entries.size() / 8;
        qsizetype run = -1;
        for (qsizetype i = 0; i <= n; ++i) {
            const bool drop = i < n && (e[i] & kPresent) && (e[i] & kFilePage);
            if (drop && run < 0)
                run = i;
            if (!drop && run >= 0) {
                madvise(reinterpret_cast<void*>(start + quintptr(run) * page),
                        size_t(i - run) * page, MADV_DONTNEED);
                run = -1;
            }
        }
    }
}

} // namespace
#endif

void preloadMpv() {
    QThreadPool::globalInstance()->start([] {
#ifdef Q_OS_LINUX
        // Loading maps some two hundred libraries and reads far more of them
        // than playing needs; an idle program keeps only what it wrote.
        const QSet<QByteArray> before = mappedFiles();
        loaded();
        releaseCleanPages(before);
#else
        loaded();
#endif
    });
}
