// The web page of the playlist, line for line, over files written here: the
// three forms, each entry's tag, and texts that must not break the page;
// written step by step, and cancelled. What a tag gives is the core's
// (test_id3).
#include "support/TestEnv.h"

#include "core/playlist/HtmlPage.h"

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

QByteArray entry(const QByteArray& target, const QByteArray& text, const QByteArray& artist = "",
                 const QByteArray& title = "") {
    return "<li><b><a href='" + target + "'>" + text +
           "</a></b><br/>\r\nID3 Info - Artist: " + artist + " Title: " + title + "</li>\r\n";
}

} // namespace

class TestHtmlPage : public QObject {
    Q_OBJECT
private slots:
    void threeForms();
    void onlyFilesAndWebAddressesAreLinks();
    void stepsAndCancel();
};

void TestHtmlPage::threeForms() {
    TestEnv env;
    const QString folder = env.path("Rock & Roll");
    QDir().mkpath(folder);
    const QString a = folder + "/It's <live> \"1\".mp3",
                  b = folder + QStringLiteral("/Ärger 2.mp3");
    writeBytes(a, QByteArray(72, 'x') + id3v1Tag("It's <b>", "Tom & \"Jerry\""));
    writeBytes(b, QByteArray(72, 'x') + id3v1Tag("Second", "Bj\xF6rk")); // Latin-1 in the tag
    const QByteArray dir = env.path("").toUtf8();
    const QString page = env.path("It's <a&b>.html");
    // The reload address is encoded, and escaped for the page; texts are
    // escaped, links encoded; the address after a tagged entry has no tag.
    const QByteArray top = head("file://" + dir + "It&#39;s%20%3Ca&amp;b%3E.html");
    const QByteArray tagA = "Tom &amp; &quot;Jerry&quot;", titleA = "It&#39;s &lt;b&gt;";
    QCOMPARE(HtmlPage::render({a, b, "http://radio.example/live?a=1&b=2"}, page, false, false),
             top +
                 entry("file://" + dir + "Rock%20&amp;%20Roll/It&#39;s%20%3Clive%3E%20%221%22.mp3",
                       dir + "Rock &amp; Roll/It&#39;s &lt;live&gt; &quot;1&quot;.mp3", tagA,
                       titleA) +
                 entry("file://" + dir + "Rock%20&amp;%20Roll/%C3%84rger%202.mp3",
                       dir + "Rock &amp; Roll/\xC3\x84rger 2.mp3", "Bj\xC3\xB6rk", "Second") +
                 entry("http://radio.example/live?a=1&amp;b=2",
                       "http://radio.example/live?a=1&amp;b=2") +
                 kTail);
    // File names as their links, numbered or not.
    const QByteArray nameA = "It&#39;s &lt;live&gt; &quot;1&quot;.mp3";
    QCOMPARE(HtmlPage::render({a, b}, page, true, false),
             top + entry(nameA, nameA, tagA, titleA) +
                 entry("\xC3\x84rger 2.mp3", "\xC3\x84rger 2.mp3", "Bj\xC3\xB6rk", "Second") +
                 kTail);
    QCOMPARE(
        HtmlPage::render({a, b}, page, true, true),
        top + entry("0001-" + nameA, "0001-" + nameA, tagA, titleA) +
            entry("0002-\xC3\x84rger 2.mp3", "0002-\xC3\x84rger 2.mp3", "Bj\xC3\xB6rk", "Second") +
            kTail);
    QCOMPARE(HtmlPage::render({}, page, false, false), top + kTail);
    // Characters that would cut a relative address short are encoded in the
    // link, not in the text.
    QCOMPARE(HtmlPage::render({"/m/Song #1?.mp3", "/m/50% off: live\\.mp3"}, "/My #1 list?.html",
                              true, false),
             head("file:///My%20%231%20list%3F.html") + entry("Song %231%3F.mp3", "Song #1?.mp3") +
                 entry("50%25 off%3A live%5C.mp3", "50% off: live\\.mp3") + kTail);
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
                 entry("https://x.example/a", "HTTPS://x.example/a") +
                 entry("file:///m/a.mp3", "file:///m/a.mp3") +
                 entry("file:///m/a%0Ab.mp3", "file:///m/a%0Ab.mp3") + kTail);
}

void TestHtmlPage::stepsAndCancel() {
    // One step for each entry, and the same page; cancelled after an entry,
    // or after the last, it writes nothing and the old file stays.
    TestEnv env;
    const QString page = env.path("p.html");
    const QStringList entries = {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"};
    for (int stopAt : {0, 1, 3}) {
        QList<int> steps;
        std::atomic<bool> cancel = false;
        HtmlPage::Progress progress;
        progress.step = [&](int done) {
            steps << done;
            cancel = done == stopAt;
        };
        progress.cancel = &cancel;
        writeBytes(page, "old");
        QCOMPARE(HtmlPage::write(page, entries, true, true, progress), stopAt == 0);
        QCOMPARE(steps, QList<int>({1, 2, 3}).first(stopAt == 1 ? 1 : 3));
        QCOMPARE(readBytes(page),
                 stopAt ? QByteArray("old") : HtmlPage::render(entries, page, true, true));
    }
}

QTEST_GUILESS_MAIN(TestHtmlPage)
#include "test_htmlpage.moc"
