// Any texts as the entries of the playlist's web page. The first byte picks
// the page's form (bit 0 relative, bit 1 numbered), bit 2 reads the rest as
// UTF-16 instead of UTF-8 and bit 3 takes the first text as the page's own
// path; the texts are the lines of the rest. Beside the sanitizers' own
// checks, the page is walked as the writer lays it out: valid UTF-8, every
// text of an entry or a tag escaped (no raw < > ' " and no & but a
// character reference), each one reading back as what was shown, and links
// only to files and web addresses, or relative ones without a scheme.
#include "core/playlist/HtmlPage.h"
#include "core/playlist/PathNames.h"
#include "core/tags/SongTags.h"

#include <QByteArray>
#include <QStringDecoder>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The page reads each entry's tags; here they are the entry's own text, so
// that no file is opened and the tags are as odd as the entries.
Tags::SongTags Tags::readSongTags(const QString& path) {
    SongTags t;
    t.source = SongTags::Source::Other;
    t.artist = path;
    t.title = path.mid(path.size() / 2);
    return t;
}

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_html: %s\n", what);
        std::abort();
    }
}

// Texts as the list holds them: no surrogate without its other half, as
// every way into the list refuses one (UTF-8 would write it as a "?", which
// in a relative link starts a query).
QString asInList(QString text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

// A text as the page holds it: without NULs, and as UTF-8 gives it back (a
// lone surrogate is replaced).
QString asOnPage(QString text) {
    return QString::fromUtf8(text.remove(QChar(0)).toUtf8());
}

// Walks the page from the start.
class Page {
public:
    explicit Page(const QString& text) : m_text(text) {}

    // The literal markup that comes next.
    void expect(QLatin1StringView markup) {
        require(m_text.sliced(m_at).startsWith(markup), "markup missing from the page");
        m_at += markup.size();
    }
    bool skip(QLatin1StringView markup) {
        if (!m_text.sliced(m_at).startsWith(markup))
            return false;
        m_at += markup.size();
        return true;
    }
    // The escaped text up to the next character of markup (< or '), read
    // back.
    QString text() {
        QString out;
        while (m_at < m_text.size() && m_text[m_at] != u'<' && m_text[m_at] != u'\'') {
            const QChar c = m_text[m_at++];
            require(c != u'>' && c != u'"', "a raw > or \" in a text");
            if (c != u'&') {
                out += c;
                continue;
            }
            static const std::pair<QLatin1StringView, char16_t> kReferences[] = {
                {QLatin1StringView("amp;"), u'&'},  {QLatin1StringView("lt;"), u'<'},
                {QLatin1StringView("gt;"), u'>'},   {QLatin1StringView("#39;"), u'\''},
                {QLatin1StringView("quot;"), u'"'},
            };
            bool known = false;
            for (const auto& [name, character] : kReferences) {
                if (skip(name)) {
                    out += QChar(character);
                    known = true;
                    break;
                }
            }
            require(known, "a raw & in a text");
        }
        return out;
    }
    bool atEnd() const { return m_at == m_text.size(); }

private:
    const QString& m_text;
    qsizetype m_at = 0;
};

bool isLink(const QString& target) {
    for (const char* scheme : {"file:", "http:", "https:"}) {
        if (target.startsWith(QLatin1StringView(scheme)))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const bool relative = data[0] & 1, addSequence = data[0] & 2, utf16 = data[0] & 4,
               ownPath = data[0] & 8;
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const QString all = utf16 ? asInList(QString::fromUtf16(reinterpret_cast<const char16_t*>(rest),
                                                            qsizetype((size - 1) / 2)))
                              : QString::fromUtf8(rest, qsizetype(size - 1));
    const QStringList entries = all.split(u'\n');
    const QString pagePath = ownPath ? entries.first() : QStringLiteral("/lists/page.html");

    const QByteArray bytes = HtmlPage::render(entries, pagePath, relative, addSequence);
    QStringDecoder decode(QStringDecoder::Utf8);
    const QString text = decode(bytes);
    require(!decode.hasError(), "a page that is not UTF-8");
    require(!bytes.contains('\0'), "a NUL in the page");

    Page page(text);
    page.expect(QLatin1StringView("<html><head><title>Vell Jukora Playlist</title>"
                                  "<META HTTP-EQUIV='refresh' CONTENT='30;URL="));
    require(isLink(page.text()), "a reload that is no file's address");
    page.expect(QLatin1StringView(
        "'></head><body>\r\n<table width='100%'><tr><td style='text-align: center;"
        "background-color: #B5B5B5;'><font  face='Arial, Helvetica, sans-serif' "
        "color='white'><b>Playlist</b></font></td></tr></table>\r\n"
        "<font face='Arial, Helvetica, sans-serif'><ol>\r\n"));
    int n = 0;
    for (const QString& e : entries) {
        ++n;
        const QString entry = PathNames::lineSafe(e);
        page.expect(QLatin1StringView("<li><b>"));
        QString target;
        const bool linked = page.skip(QLatin1StringView("<a href='"));
        if (linked) {
            target = page.text();
            page.expect(QLatin1StringView("'>"));
        }
        const QString shown = page.text();
        if (linked)
            page.expect(QLatin1StringView("</a>"));
        page.expect(QLatin1StringView("</b><br/>\r\nID3 Info - Artist: "));
        const QString tags = page.text();
        page.expect(QLatin1StringView("</li>\r\n"));

        require(!PathNames::hasControl(shown) && !PathNames::hasControl(target),
                "a control character in an entry's line");
        if (!relative) {
            require(shown == asOnPage(entry), "an entry shown as another text");
            require(!linked || isLink(target), "a link that is no file or web address");
        } else {
            QString name = PathNames::fileName(entry);
            if (addSequence)
                name = PathNames::sequenceNumber(n) + u'-' + name;
            require(shown == asOnPage(name), "a file name shown as another text");
            require(linked == !shown.isEmpty(), "a file name without its link");
            require(!target.contains(u':') && !target.contains(u'#') && !target.contains(u'?'),
                    "a relative link that is not one");
        }
        require(tags == asOnPage(e + QLatin1StringView(" Title: ") + e.mid(e.size() / 2)),
                "tags shown as other texts");
    }
    page.expect(QLatin1StringView("</ol></font></body></html>\r\n"));
    require(page.atEnd(), "more after the page's end");
    return 0;
}
