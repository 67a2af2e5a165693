#pragma once

#include "KestrelExtensions/Observation/Binding.h"
#include "RuvedovUzedoz/Sheet/PDFMetadata.h"

#include <QWidget>

namespace Sheetwright {

// The "Metadata" section's content: the PDF's title, author and subject, each written into the bound
// metadata as the user types. Keywords, header and footer are left as they are.
class PDFMetadataView : public QWidget {
    Q_OBJECT
public:
    explicit PDFMetadataView(KestrelExtensions::Binding<RuvedovUzedoz::PDFMetadata> metadata,
                             QWidget* parent = nullptr);

private:
    KestrelExtensions::Binding<RuvedovUzedoz::PDFMetadata> m_metadata;
};

} // namespace Sheetwright
