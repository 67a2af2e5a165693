#pragma once

#include <QString>
#include <QTextBrowser>

namespace KestrelUpdater {

// Shows an update's release notes. The notes come from the feed, so they are data: they are rebuilt in a
// small vocabulary before the view sees them (releaseNotesHtml), nothing they name is ever loaded (no
// images, style sheets or files, local or remote), no link is followed inside the view, and a click on an
// https: link hands it to the user's browser. Notes too large or too deeply nested to keep their
// structure are shown as plain text.
class ReleaseNotesView : public QTextBrowser {
    Q_OBJECT
public:
    explicit ReleaseNotesView(QWidget* parent = nullptr);

    // Shows the notes rebuilt, or as plain text past the limits.
    void setNotes(const QString& notes);
    bool showsRichText() const { return m_richText; }

    QVariant loadResource(int type, const QUrl& name) override;

protected:
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;

private:
    bool m_richText = false;
};

} // namespace KestrelUpdater
