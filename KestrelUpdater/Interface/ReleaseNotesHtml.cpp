#include "ReleaseNotesHtml.h"

#include <QUrl>
#include <cstring>
#include <libxml/HTMLparser.h>
#include <libxml/tree.h>
#include <memory>
#include <vector>

namespace KestrelUpdater {
namespace {

using Limits = ReleaseNotesLimits;

struct ParserContextFree {
    void operator()(htmlParserCtxt* context) const { htmlFreeParserCtxt(context); }
};
struct DocumentFree {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
struct XmlStringFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};
using ParserContext = std::unique_ptr<htmlParserCtxt, ParserContextFree>;
using Document = std::unique_ptr<xmlDoc, DocumentFree>;
using XmlString = std::unique_ptr<xmlChar, XmlStringFree>;

enum class CharKind { Visible, Space, Newline, Dropped };

// Control and direction characters never reach the view; no-break spaces become ordinary ones, since a
// long run of words joined by them is one unbreakable line to the layout.
CharKind charKindOf(char32_t c)
{
    if (c == u'\n')
        return CharKind::Newline;
    switch (QChar::category(c)) {
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return CharKind::Space;
    case QChar::Other_Control:
        return QChar::isSpace(c) ? CharKind::Space : CharKind::Dropped;
    case QChar::Other_Format:
        // The joiners shape scripts and emoji; every other format character is invisible or reorders.
        return (c == 0x200C || c == 0x200D) ? CharKind::Visible : CharKind::Dropped;
    case QChar::Other_Surrogate:
        return CharKind::Dropped;
    default:
        // The text view reads U+FFFC as the place of an embedded object.
        return c == 0xFFFC ? CharKind::Dropped : CharKind::Visible;
    }
}

// Emoji and other symbols that fonts commonly leave to a colour emoji font.
bool isPictograph(char32_t c)
{
    const bool boxDrawing = c >= 0x2500 && c <= 0x259F;
    return (c >= 0x1F000 && c <= 0x1FAFF) || (c >= 0x2300 && c <= 0x2BFF && !boxDrawing) || c == 0x20E3 ||
           c == 0x3030 || c == 0x303D || c == 0x3297 || c == 0x3299;
}

// Keeps the characters whose layout is costly within a budget: marks stacked on one character and
// pictographs. Visible characters are offered to keep(); a space or line break ends a stack of marks
// and joiners.
class CostlyCharacters {
public:
    bool keep(char32_t c)
    {
        switch (QChar::category(c)) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
        case QChar::Other_Format: // the joiners, the only format characters kept
            return ++m_marksInARow <= Limits::maximumMarksInARow && keepPictograph(c);
        default:
            m_marksInARow = 0;
            return keepPictograph(c);
        }
    }

    void separate() { m_marksInARow = 0; }

private:
    bool keepPictograph(char32_t c)
    {
        return !isPictograph(c) || ++m_pictographs <= Limits::maximumPictographs;
    }

    int m_marksInARow = 0;
    int m_pictographs = 0;
};

void appendCodePoint(QString& out, char32_t c)
{
    if (QChar::requiresSurrogates(c)) {
        out += QChar(QChar::highSurrogate(c));
        out += QChar(QChar::lowSurrogate(c));
    } else {
        out += QChar(char16_t(c));
    }
}

// Calls visit for each code point of text.
template <typename Visit> void forEachCodePoint(QStringView text, Visit&& visit)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        visit(c);
    }
}

enum class Tag {
    Other,
    Hidden,
    Block,
    MajorHeading,
    Heading,
    List,
    OrderedList,
    ListItem,
    Row,
    Cell,
    LineBreak,
    Bold,
    Italic,
    Code,
    Preformatted,
    Link,
};

