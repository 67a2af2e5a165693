#include "PDFMetadata.h"

namespace RuvedovUzedoz {

namespace {

bool canonicallyEqual(const QString& a, const QString& b)
{
    if (a == b)
        return true;
    return a.normalized(QString::NormalizationForm_D) == b.normalized(QString::NormalizationForm_D);
}

} // namespace

bool operator==(const PDFMetadata& a, const PDFMetadata& b)
{
    if (!canonicallyEqual(a.title, b.title) || !canonicallyEqual(a.author, b.author) ||
        !canonicallyEqual(a.subject, b.subject))
        return false;
    if (a.keywords.size() != b.keywords.size())
        return false;
    for (qsizetype i = 0; i < a.keywords.size(); ++i) {
        if (!canonicallyEqual(a.keywords[i], b.keywords[i]))
            return false;
    }
    return canonicallyEqual(a.header, b.header) && canonicallyEqual(a.footer, b.footer);
}

} // namespace RuvedovUzedoz
