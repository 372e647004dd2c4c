// The web page of the playlist, line for line, over files written here:
// the three forms, tags read per entry, and texts that must not break the
// page.
#include "support/TestEnv.h"

#include "playlist/HtmlPage.h"

#include <QDir>
#include <QtTest>

namespace {

const QByteArray kHead2 =
    "<table width='100%'><tr><td style='text-align: center;background-color: #B5B5B5;'>"
    "<font  face='Arial, Helvetica, sans-serif' color='white'><b>Playlist</b></font></td></tr>"
    "</table>\r\n"
    "<font face='Arial, Helvetica, sans-serif'><ol>\r\n";
const QByteArray kTail = "</ol></font></body></html>\r\n";

QByteArray head(const QByteArray& refresh) {
    return "<html><head><title>Vell Jukora Playlist</title><META HTTP-EQUIV='refresh' "
           "CONTENT='30;URL=" +
           refresh + "'></head><body>\r\n" + kHead2;
}

QByteArray field(const QByteArray& value, int width, char pad) {
    QByteArray f = value.left(width);
    f.append(width - f.size(), pad);
    return f;
}

// A small media file with a tag at its end.
void writeTagged(const QString& path, const QByteArray& title, const QByteArray& artist,
                 char pad = '\0') {
    writeBytes(path, QByteArray(72, '\x42') + "TAG" + field(title, 30, pad) +
                         field(artist, 30, pad) + field("Album", 30, pad) + "2001" +
                         field("", 30, pad) + char(17));
}

QByteArray entryLines(const QByteArray& target, const QByteArray& text, const QByteArray& artist,
                      const QByteArray& title) {
    return "<li><b><a href='" + target + "'>" + text +
           "</a></b><br/>\r\nID3 Info - Artist: " + artist + " Title: " + title + "</li>\r\n";
}

} // namespace

class TestHtmlPage : public QObject {
    Q_OBJECT
private slots:
    void emptyList();
    void threeForms();
    void untaggedAfterTagged();
    void tagPaddingKept();
    void textsAreEscaped();
    void relativeLinksStayLinks();
    void refreshAddress();
    void addressesAndLatin1Tags();
    void writeFailures();
};

void TestHtmlPage::emptyList() {
    TestEnv env;
    const QString page = env.path("list.html");
    QVERIFY(HtmlPage::write(page, {}, false, false));
    QCOMPARE(readBytes(page), head(page.toUtf8()) + kTail);
    QCOMPARE(HtmlPage::render({}, "x.htm", true, true), head("x.htm") + kTail);
}

void TestHtmlPage::threeForms() {
    TestEnv env;
    QDir().mkpath(env.path("Music"));
    const QString a = env.path("Music/Song.mp3");
    const QString b = env.path("Music/Track 2.mp3");
    writeTagged(a, "Song", "Band");
    writeTagged(b, "Second", "Other Band");
    const QByteArray music = env.path("Music").toUtf8();
    const QString page = env.path("Music/list.htm");

    QVERIFY(HtmlPage::write(page, {a, b}, false, false));
    QCOMPARE(
        readBytes(page),
        head(page.toUtf8()) +
            entryLines("file://" + music + "/Song.mp3", a.toUtf8(), "Band", "Song") +
            entryLines("file://" + music + "/Track%202.mp3", b.toUtf8(), "Other Band", "Second") +
            kTail);

    QVERIFY(HtmlPage::write(page, {a, b}, true, false));
    QCOMPARE(readBytes(page),
             head(page.toUtf8()) + entryLines("Song.mp3", "Song.mp3", "Band", "Song") +
                 entryLines("Track 2.mp3", "Track 2.mp3", "Other Band", "Second") + kTail);

    QVERIFY(HtmlPage::write(page, {a, b}, true, true));
    QCOMPARE(readBytes(page),
             head(page.toUtf8()) + entryLines("0001-Song.mp3", "0001-Song.mp3", "Band", "Song") +
                 entryLines("0002-Track 2.mp3", "0002-Track 2.mp3", "Other Band", "Second") +
                 kTail);
}

void TestHtmlPage::untaggedAfterTagged() {
    TestEnv env;
    const QString tagged = env.path("tagged.mp3");
    const QString plain = env.path("plain.mp3");
    writeTagged(tagged, "Song", "Band");
    writeBytes(plain, QByteArray(400, '\x42'));
    const QByteArray page =
        HtmlPage::render({tagged, plain, env.path("missing.mp3"), tagged}, "p.html", true, false);
    // Each entry gets a fresh record: no tag gives empty artist and title.
    QCOMPARE(page, head("p.html") + entryLines("tagged.mp3", "tagged.mp3", "Band", "Song") +
                       entryLines("plain.mp3", "plain.mp3", "", "") +
                       entryLines("missing.mp3", "missing.mp3", "", "") +
                       entryLines("tagged.mp3", "tagged.mp3", "Band", "Song") + kTail);
    QVERIFY(!page.contains('\0'));
}