Tag tagOf(const xmlChar* name)
{
    static constexpr struct {
        const char* name;
        Tag tag;
    } tags[] = {
        {"p", Tag::Block},          {"div", Tag::Block},        {"h1", Tag::MajorHeading},
        {"h2", Tag::MajorHeading},  {"h3", Tag::Heading},       {"h4", Tag::Heading},
        {"h5", Tag::Heading},       {"h6", Tag::Heading},       {"ul", Tag::List},
        {"menu", Tag::List},        {"dir", Tag::List},         {"ol", Tag::OrderedList},
        {"li", Tag::ListItem},      {"dl", Tag::Block},         {"dt", Tag::Block},
        {"dd", Tag::Block},         {"table", Tag::Block},      {"caption", Tag::Block},
        {"tr", Tag::Row},           {"td", Tag::Cell},          {"th", Tag::Cell},
        {"blockquote", Tag::Block}, {"hr", Tag::Block},         {"section", Tag::Block},
        {"article", Tag::Block},    {"header", Tag::Block},     {"footer", Tag::Block},
        {"nav", Tag::Block},        {"aside", Tag::Block},      {"main", Tag::Block},
        {"figure", Tag::Block},     {"figcaption", Tag::Block}, {"address", Tag::Block},
        {"details", Tag::Block},    {"summary", Tag::Block},    {"center", Tag::Block},
        {"form", Tag::Block},       {"fieldset", Tag::Block},   {"body", Tag::Block},
        {"br", Tag::LineBreak},     {"b", Tag::Bold},           {"strong", Tag::Bold},
        {"i", Tag::Italic},         {"em", Tag::Italic},        {"cite", Tag::Italic},
        {"code", Tag::Code},        {"tt", Tag::Code},          {"kbd", Tag::Code},
        {"samp", Tag::Code},        {"pre", Tag::Preformatted}, {"a", Tag::Link},
        {"script", Tag::Hidden},    {"style", Tag::Hidden},     {"head", Tag::Hidden},
        {"template", Tag::Hidden},  {"title", Tag::Hidden},
    };
    if (!name)
        return Tag::Other;
    for (const auto& entry : tags)
        if (std::strcmp(entry.name, reinterpret_cast<const char*>(name)) == 0)
            return entry.tag;
    return Tag::Other;
}

// The address of an https: link, encoded, or empty when the link is to stay inert.
QString httpsLink(xmlNode* element)
{
    const XmlString href(xmlGetNoNsProp(element, BAD_CAST "href"));
    if (!href)
        return {};
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(href.get())).trimmed();
    if (text.size() > Limits::maximumLinkLength)
        return {};
    const QUrl url(text);
    if (!url.isValid() || url.scheme().compare(u"https", Qt::CaseInsensitive) != 0 || url.host().isEmpty())
        return {};
    return QString::fromLatin1(url.toEncoded()).toHtmlEscaped();
}

// The inline formatting text carries, in the order its tags nest in the output.
struct Inline {
    QString link;
    bool bold = false;
    bool italic = false;
    bool code = false;
};

struct ListLevel {
    bool ordered = false;
    int items = 0;
};

// Writes the shown document while the tree is walked. Block structure comes from state, not from the
// tree's nesting: a block is opened lazily by the first visible character after a block boundary, and
// the inline tags around text are reconciled with the wanted formatting, so the output is well-formed
// and shallow however the input nests.
class NotesWriter {
public:
    // What enter() changed, for leave() to undo.
    struct Frame {
        Tag tag;
        QString previousLink;
        int previousHeading = 0;
    };

