#include "core/playlist/HtmlPage.h"

#include "core/files/TextFile.h"
#include "core/playlist/M3uFormat.h"
#include "core/playlist/PathNames.h"
#include "core/tags/SongTags.h"

#include <QDir>
#include <QUrl>

namespace HtmlPage {

namespace {

void appendEscaped(QString& out, QStringView text) {
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'\'':
            out += QLatin1String("&#39;");
            break;
        case u'"':
            out += QLatin1String("&quot;");
            break;
        case 0: // never a NUL in the page
            break;
        default:
            out += c;
        }
    }
}

// The address a full-path entry links to: a local file, or a web address;
// empty for anything else (javascript:, data: and the like), which is shown
// as plain text.
QString fullAddress(const QString& entry) {
    const QString path = M3uFormat::absoluteEntry(entry);
    if (path.startsWith(u'/'))
        return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    if (!M3uFormat::hasScheme(path))
        return QString();
    const QUrl url(path);
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != QLatin1String("file") && scheme != QLatin1String("http") &&
                           scheme != QLatin1String("https")))
        return QString();
    return url.toString(QUrl::FullyEncoded);
}

// The page's own address for its reload, encoded so that "#" or "?" in its
// name do not cut it short.
QString pageAddress(const QString& pagePath) {
    const QString path =
        pagePath.startsWith(u'/') ? pagePath : PathNames::join(QDir::currentPath(), pagePath);
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
}

// A file name as a link relative to the page: the characters that would
// end the path part of an address or start a scheme are percent-encoded,
// the rest stays as it is.
QString relativeAddress(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (QChar c : name) {
        switch (c.unicode()) {
        case u'%':
            out += QLatin1String("%25");
            break;
        case u'#':
            out += QLatin1String("%23");
            break;
        case u'?':
            out += QLatin1String("%3F");
            break;
        case u':':
            out += QLatin1String("%3A");
            break;
        case u'\\':
            out += QLatin1String("%5C");
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

QString escaped(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    appendEscaped(out, text);
    return out;
}

QByteArray render(const QStringList& entries, const QString& pagePath, bool relative,
                  bool addSequence) {
    return *render(entries, pagePath, relative, addSequence, Progress());
}

std::optional<QByteArray> render(const QStringList& entries, const QString& pagePath, bool relative,
                                 bool addSequence, const Progress& progress) {
    QString out;
    qsizetype estimate = 512;
    for (const QString& e : entries)
        estimate += e.size() * 3 + 140;
    out.reserve(estimate);
    out += QLatin1String("<html><head><title>Vell Jukora Playlist</title>"
                         "<META HTTP-EQUIV='refresh' CONTENT='30;URL=");
    appendEscaped(out, pageAddress(pagePath));
    out += QLatin1String("'></head><body>\r\n"
                         "<table width='100%'><tr><td style='text-align: center;"
                         "background-color: #B5B5B5;'><font  face='Arial, Helvetica, "
                         "sans-serif' color='white'><b>Playlist</b></font></td></tr></table>\r\n"
                         "<font face='Arial, Helvetica, sans-serif'><ol>\r\n");
    int n = 0;
    for (const QString& text : entries) {
        if (progress.cancel && progress.cancel->load())
            return std::nullopt;
        ++n;
        const Tags::SongTags tag = Tags::readSongTags(text);
        const QString entry = PathNames::lineSafe(text);
        QString shown;
        QString target;
        if (!relative) {
            shown = entry;
            target = fullAddress(entry);
        } else {
            shown = PathNames::fileName(entry);
            if (addSequence)
                shown = PathNames::sequenceNumber(n) + u'-' + shown;
            target = relativeAddress(shown);
        }
        // Only a file or web address is a link; anything else is plain text.
        out += QLatin1String("<li><b>");
        if (!target.isEmpty()) {
            out += QLatin1String("<a href='");
            appendEscaped(out, target);
            out += QLatin1String("'>");
        }
        appendEscaped(out, shown);
        if (!target.isEmpty())
            out += QLatin1String("</a>");
        out += QLatin1String("</b><br/>\r\nID3 Info - Artist: ");
        appendEscaped(out, tag.artist);
        out += QLatin1String(" Title: ");
        appendEscaped(out, tag.title);
        out += QLatin1String("</li>\r\n");
        if (progress.step)
            progress.step(n);
    }
    out += QLatin1String("</ol></font></body></html>\r\n");
    return out.toUtf8();
}

bool write(const QString& path, const QStringList& entries, bool relative, bool addSequence) {
    return TextFile::writeAtomically(path, render(entries, path, relative, addSequence));
}

bool write(const QString& path, const QStringList& entries, bool relative, bool addSequence,
           const Progress& progress) {
    const std::optional<QByteArray> page = render(entries, path, relative, addSequence, progress);
    return page && !(progress.cancel && progress.cancel->load()) &&
           TextFile::writeAtomically(path, *page);
}

} // namespace HtmlPage
