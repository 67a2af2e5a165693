#pragma once

#include <QString>
#include <QStringView>
#include <QTextBrowser>

namespace KestrelUpdater {

// Shows an update's release notes. The notes come from the feed, so they are data: nothing they name is
// ever loaded (no images, style sheets or files, local or remote), no link is followed inside the view,
// and a click on an https: link hands it to the user's browser; every other link does nothing. Notes too
// large or too deeply nested to lay out safely are shown as plain text.
class ReleaseNotesView : public QTextBrowser {
    Q_OBJECT
public:
    // Rich text is refused past these: the layout recurses per nesting level and costs time per tag and
    // per character.
    static constexpr qsizetype maximumRichTextSize = 128 * 1024;
    static constexpr int maximumRichTextTags = 5000;
    static constexpr int maximumRichTextDepth = 24;
    // Word wrapping a long unbroken run costs time by the square of its length.
    static constexpr qsizetype maximumRichTextWord = 1000;
    // Plain text is cut here, so a huge feed cannot stall the window's layout either.
    static constexpr qsizetype maximumPlainTextSize = 32 * 1024;

    explicit ReleaseNotesView(QWidget* parent = nullptr);

    // Shows the notes as rich text when they are small and shallow enough, else as plain text.
    void setNotes(const QString& html);
    bool showsRichText() const { return m_richText; }

    // True when the HTML stays within the size, tag and nesting limits above.
    static bool fitsRichText(QStringView html);

    QVariant loadResource(int type, const QUrl& name) override;

protected:
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;

private:
    bool m_richText = false;
};

} // namespace KestrelUpdater