    Frame enter(xmlNode* element, Tag tag)
    {
        Frame frame{tag, m_link, m_heading};
        switch (tag) {
        case Tag::Other:
        case Tag::Hidden:
            break;
        case Tag::Block:
            breakBlock();
            break;
        case Tag::MajorHeading:
        case Tag::Heading:
            breakBlock();
            m_heading = tag == Tag::MajorHeading ? 1 : 2;
            break;
        case Tag::List:
        case Tag::OrderedList:
            breakBlock();
            m_lists.push_back({tag == Tag::OrderedList, 0});
            break;
        case Tag::ListItem:
            breakBlock();
            if (!m_lists.empty()) {
                ListLevel& list = m_lists.back();
                ++list.items;
                m_marker = list.ordered ? QStringLiteral("%1. ").arg(list.items)
                                        : QStringLiteral("%1 ").arg(bullet());
            }
            break;
        case Tag::Row:
            breakBlock();
            m_cellsInRow = 0;
            break;
        case Tag::Cell:
            m_cellSeparator = m_cellsInRow++ > 0;
            break;
        case Tag::LineBreak:
            lineBreak();
            break;
        case Tag::Bold:
            ++m_bold;
            break;
        case Tag::Italic:
            ++m_italic;
            break;
        case Tag::Code:
            ++m_code;
            break;
        case Tag::Preformatted:
            breakBlock();
            ++m_preformatted;
            break;
        case Tag::Link:
            m_link = httpsLink(element);
            break;
        }
        return frame;
    }

    void leave(const Frame& frame)
    {
        switch (frame.tag) {
        case Tag::Block:
            breakBlock();
            break;
        case Tag::Row:
            breakBlock();
            m_cellsInRow = 0;
            break;
        case Tag::MajorHeading:
        case Tag::Heading:
            breakBlock();
            m_heading = frame.previousHeading;
            break;
        case Tag::List:
        case Tag::OrderedList:
            breakBlock();
            if (!m_lists.empty())
                m_lists.pop_back();
            break;
        case Tag::ListItem:
            breakBlock();
            m_marker.clear(); // an item without text shows no marker
            break;
        case Tag::Bold:
            --m_bold;
            break;
        case Tag::Italic:
            --m_italic;
            break;
        case Tag::Code:
            --m_code;
            break;
        case Tag::Preformatted:
            breakBlock();
            --m_preformatted;
            break;
        case Tag::Link:
            m_link = frame.previousLink;
            break;
        default:
            break;
        }
    }

    void text(QStringView text)
    {
        forEachCodePoint(text, [this](char32_t c) {
            switch (charKindOf(c)) {
            case CharKind::Newline:
                if (m_preformatted > 0) {
                    lineBreak();
                    break;
                }
                [[fallthrough]];
            case CharKind::Space:
                m_space = m_blockOpen;
                m_costly.separate();
                break;
            case CharKind::Dropped:
                break;
            case CharKind::Visible:
                if (m_costly.keep(c))
                    visible(c);
                break;
            }
        });
    }

    QString finished()
    {
        closeBlock();
        return std::move(m_out);
    }

    // True once the rebuilt notes are past the limits of what is shown with structure.
    bool overflowed() const
    {
        return m_lines > Limits::maximumLines || m_out.size() > Limits::maximumHtmlSize;
    }

private:
    QString bullet() const
    {
        static constexpr char16_t bullets[] = {u'•', u'◦', u'▪'};
        return QString(QChar(bullets[std::min<size_t>(m_lists.size(), std::size(bullets)) - 1]));
    }

    int listDepth() const { return std::min<int>(int(m_lists.size()), Limits::maximumListDepth); }

    void breakBlock() { m_newBlock = true; }

    void lineBreak()
    {
        if (!m_blockOpen || m_newBlock)
            return;
        m_out += QLatin1String("<br>");
        m_costly.separate();
        ++m_lines;
        m_space = false;
        m_run = 0;
    }