void TestHtmlPage::tagPaddingKept() {
    TestEnv env;
    const QString spaces = env.path("spaces.mp3");
    const QString inner = env.path("inner.mp3");
    writeTagged(spaces, "Song", "Band", ' ');
    // A value cut short by a NUL ends there, whatever follows it.
    writeTagged(inner, QByteArray("Song\0junk", 9), QByteArray("Band \0x", 7));
    QCOMPARE(
        HtmlPage::render({spaces, inner}, "p.htm", true, false),
        head("p.htm") +
            entryLines("spaces.mp3", "spaces.mp3", field("Band", 30, ' '), field("Song", 30, ' ')) +
            entryLines("inner.mp3", "inner.mp3", "Band ", "Song") + kTail);
}

void TestHtmlPage::textsAreEscaped() {
    TestEnv env;
    const QString folder = env.path("Rock & Roll");
    QDir().mkpath(folder);
    const QString song = folder + "/It's <live> \"1\".mp3";
    writeTagged(song, "It's <b>", "Tom & \"Jerry\"");
    const QString page = env.path("It's <page>.html");

    QVERIFY(HtmlPage::write(page, {song}, false, false));
    const QByteArray full = readBytes(page);
    const QByteArray dir = env.path("").toUtf8();
    QCOMPARE(full, head(env.path("").toUtf8() + "It&#39;s &lt;page&gt;.html") +
                       entryLines("file://" + dir +
                                      "Rock%20&amp;%20Roll/It&#39;s%20%3Clive%3E%20%221%22.mp3",
                                  dir + "Rock &amp; Roll/It&#39;s &lt;live&gt; &quot;1&quot;.mp3",
                                  "Tom &amp; &quot;Jerry&quot;", "It&#39;s &lt;b&gt;") +
                       kTail);
    QVERIFY(!full.contains('\0'));

    QVERIFY(HtmlPage::write(page, {song}, true, true));
    const QByteArray relative = readBytes(page);
    QVERIFY(relative.contains(entryLines("0001-It&#39;s &lt;live&gt; &quot;1&quot;.mp3",
                                         "0001-It&#39;s &lt;live&gt; &quot;1&quot;.mp3",
                                         "Tom &amp; &quot;Jerry&quot;", "It&#39;s &lt;b&gt;")));
    QVERIFY(!relative.contains('\0'));
}

void TestHtmlPage::relativeLinksStayLinks() {
    // Characters that would cut a relative address short are encoded in the
    // link, not in the text.
    QCOMPARE(HtmlPage::render({"/m/Song #1?.mp3", "/m/50% off: live\\.mp3"}, "p.html", true, false),
             head("p.html") + entryLines("Song %231%3F.mp3", "Song #1?.mp3", "", "") +
                 entryLines("50%25 off%3A live%5C.mp3", "50% off: live\\.mp3", "", "") + kTail);
}

void TestHtmlPage::refreshAddress() {
    // The page's own path as the user gave it, escaped.
    QVERIFY(HtmlPage::render({}, "list.html", false, false).startsWith(head("list.html")));
    QVERIFY(HtmlPage::render({}, "/home/u/a'b&c.htm", false, false)
                .startsWith(head("/home/u/a&#39;b&amp;c.htm")));
}

void TestHtmlPage::addressesAndLatin1Tags() {
    TestEnv env;
    const QString song = env.path(QStringLiteral("Ärger.mp3"));
    writeTagged(song, "Caf\xE9", "Bj\xF6rk");
    const QByteArray page =
        HtmlPage::render({song, "http://radio.example/live?a=1&b=2"}, "p.html", false, false);
    QCOMPARE(page, head("p.html") +
                       entryLines("file://" + env.path("").toUtf8() + "%C3%84rger.mp3",
                                  song.toUtf8(), "Bj\xC3\xB6rk", "Caf\xC3\xA9") +
                       entryLines("http://radio.example/live?a=1&amp;b=2",
                                  "http://radio.example/live?a=1&amp;b=2", "", "") +
                       kTail);
}

void TestHtmlPage::writeFailures() {
    TestEnv env;
    QVERIFY(!HtmlPage::write(env.path("no/such/folder/p.html"), {}, false, false));
    const QString locked = env.path("locked.html");
    writeBytes(locked, "old page");
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner));
    QVERIFY(!HtmlPage::write(locked, {"/m/a.mp3"}, false, false));
    QCOMPARE(readBytes(locked), QByteArray("old page"));
}

QTEST_GUILESS_MAIN(TestHtmlPage)
#include "test_htmlpage.moc"
