#pragma once

#include <QString>
#include <optional>

namespace KestrelUpdater {

// The limits within which release notes keep their structure.
struct ReleaseNotesLimits {
    // Notes longer than this (UTF-16 code units, as the feed wrote them) are shown as plain text. Laying
    // out text costs up to about 4 ms a thousand characters in the costliest scripts, so this keeps the
    // window's thread well under a tenth of a second; real release notes are a few thousand.
    static constexpr qsizetype maximumSize = 16 * 1024;
    // Lists nested deeper than this go on at this level.
    static constexpr int maximumListDepth = 3;
    // A run of characters with no place to break gets one after this many: the layout's cost for an
    // unbreakable run grows with the square of its length.
    static constexpr qsizetype maximumWordLength = 64;
    // Combining marks and joiners past this many in a row are dropped: the layout's cost for each grows
    // with the cluster it joins, and no script stacks more on one character.
    static constexpr int maximumMarksInARow = 8;
    // Pictographs past this many are dropped: each is drawn from a colour font at a high cost, so a few
    // thousand freeze the view for seconds.
    static constexpr int maximumPictographs = 64;
    // A link longer than this is shown as text.
    static constexpr qsizetype maximumLinkLength = 2048;
    // Notes rebuilt with more paragraphs and line breaks than this, or larger than maximumHtmlSize (a
    // link repeated in many paragraphs), are shown as plain text: the view spends time on each.
    static constexpr int maximumLines = 2000;
    static constexpr qsizetype maximumHtmlSize = 8 * maximumSize;
    // Plain text is cut here.
    static constexpr qsizetype maximumPlainTextSize = 16 * 1024;
};

// Release notes rebuilt for display. The feed's HTML is read by a forgiving HTML parser with its own
// depth limit, and a new document is written from that tree in a small, fixed vocabulary: paragraphs,
// line breaks, headings, bold, italic and code, lists (as indented paragraphs with their own markers, at
// most maximumListDepth deep) and links to https: addresses. Table rows become paragraphs whose cells are
// separated by " · "; every attribute but a link's address is dropped; every other element gives only
// its text (scripts, style sheets and the head give nothing). No control, direction or no-break
// characters survive, long unbroken runs get a break opportunity, and stacks of marks and floods of
// pictographs are cut. The result is linear in the size
// of the notes whatever they spell. Empty when the notes are too large, too long or too deeply nested to
// keep their structure: show releaseNotesPlainText() then.
std::optional<QString> releaseNotesHtml(const QString& notes);

// The notes as they stand, cut to maximumPlainTextSize, cleaned like the text of rebuilt notes, and in at
// most maximumLines lines.
QString releaseNotesPlainText(const QString& notes);

} // namespace KestrelUpdater