    void visible(char32_t c)
    {
        if (!m_blockOpen || m_newBlock)
            openBlock();
        else if (m_cellSeparator)
            m_out += QStringLiteral(" · ");
        m_cellSeparator = false;
        // A space goes between the tags that end and those that begin: "a <b>b</b>", "<b>a</b> b".
        const Inline want = wanted();
        const int from = firstChangedLevel(want);
        closeInline(from);
        if (m_space) {
            m_out += u' ';
            m_space = false;
            m_run = 0;
        }
        openInline(from, want);
        switch (c) {
        case u'<':
            m_out += QLatin1String("&lt;");
            break;
        case u'>':
            m_out += QLatin1String("&gt;");
            break;
        case u'&':
            m_out += QLatin1String("&amp;");
            break;
        default:
            appendCodePoint(m_out, c);
        }
        if (++m_run >= Limits::maximumWordLength) {
            m_out += QChar(0x200B); // a zero-width space: a place to break
            m_run = 0;
        }
    }

    void openBlock()
    {
        closeBlock();
        const int depth = listDepth();
        if (m_heading > 0) {
            m_blockEnd = m_heading == 1 ? QLatin1String("</h3>") : QLatin1String("</h4>");
            m_out += m_heading == 1 ? QLatin1String("<h3>") : QLatin1String("<h4>");
        } else if (depth > 0 || m_cellsInRow > 0 || m_preformatted > 0) {
            m_blockEnd = QLatin1String("</p>");
            m_out += QStringLiteral("<p style=\"margin-top:0; margin-bottom:0; margin-left:%1px\">")
                         .arg(depth * 20);
        } else {
            m_blockEnd = QLatin1String("</p>");
            m_out += QLatin1String("<p>");
        }
        m_out += m_marker;
        m_marker.clear();
        ++m_lines;
        m_blockOpen = true;
        m_newBlock = false;
        m_space = false;
        m_run = 0;
    }

    void closeBlock()
    {
        if (!m_blockOpen)
            return;
        closeInline(0);
        m_out += m_blockEnd;
        m_blockOpen = false;
    }

    Inline wanted() const { return {m_link, m_bold > 0, m_italic > 0, m_code > 0 || m_preformatted > 0}; }

    // Closes the open inline tags from the innermost out to (and including) level `from` (0 the link, 1
    // bold, 2 italic, 3 code).
    void closeInline(int from)
    {
        if (m_open.code && from <= 3)
            m_out += QLatin1String("</code>");
        if (m_open.italic && from <= 2)
            m_out += QLatin1String("</i>");
        if (m_open.bold && from <= 1)
            m_out += QLatin1String("</b>");
        if (!m_open.link.isEmpty() && from <= 0)
            m_out += QLatin1String("</a>");
        Inline open = m_open;
        if (from <= 3)
            open.code = false;
        if (from <= 2)
            open.italic = false;
        if (from <= 1)
            open.bold = false;
        if (from <= 0)
            open.link.clear();
        m_open = open;
    }

    // The outermost inline level whose tag must change for `want`, or 4 when none.
    int firstChangedLevel(const Inline& want) const
    {
        if (want.link != m_open.link)
            return 0;
        if (want.bold != m_open.bold)
            return 1;
        if (want.italic != m_open.italic)
            return 2;
        if (want.code != m_open.code)
            return 3;
        return 4;
    }

    // Opens the tags of `want` from level `from` inwards (those outside it are open already).
    void openInline(int from, const Inline& want)
    {
        if (from <= 0 && !want.link.isEmpty())
            m_out += QStringLiteral("<a href=\"%1\">").arg(want.link);
        if (from <= 1 && want.bold)
            m_out += QLatin1String("<b>");
        if (from <= 2 && want.italic)
            m_out += QLatin1String("<i>");
        if (from <= 3 && want.code)
            m_out += QLatin1String("<code>");
        m_open = want;
    }

    QString m_out;
    // Where the walk is.
    QString m_link;
    int m_bold = 0, m_italic = 0, m_code = 0, m_preformatted = 0, m_heading = 0;
    std::vector<ListLevel> m_lists;
    int m_cellsInRow = 0;
    // What is written.
    bool m_blockOpen = false;
    bool m_newBlock = false;
    QLatin1String m_blockEnd;
    Inline m_open;
    QString m_marker;
    bool m_cellSeparator = false;
    bool m_space = false;
    qsizetype m_run = 0; // characters since the last place to break
    int m_lines = 0;     // paragraphs and line breaks
    CostlyCharacters m_costly;
};

