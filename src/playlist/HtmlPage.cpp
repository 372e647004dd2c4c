#include "HtmlPage.h"

#include "M3uFormat.h"
#include "PathNames.h"
#include "platform/TextFile.h"
#include "tags/SongTags.h"

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

// The address a full-path entry links to.
QString fullAddress(const QString& entry) {
    const QString path = M3uFormat::absoluteEntry(entry);
    if (path.startsWith(u'/'))
        return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    if (M3uFormat::hasScheme(path)) {
        const QUrl url(path);
        if (url.isValid())
            return url.toString(QUrl::FullyEncoded);
    }
    return path;
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
    QString out;
    qsizetype estimate = 512;
    for (const QString& e : entries)
        estimate += e.size() * 3 + 140;
    out.reserve(estimate);
    out += QLatin1String("<html><head><title>Vell Jukora Playlist</title>"
                         "<META HTTP-EQUIV='refresh' CONTENT='30;URL=");
    appendEscaped(out, pagePath);
    out += QLatin1String("'></head><body>\r\n"
                         "<table width='100%'><tr><td style='text-align: center;"
                         "background-color: #B5B5B5;'><font  face='Arial, Helvetica, "
                         "sans-serif' color='white'><b>Playlist</b></font></td></tr></table>\r\n"
                         "<font face='Arial, Helvetica, sans-serif'><ol>\r\n");
    int n = 0;
    for (const QString& entry : entries) {
        ++n;
        const Tags::SongTags tag = Tags::readSongTags(entry);
        QString text;
        QString target;
        if (!relative) {
            text = entry;
            target = fullAddress(entry);
        } else {
            text = PathNames::fileName(entry);
            if (addSequence)
                text = PathNames::sequenceNumber(n) + u'-' + text;
            target = relativeAddress(text);
        }
        out += QLatin1String("<li><b><a href='");
        appendEscaped(out, target);
        out += QLatin1String("'>");
        appendEscaped(out, text);
        out += QLatin1String("</a></b><br/>\r\nID3 Info - Artist: ");
        appendEscaped(out, tag.Artist);
        out += QLatin1String(" Title: ");
        appendEscaped(out, tag.Title);
        out += QLatin1String("</li>\r\n");
    }
    out += QLatin1String("</ol></font></body></html>\r\n");
    return out.toUtf8();
}

bool write(const QString& path, const QStringList& entries, bool relative, bool addSequence) {
    return TextFile::writeAtomically(path, render(entries, path, relative, addSequence));
}

} // namespace HtmlPage
