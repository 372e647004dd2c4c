// The web page of the playlist, line for line, over files written here:
// the three forms, tags read per entry, and texts that must not break the
// page.
#include "support/TestEnv.h"

#include "playlist/HtmlPage.h"

#include <QDir>
#include <QtTest>

namespace {

const QByteArray kTail = "</ol></font></body></html>\r\n";

QByteArray head(const QByteArray& refresh) {
    return "<html><head><title>Vell Jukora Playlist</title><META HTTP-EQUIV='refresh' "
           "CONTENT='30;URL=" +
           refresh +
           "'></head><body>\r\n"
           "<table width='100%'><tr><td style='text-align: center;background-color: #B5B5B5;'>"
           "<font  face='Arial, Helvetica, sans-serif' color='white'><b>Playlist</b></font>"
           "</td></tr></table>\r\n"
           "<font face='Arial, Helvetica, sans-serif'><ol>\r\n";
}

// A small media file with a tag at its end.
void writeTagged(const QString& path, const QByteArray& title, const QByteArray& artist,
                 char pad = '\0') {
    writeBytes(path, QByteArray(72, '\x42') + id3v1Tag(title, artist, "2001", "", 17, pad));
}

QByteArray entry(const QByteArray& target, const QByteArray& text, const QByteArray& artist,
                 const QByteArray& title) {
    return "<li><b><a href='" + target + "'>" + text +
           "</a></b><br/>\r\nID3 Info - Artist: " + artist + " Title: " + title + "</li>\r\n";
}

// An entry of the file-name forms, whose link is its text.
QByteArray entry(const QByteArray& name, const QByteArray& artist, const QByteArray& title) {
    return entry(name, name, artist, title);
}

} // namespace

class TestHtmlPage : public QObject {
    Q_OBJECT
private slots:
    void threeForms();
    void tagsReadPerEntry();
    void textsAreEscaped();
    void onlyFilesAndWebAddressesAreLinks();
};

void TestHtmlPage::threeForms() {
    TestEnv env;
    QDir().mkpath(env.path("Music"));
    const QString a = env.path("Music/Song.mp3"), b = env.path(QStringLiteral("Music/Ärger 2.mp3"));
    writeTagged(a, "Song", "Band");
    writeTagged(b, "Second", "Bj\xF6rk"); // Latin-1 in the tag, UTF-8 in the page
    const QByteArray music = env.path("Music").toUtf8();
    const QString page = env.path("Music/list.htm");
    const QByteArray top = head("file://" + page.toUtf8());

    QVERIFY(HtmlPage::write(page, {a, b}, false, false));
    QCOMPARE(
        readBytes(page),
        top + entry("file://" + music + "/Song.mp3", a.toUtf8(), "Band", "Song") +
            entry("file://" + music + "/%C3%84rger%202.mp3", b.toUtf8(), "Bj\xC3\xB6rk", "Second") +
            kTail);
    QVERIFY(HtmlPage::write(page, {a, b}, true, false));
    QCOMPARE(readBytes(page), top + entry("Song.mp3", "Band", "Song") +
                                  entry("\xC3\x84rger 2.mp3", "Bj\xC3\xB6rk", "Second") + kTail);
    QVERIFY(HtmlPage::write(page, {a, b}, true, true));
    QCOMPARE(readBytes(page), top + entry("0001-Song.mp3", "Band", "Song") +
                                  entry("0002-\xC3\x84rger 2.mp3", "Bj\xC3\xB6rk", "Second") +
                                  kTail);
    QVERIFY(HtmlPage::write(page, {}, false, false));
    QCOMPARE(readBytes(page), top + kTail);
}

