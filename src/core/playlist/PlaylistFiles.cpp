#include "core/playlist/PlaylistFiles.h"

#include "core/files/FolderWalk.h"
#include "core/playlist/HtmlPage.h"
#include "core/playlist/M3uFormat.h"
#include "core/playlist/PathNames.h"
#include "core/playlist/PlsFormat.h"

#include <QFileInfo>

#include <array>

namespace PlaylistFiles {

namespace {

// clang-format off
const std::array<Format, 3> kFormats = {{
    // name   endings           dialog filter                    reader           writer             in steps          beside a device copy
    {"PLS",  {"pls", nullptr}, "Playlist Files (*.pls)|*.pls", &PlsFormat::read, &PlsFormat::write, nullptr,          "playlist.pls"},
    {"M3U",  {"m3u", nullptr}, "Playlist Files (*.m3u)|*.m3u", &M3uFormat::read, &M3uFormat::write, nullptr,          "playlist.m3u"},
    {"HTML", {"htm", "html"},  "Web Page (*.html)|*.html",     nullptr,          &HtmlPage::write,  &HtmlPage::write, nullptr},
}};
// clang-format on

const QLatin1String kAllFiles("All Files (*.*)|*.*");

bool hasEnding(const Format& f, const QString& name) {
    for (const char* ending : f.endings) {
        if (ending && PathNames::endsWith(name, ending))
            return true;
    }
    return false;
}

} // namespace

std::span<const Format> formats() {
    return kFormats;
}

const Format* readableFormat(const QString& name) {
    for (const Format& f : kFormats) {
        if (f.read && hasEnding(f, name))
            return &f;
    }
    return nullptr;
}

const Format* writableFormat(const QString& name) {
    for (const Format& f : kFormats) {
        if (f.write && hasEnding(f, name))
            return &f;
    }
    return nullptr;
}

const Format* deviceFormat(const QString& choice) {
    for (const Format& f : kFormats) {
        if (f.deviceFile && choice == QLatin1String(f.name))
            return &f;
    }
    return nullptr;
}

QString openFilter() {
    QString filter = kAllFiles;
    for (const Format& f : kFormats) {
        if (f.read)
            filter += u'|' + QLatin1String(f.filter);
    }
    return filter;
}

QString saveFilter() {
    QString filter;
    for (const Format& f : kFormats) {
        if (f.write)
            filter += QLatin1String(f.filter) + u'|';
    }
    return filter + kAllFiles;
}

QString removeQuotes(QString name) {
    if (name.endsWith(u'"'))
        name.chop(1);
    if (name.startsWith(u'"'))
        name.remove(0, 1);
    return name;
}

bool isMediaName(QStringView name) {
    // Sound first, then pictures that move.
    static const char* const kEndings[] = {
        "mp3", "mp2",  "ogg", "oga", "opus", "flac", "wav", "wma", "m4a", "aac",
        "ape", "mpc",  "wv",  "aif", "aiff", "mka",  "mid", "mp4", "m4v", "mkv",
        "avi", "webm", "mov", "wmv", "mpg",  "mpeg", "flv", "3gp", "ts",  "ogv"};
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0)
        return false;
    const QStringView ending = name.sliced(dot + 1);
    for (const char* e : kEndings) {
        if (ending.compare(QLatin1StringView(e), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QStringList entriesFromNames(const QStringList& names, int room, int* leftOut) {
    QStringList out;
    int missed = 0;
    for (const QString& name : names) {
        const int left = room - int(out.size());
        if (const Format* f = readableFormat(name)) {
            if (left <= 0)
                continue;
            const QStringList read = f->read(name, left);
            if (out.isEmpty())
                out = read; // shares the list: no copy of 32,767 texts
            else
                out += read;
            continue;
        }
        if (!isMediaName(name) && QFileInfo(name).isDir()) {
            const FolderWalk::Result walked = FolderWalk::mediaFiles(name, left);
            out += walked.files;
            missed += walked.leftOut;
            continue;
        }
        const QString entry = PathNames::entryForLocalPath(name);
        if (entry.isEmpty())
            continue;
        if (left > 0)
            out.append(entry);
        else
            ++missed;
    }
    if (leftOut)
        *leftOut = missed;
    return out;
}

} // namespace PlaylistFiles