Document parsed(const QString& notes, bool& complete)
{
    // The parser library sets itself up once per process; after that parsing is reentrant.
    static const bool initialised = [] {
        xmlInitParser();
        return true;
    }();
    Q_UNUSED(initialised);
    // Opened in the body, the notes' text is content from its first character (a leading "< " is kept).
    const QByteArray utf8 = "<body>" + notes.toUtf8();
    const ParserContext context(htmlNewParserCtxt());
    if (!context)
        return nullptr;
    // No error output, no network, no encoding switch by a <meta> in the notes; the parser's own depth
    // limit stays on (no HTML_PARSE_HUGE) and stops a document nested past it.
    Document document(htmlCtxtReadMemory(context.get(), utf8.constData(), int(utf8.size()), nullptr, "UTF-8",
                                         HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET |
                                             HTML_PARSE_COMPACT | HTML_PARSE_IGNORE_ENC));
    // A parser that gave up (past its depth limit) stops taking the document's events.
    complete = context->disableSAX == 0;
    return document;
}

} // namespace

std::optional<QString> releaseNotesHtml(const QString& notes)
{
    if (notes.size() > Limits::maximumSize)
        return std::nullopt;
    bool complete = false;
    const Document document = parsed(notes, complete);
    if (!complete)
        return std::nullopt;
    NotesWriter writer;
    if (!document)
        return writer.finished();
    // The tree is walked by its links, never by recursion, so no nesting can exhaust the stack.
    std::vector<NotesWriter::Frame> open;
    auto* const root = reinterpret_cast<xmlNode*>(document.get());
    xmlNode* node = root->children;
    while (node) {
        bool descend = false;
        if (node->type == XML_ELEMENT_NODE) {
            const Tag tag = tagOf(node->name);
            open.push_back(writer.enter(node, tag));
            descend = tag != Tag::Hidden;
        } else if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            writer.text(QString::fromUtf8(reinterpret_cast<const char*>(node->content)));
        }
        if (writer.overflowed())
            return std::nullopt;
        if (descend && node->children) {
            node = node->children;
            continue;
        }
        // Up to the next node, leaving every element finished on the way.
        while (node) {
            if (node->type == XML_ELEMENT_NODE && !open.empty()) {
                writer.leave(open.back());
                open.pop_back();
            }
            if (node->next) {
                node = node->next;
                break;
            }
            node = node->parent == root ? nullptr : node->parent;
        }
    }
    return writer.finished();
}

QString releaseNotesPlainText(const QString& notes)
{
    QString text;
    text.reserve(std::min(notes.size(), Limits::maximumPlainTextSize) + 16);
    qsizetype run = 0;
    int lines = 0;
    CostlyCharacters costly;
    forEachCodePoint(QStringView(notes).left(Limits::maximumPlainTextSize), [&](char32_t c) {
        CharKind kind = charKindOf(c);
        // Each line is a paragraph to the view: past the limit, lines run on.
        if (kind == CharKind::Newline && ++lines >= Limits::maximumLines)
            kind = CharKind::Space;
        switch (kind) {
        case CharKind::Newline:
            text += u'\n';
            run = 0;
            costly.separate();
            break;
        case CharKind::Space:
            text += u' ';
            run = 0;
            costly.separate();
            break;
        case CharKind::Dropped:
            break;
        case CharKind::Visible:
            if (!costly.keep(c))
                break;
            appendCodePoint(text, c);
            if (++run >= Limits::maximumWordLength) {
                text += QChar(0x200B);
                run = 0;
            }
            break;
        }
    });
    if (notes.size() > Limits::maximumPlainTextSize)
        text += QStringLiteral("\n…");
    return text;
}

} // namespace KestrelUpdater