void TestHtmlPage::tagsReadPerEntry() {
    TestEnv env;
    const QString tagged = env.path("tagged.mp3"), plain = env.path("plain.mp3");
    const QString spaces = env.path("spaces.mp3"), inner = env.path("inner.mp3");
    writeTagged(tagged, "Song", "Band");
    writeBytes(plain, QByteArray(400, '\x42'));
    writeTagged(spaces, "Song", "Band", ' ');
    // A value cut short by a NUL ends there, whatever follows it.
    writeTagged(inner, QByteArray("Song\0junk", 9), QByteArray("Band \0x", 7));
    const QByteArray page = HtmlPage::render(
        {tagged, plain, env.path("missing.mp3"), spaces, inner}, "/p.html", true, false);
    // Each entry gets a fresh record: no tag gives empty artist and title;
    // blanks after a value stay.
    QCOMPARE(page, head("file:///p.html") + entry("tagged.mp3", "Band", "Song") +
                       entry("plain.mp3", "", "") + entry("missing.mp3", "", "") +
                       entry("spaces.mp3", tagField("Band", 30, ' '), tagField("Song", 30, ' ')) +
                       entry("inner.mp3", "Band ", "Song") + kTail);
}

void TestHtmlPage::textsAreEscaped() {
    TestEnv env;
    const QString folder = env.path("Rock & Roll");
    QDir().mkpath(folder);
    const QString song = folder + "/It's <live> \"1\".mp3";
    writeTagged(song, "It's <b>", "Tom & \"Jerry\"");
    const QString page = env.path("It's <a&b>.html");
    const QByteArray dir = env.path("").toUtf8();
    // The reload address is encoded, and escaped for the page.
    const QByteArray top = head("file://" + dir + "It&#39;s%20%3Ca&amp;b%3E.html");

    QVERIFY(HtmlPage::write(page, {song, "http://radio.example/live?a=1&b=2"}, false, false));
    QCOMPARE(readBytes(page),
             top +
                 entry("file://" + dir + "Rock%20&amp;%20Roll/It&#39;s%20%3Clive%3E%20%221%22.mp3",
                       dir + "Rock &amp; Roll/It&#39;s &lt;live&gt; &quot;1&quot;.mp3",
                       "Tom &amp; &quot;Jerry&quot;", "It&#39;s &lt;b&gt;") +
                 entry("http://radio.example/live?a=1&amp;b=2",
                       "http://radio.example/live?a=1&amp;b=2", "", "") +
                 kTail);
    QVERIFY(HtmlPage::write(page, {song}, true, true));
    QCOMPARE(readBytes(page), top +
                                  entry("0001-It&#39;s &lt;live&gt; &quot;1&quot;.mp3",
                                        "Tom &amp; &quot;Jerry&quot;", "It&#39;s &lt;b&gt;") +
                                  kTail);
    // Characters that would cut a relative address short are encoded in the
    // link, not in the text.
    QCOMPARE(HtmlPage::render({"/m/Song #1?.mp3", "/m/50% off: live\\.mp3"}, "/My #1 list?.html",
                              true, false),
             head("file:///My%20%231%20list%3F.html") +
                 entry("Song %231%3F.mp3", "Song #1?.mp3", "", "") +
                 entry("50%25 off%3A live%5C.mp3", "50% off: live\\.mp3", "", "") + kTail);
}

void TestHtmlPage::onlyFilesAndWebAddressesAreLinks() {
    // Any other scheme, and a path of another system, is plain text; a line
    // feed never reaches the page raw.
    const QStringList entries = {
        "javascript://%0Aalert(1)", "JavaScript://x",      "data://text/html,x", "vbscript://x",
        "C:\\Music\\a.mp3",         "HTTPS://x.example/a", "file:///m/a.mp3",    "/m/a\nb.mp3"};
    const auto plain = [](const QByteArray& text) {
        return "<li><b>" + text + "</b><br/>\r\nID3 Info - Artist:  Title: </li>\r\n";
    };
    QCOMPARE(HtmlPage::render(entries, "/p.html", false, false),
             head("file:///p.html") + plain("javascript://%0Aalert(1)") + plain("JavaScript://x") +
                 plain("data://text/html,x") + plain("vbscript://x") + plain("C:\\Music\\a.mp3") +
                 entry("https://x.example/a", "HTTPS://x.example/a", "", "") +
                 entry("file:///m/a.mp3", "file:///m/a.mp3", "", "") +
                 entry("file:///m/a%0Ab.mp3", "file:///m/a%0Ab.mp3", "", "") + kTail);
}

QTEST_GUILESS_MAIN(TestHtmlPage)
#include "test_htmlpage.moc"
