#pragma once

#include <QString>
#include <QStringList>

namespace RuvedovUzedoz {

// What the user says about the document. Title, author, subject and keywords become the PDF's
// information entries; header and footer are kept but not drawn.
struct PDFMetadata {
    QString title = {};
    QString author = {};
    QString subject = {};
    QStringList keywords = {};
    QString header = {};
    QString footer = {};

    // Strings compare by canonical equivalence, so a precomposed "é" equals "e" with a combining accent.
    friend bool operator==(const PDFMetadata& a, const PDFMetadata& b);
    friend bool operator!=(const PDFMetadata& a, const PDFMetadata& b) { return !(a == b); }
};

} // namespace RuvedovUzedoz
