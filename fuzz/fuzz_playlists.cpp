// Any bytes as a PLS list, an M3U list and a settings file. Beside the
// sanitizers' own checks: no entry holds a control character or is longer
// than a path can be, and what is read is what the writer's file gives back.
#include "core/playlist/M3uFormat.h"
#include "core/playlist/PathNames.h"
#include "core/playlist/PlsFormat.h"
#include "core/settings/ProfileString.h"

#include <QByteArray>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_playlists: %s\n", what);
        std::abort();
    }
}

void requireEntries(const QStringList& entries, int maxEntries) {
    require(entries.size() <= maxEntries, "more entries than asked for");
    for (const QString& e : entries)
        require(PathNames::isAcceptableEntry(e), "an entry that cannot be one");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    constexpr int kMax = 200;

    const QStringList pls = PlsFormat::parse(bytes, kMax);
    requireEntries(pls, kMax);
    require(PlsFormat::parse(PlsFormat::render(pls, false, false), kMax) == pls,
            "a PLS list that does not read back");
    PlsFormat::render(pls, true, true);
    // Any texts at all as entries: when the writer says they read back as
    // they are, they do.
    const QStringList texts =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(data), qsizetype(size / 2))
            .split(u'\n');
    bool asTheyAre = false;
    const QByteArray written = PlsFormat::render(texts, false, false, &asTheyAre);
    require(!asTheyAre || PlsFormat::parse(written) == texts,
            "a list said to read back as it is that does not");

    const QString list = QStringLiteral("/lists/x.m3u");
    const QStringList m3u = M3uFormat::parse(bytes, list, kMax);
    requireEntries(m3u, kMax);
    require(M3uFormat::parse(M3uFormat::render(m3u, false, false), list, kMax) == m3u,
            "an M3U list that does not read back");

    ProfileStringFile ini(QString{});
    ini.parse(bytes);
    const QString loop = ini.value(QStringLiteral("Jukora"), QStringLiteral("Loop"));
    // Any text as a value comes back as one trimmed line, and the other
    // keys keep theirs.
    const QString value = QString::fromUtf8(bytes.left(80));
    ini.setValue(QStringLiteral("Jukora"), QStringLiteral("Mask"), value);
    ProfileStringFile again(QString{});
    again.parse(ini.bytes());
    QString expected = value;
    expected.replace(u'\r', u' ').replace(u'\n', u' ');
    require(again.value(QStringLiteral("Jukora"), QStringLiteral("Mask")) == expected.trimmed(),
            "a settings value that does not read back");
    require(again.value(QStringLiteral("Jukora"), QStringLiteral("Loop")) == loop,
            "a settings value changed by writing another");
    return 0;
}
