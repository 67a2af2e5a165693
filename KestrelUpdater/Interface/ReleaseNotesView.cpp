#include "ReleaseNotesView.h"

#include "ExternalLink.h"

#include <QImage>
#include <QTextDocument>
#include <QVarLengthArray>

namespace KestrelUpdater {
namespace {

// What every resource the notes name turns into. An image must be answered with an image: given
// nothing, Qt's image handler reads the name as a file path itself (a FIFO then blocks the window for
// ever, /dev/zero fills memory).
QVariant inertResource(int type)
{
    if (type != QTextDocument::ImageResource)
        return {};
    static const QImage blank = [] {
        QImage image(1, 1, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        return image;
    }();
    return blank;
}

// A document that never loads what its text names, locally or remotely.
class InertDocument : public QTextDocument {
public:
    using QTextDocument::QTextDocument;

protected:
    QVariant loadResource(int type, const QUrl&) override { return inertResource(type); }
};

bool isLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Elements that never hold others, or whose end tag is usually left out: they add no nesting.
bool addsNoDepth(QStringView name)
{
    static const char* const names[] = {"area",  "br",     "col", "dd",   "dt",   "embed",  "hr",
                                        "img",   "input",  "li",  "link", "meta", "option", "p",
                                        "param", "source", "td",  "th",   "tr",   "wbr"};
    for (const char* candidate : names)
        if (name.compare(QLatin1String(candidate), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

ReleaseNotesView::ReleaseNotesView(QWidget* parent) : QTextBrowser(parent)
{
    setDocument(new InertDocument(this));
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, [](const QUrl& url) { openInBrowser(url); });
}

bool ReleaseNotesView::fitsRichText(QStringView html)
{
    if (html.size() > maximumRichTextSize)
        return false;
    // The open elements, as HTML closes them: an end tag closes up to the nearest element of its name,
    // and an end tag that matches none is ignored (so stray end tags cannot hide nesting).
    QVarLengthArray<QStringView, maximumRichTextDepth + 1> open;
    int tags = 0;
    qsizetype run = 0; // characters of text since the last space: a line the layout cannot break
    for (qsizetype i = 0; i < html.size(); ++i) {
        if (html[i] != u'<' || i + 1 == html.size()) {
            run = html[i].isSpace() ? 0 : run + 1;
            if (run > maximumRichTextWord)
                return false;
            continue;
        }
        const bool closing = html[i + 1] == u'/';
        const qsizetype start = i + (closing ? 2 : 1);
        qsizetype end = start;
        while (end < html.size() && (isLetter(html[end]) || (end > start && html[end].isDigit())))
            ++end;
        if (end == start) {
            ++run; // "<" in text, a comment or a declaration
            continue;
        }
        if (++tags > maximumRichTextTags)
            return false;
        const qsizetype close = html.indexOf(u'>', end);
        const QStringView name = html.mid(start, end - start);
        const bool selfClosing = close > 0 && html[close - 1] == u'/';
        i = close < 0 ? html.size() : close;
        if (addsNoDepth(name) || selfClosing)
            continue;
        if (closing) {
            for (qsizetype k = open.size() - 1; k >= 0; --k) {
                if (open[k].compare(name, Qt::CaseInsensitive) == 0) {
                    open.resize(k);
                    break;
                }
            }
            continue;
        }
        if (open.size() == maximumRichTextDepth)
            return false;
        open.append(name);
    }
    return true;
}

void ReleaseNotesView::setNotes(const QString& html)
{
    m_richText = fitsRichText(html);
    if (m_richText) {
        setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        setHtml(html);
        return;
    }
    // Whatever came in may be one endless word, which word wrapping lays out in quadratic time.
    setWordWrapMode(QTextOption::WrapAnywhere);
    QString text = html.left(maximumPlainTextSize);
    if (text.size() < html.size())
        text += QStringLiteral("\n…");
    setPlainText(text);
}

QVariant ReleaseNotesView::loadResource(int type, const QUrl&)
{
    return inertResource(type);
}

void ReleaseNotesView::doSetSource(const QUrl&, QTextDocument::ResourceType)
{
    // The notes are the only content this view ever shows.
}

} // namespace KestrelUpdater
