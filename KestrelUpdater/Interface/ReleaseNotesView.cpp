#include "ReleaseNotesView.h"

#include "ExternalLink.h"
#include "ReleaseNotesHtml.h"

#include <QImage>
#include <QTextDocument>

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

} // namespace

ReleaseNotesView::ReleaseNotesView(QWidget* parent) : QTextBrowser(parent)
{
    setDocument(new InertDocument(this));
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, [](const QUrl& url) { openInBrowser(url); });
}

void ReleaseNotesView::setNotes(const QString& notes)
{
    // Runs too long to break are broken up by the rebuild; anywhere is the fallback for any left.
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const std::optional<QString> html = releaseNotesHtml(notes);
    m_richText = html.has_value();
    if (m_richText)
        setHtml(*html);
    else
        setPlainText(releaseNotesPlainText(notes));
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
