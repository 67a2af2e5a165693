#include "KestrelUpdater/Interface/ReleaseNotesHtml.h"
#include "KestrelUpdater/Interface/ReleaseNotesView.h"

#include <QElapsedTimer>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace KestrelUpdater;

namespace {

const QString compact = QStringLiteral("<p style=\"margin-top:0; margin-bottom:0; margin-left:%1px\">");

QString item(int depth, const QString& text)
{
    return compact.arg(depth * 20) + text + "</p>";
}

TEST(ReleaseNotesHtml, RebuildsTheNotesInASmallVocabularyWhateverTheySpell)
{
    const QString zwsp(QChar(0x200B));
    const struct {
        const char* name;
        QString notes, html;
    } rows[] = {
        {"empty", "", ""},
        {"prose", "<p>Faster <b>sheets</b>, <i>new</i> <code>--flag</code></p>text",
         "<p>Faster <b>sheets</b>, <i>new</i> <code>--flag</code></p><p>text</p>"},
        {"synonyms", "<strong>a</strong><em>b</em><tt>c</tt>", "<p><b>a</b><i>b</i><code>c</code></p>"},
        {"attributes dropped",
         "<p style=\"font-size:900px\" onclick=\"x()\" class=c><span title=t>a</span></p><img src=/dev/zero>",
         "<p>a</p>"},
        {"headings", "<h1>Big</h1><h2>Less</h2><h5>Small</h5>", "<h3>Big</h3><h3>Less</h3><h4>Small</h4>"},
        {"line breaks", "<p>a<br>b<br/></p><br><br><p>c</p>", "<p>a<br>b<br></p><p>c</p>"},
        {"only https links",
         "<a href=\" https://example.org/a?b=1&amp;c=2 \">S</a> <a href=http://example.org>P</a> "
         "<a href=file:///etc/passwd>F</a> <a href=javascript:alert(1)>J</a> <a href=more.html>R</a> "
         "<a href=https:///nohost>N</a>",
         "<p><a href=\"https://example.org/a?b=1&amp;c=2\">S</a> P F J R N</p>"},
        {"a link around blocks", "<a href=https://e.org/><p>a</p><p>b</p></a>",
         "<p><a href=\"https://e.org/\">a</a></p><p><a href=\"https://e.org/\">b</a></p>"},
        {"an over-long link is text", "<a href=\"https://e.org/" + QString(3000, u'x') + "\">a</a>",
         "<p>a</p>"},
        {"a paragraph ends the formatting before it", "<b>a<p>b <i>c</i></p>d</b>",
         "<p><b>a</b></p><p>b <i>c</i></p><p>d</p>"},
        {"lists", "<ul><li>one</li><li>two<ol><li>x</li><li>y</li></ol></li></ul>",
         item(1, "• one") + item(1, "• two") + item(2, "1. x") + item(2, "2. y")},
        {"lists flatten past three levels",
         "<ul><li>a<ul><li>b<ul><li>c<ul><li>d<ul><li>e</li></ul></li></ul></li></ul></li></ul></li></ul>",
         item(1, "• a") + item(2, "◦ b") + item(3, "▪ c") + item(3, "▪ d") + item(3, "▪ e")},
        {"an empty item shows no marker", "<ul><li></li></ul><p>after</p>", "<p>after</p>"},
        {"tables become rows of text",
         "<table border=9><tr><th colspan=1000000>a</th><td rowspan=1000000>b</td></tr>"
         "<tr><td></td><td>c</td></tr></table><p>after</p>",
         item(0, "a · b") + item(0, "c") + "<p>after</p>"},
        {"other spellings of table tags", "<TABLE\n><Tr\t><TD\n>a<td/>b<td>c</ table>d",
         item(0, "a · b · c table&gt;d")},
        {"nested tables", QString("<table><tr><td>").repeated(24) + "x", item(0, "x")},
        {"tags with a space are text", "< table>< tr>\n< td>x",
         "<p>&lt; table&gt;&lt; tr&gt; &lt; td&gt;x</p>"},
        {"hidden",
         "<html><head><title>T</title><style>p{}</style></head><body><script>alert(1)</script><p>seen</p>",
         "<p>seen</p>"},
        {"comments and declarations", "<!DOCTYPE html><!-- c --><p>a</p><?pi x?>", "<p>a</p>"},
        {"preformatted", "<pre>a\n  b</pre>c", item(0, "<code>a<br> b</code>") + "<p>c</p>"},
        {"no-break spaces", "<p>a&nbsp;b\u00A0c\u202Fd\u2007e</p>", "<p>a b c d e</p>"},
        {"control and direction characters",
         "<p>a\u202Egpj.exe\u2066\u200B\u2060\u00AD\uFFFCb\u0007\u200Dc</p>", "<p>agpj.exeb\u200Dc</p>"},
        {"whitespace collapses", "  <p>\n a \t\n b </p>\n  ", "<p>a b</p>"},
        {"a long word gets places to break", "<p>" + QString(130, u'x') + "</p>",
         "<p>" + QString(64, u'x') + zwsp + QString(64, u'x') + zwsp + "xx</p>"},
        {"a wide character counts once", "<p>" + QString::fromUtf8("\U00020000").repeated(65) + "</p>",
         "<p>" + QString::fromUtf8("\U00020000").repeated(64) + zwsp + QString::fromUtf8("\U00020000") +
             "</p>"},
        {"deep nesting within the parser's depth flattens", QString("<div>").repeated(200) + "x", "<p>x</p>"},
    };
    for (const auto& row : rows) {
        const std::optional<QString> html = releaseNotesHtml(row.notes);
        ASSERT_TRUE(html) << row.name;
        EXPECT_EQ(html->toStdString(), row.html.toStdString()) << row.name;
    }
}

TEST(ReleaseNotesHtml, NotesTooLargeOrNestedPastTheParsersDepthArePlainTextCutAndCleaned)
{
    const QString notTooLarge = "<p>" + QString("word ").repeated(ReleaseNotesLimits::maximumSize / 5 - 2);
    EXPECT_TRUE(releaseNotesHtml(notTooLarge));
    for (const QString& notes :
         {notTooLarge.leftJustified(ReleaseNotesLimits::maximumSize + 1, u'x'),
          QString("<div>").repeated(100'000) + "x", QString("<b>").repeated(1000) + "x",
          QString("<table><tr><td>").repeated(3000) + "x",
          QString("<table></b><tr><td></i>").repeated(3000) + "x"})
        EXPECT_FALSE(releaseNotesHtml(notes)) << notes.left(30).toStdString();
    // Rebuilt notes may not grow far past what the feed sent (a long link repeated in every paragraph), nor
    // hold more paragraphs and line breaks than the view lays out quickly.
    const auto linked = [](int paragraphs) {
        return "<a href=\"https://e.org/" + QString(2000, u'x') + "\">" +
               QString("<p>a</p>").repeated(paragraphs);
    };
    EXPECT_TRUE(releaseNotesHtml(linked(50)));
    EXPECT_FALSE(releaseNotesHtml(linked(100)));
    const int lines = ReleaseNotesLimits::maximumLines;
    EXPECT_TRUE(releaseNotesHtml(QString("<li>x").repeated(lines)));
    EXPECT_FALSE(releaseNotesHtml(QString("<li>x").repeated(lines + 1)));
    EXPECT_TRUE(releaseNotesHtml("<p>" + QString("x<br>").repeated(lines - 1)));
    EXPECT_FALSE(releaseNotesHtml("<p>" + QString("x<br>").repeated(lines)));

    const QString plain = releaseNotesPlainText("<p>a\u202E\u00A0b\nc</p>" + QString(100'000, u'x'));
    EXPECT_TRUE(plain.startsWith("<p>a b\nc</p>xxx"));
    EXPECT_TRUE(plain.endsWith("\n…"));
    EXPECT_FALSE(plain.contains(QString(65, u'x')));
    // Halves of characters are dropped, whole ones kept.
    const QString wide = QString::fromUtf8("\U0001F600");
    EXPECT_EQ(releaseNotesPlainText("a" + QString(QChar(0xDC00)) + "b" + wide + QChar(0xD800)), "ab" + wide);
    EXPECT_LE(plain.size(), ReleaseNotesLimits::maximumPlainTextSize * 65 / 64 + 2);
    const QString manyLines = releaseNotesPlainText(QString("x\n").repeated(ReleaseNotesLimits::maximumSize));
    EXPECT_EQ(manyLines.count(u'\n'), ReleaseNotesLimits::maximumLines); // the last line break is before "…"
    EXPECT_TRUE(manyLines.contains("x x x"));
}

TEST(ReleaseNotesHtml, StacksOfMarksAndFloodsOfPictographsAreCutSoTheViewLaysThemOutQuickly)
{
    const QString acute(QChar(0x0301));
    const QString thumb = QString::fromUtf8("\U0001F44D"), star(QChar(0x2B50)),
                  keycap = QString::fromUtf8("1\u20E3");
    const int marks = ReleaseNotesLimits::maximumMarksInARow,
              pictographs = ReleaseNotesLimits::maximumPictographs;
    const struct {
        const char* name;
        QString notes, kept;
    } rows[] = {
        {"a stack of marks", "a" + acute.repeated(5000), "a" + acute.repeated(marks)},
        {"marks on every character are text", ("e" + acute.repeated(2) + " ").repeated(3) + "x",
         ("e" + acute.repeated(2) + " ").repeated(3) + "x"},
        {"a chain of joiners", "a" + QString(QChar(0x200D)).repeated(5000),
         "a" + QString(QChar(0x200D)).repeated(marks)},
        {"a space ends a stack", "a" + acute.repeated(marks) + " " + acute.repeated(marks),
         "a" + acute.repeated(marks) + " " + acute.repeated(marks)},
        {"a flood of pictographs", (thumb + star).repeated(1000), (thumb + star).repeated(pictographs / 2)},
        {"keycaps", keycap.repeated(1000),
         keycap.repeated(pictographs) + QString("1").repeated(1000 - pictographs)},
        {"box drawing is no pictograph", QString(QChar(0x2500)).repeated(1000),
         QString(QChar(0x2500)).repeated(1000)},
    };
    const QString zwsp(QChar(0x200B));
    for (const auto& row : rows) {
        const std::optional<QString> html = releaseNotesHtml("<p>" + row.notes);
        ASSERT_TRUE(html) << row.name;
        EXPECT_EQ(QString(*html).remove(zwsp).remove("<p>").remove("</p>").toStdString(),
                  row.kept.toStdString())
            << row.name;
        EXPECT_EQ(releaseNotesPlainText(row.notes).remove(zwsp).toStdString(), row.kept.toStdString())
            << row.name;
    }
}

TEST(ReleaseNotesHtml, TheParserWritesNothingToTheErrorStream)
{
    fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    dup2(pipeEnds[1], STDERR_FILENO);
    releaseNotesHtml("<p>bad</b><i>x</p></x>&bogus; <a href=\"x\"y><</p>");
    releaseNotesHtml(QString("<b>").repeated(1000));
    fflush(stderr);
    dup2(saved, STDERR_FILENO);
    ::close(saved);
    ::close(pipeEnds[1]);
    char buffer[256];
    EXPECT_EQ(read(pipeEnds[0], buffer, sizeof buffer), 0);
    ::close(pipeEnds[0]);
}

// How long the notes take from the feed's text to a laid-out document, at the best of a few tries.
qint64 showingTime(const QString& notes)
{
    qint64 best = std::numeric_limits<qint64>::max();
    for (int attempt = 0; attempt < 5; ++attempt) {
        ReleaseNotesView view;
        view.resize(440, 240);
        QElapsedTimer timer;
        timer.start();
        view.setNotes(notes);
        view.document()->size(); // lays out the whole document
        best = std::min(best, timer.nsecsElapsed());
    }
    return best;
}

TEST(ReleaseNotesView, ShowingHostileNotesCostsTimeInProportionToTheirSizeAndNesting)
{
    // Each note at a size n and at 2n; doubled, it may take at most about twice as long (with slack for a
    // loaded machine), never four times or more as a cost by the square would.
    const struct {
        const char* name;
        std::function<QString(int)> notes;
        int n;
    } rows[] = {
        {"spaced table tags", [](int n) { return QString("< table>< tr>< td>").repeated(n) + "x"; }, 1700},
        {"spaced list tags", [](int n) { return QString("< ul>").repeated(n) + "x"; }, 6000},
        {"nested tables, repeated",
         [](int n) {
             return (QString("<table><tr><td>").repeated(24) + "x" +
                     QString("</td></tr></table>").repeated(24))
                 .repeated(n);
         },
         38},
        {"huge spans",
         [](int n) {
             return "<table><tr>" + QString("<td colspan=1000000 rowspan=1000000>x</td>").repeated(n);
         },
         700},
        {"words joined by no-break spaces", [](int n) { return "<p>" + QString("word&nbsp;").repeated(n); },
         3000},
        {"one endless word", [](int n) { return "<p>" + QString(n, u'x'); }, 30000},
        {"an item per line", [](int n) { return "<ol>" + QString("<li>x").repeated(n); }, 1900},
        {"nested lists, repeated",
         [](int n) {
             return (QString("<ul><li>x").repeated(100) + QString("</li></ul>").repeated(100)).repeated(n);
         },
         17},
        {"open tags closed by stray ones",
         [](int n) { return QString("<b><i>").repeated(100) + QString("</u>x").repeated(n); }, 6000},
        {"endless plain text", [](int n) { return QString("<td>").repeated(n * 100); }, 1000},
        {"endless plain lines", [](int n) { return QString("x\n").repeated(n * 100); }, 500},
    };
    for (const auto& row : rows) {
        const QString once = row.notes(row.n), twice = row.notes(2 * row.n);
        const qint64 small = showingTime(once), large = showingTime(twice);
        EXPECT_LT(double(large) / double(std::max<qint64>(small, 1)), 3.5)
            << row.name << ": " << small / 1000 << " µs, then " << large / 1000 << " µs";
    }
}

} // namespace
