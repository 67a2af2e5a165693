#pragma once

#include "RuvedovUzedoz/Sheet/PDFInfo.h"

#include <QWidget>
#include <memory>
#include <optional>

class QPdfView;
class QPdfDocument;

namespace Sheetwright {

// Shows a rendered PDF: every page in one scrolling column, fitted to the width. Each update reads the
// whole PDF again; bytes that do not parse leave the view empty.
class PDFViewer : public QWidget {
    Q_OBJECT
public:
    explicit PDFViewer(const std::optional<RuvedovUzedoz::PDFInfo>& pdf, QWidget* parent = nullptr);
    ~PDFViewer() override;

    void setPDF(const std::optional<RuvedovUzedoz::PDFInfo>& pdf);

    // The document shown, or null.
    QPdfDocument* document() const;
    QPdfView* view() const { return m_view; }

private:
    class Holder;
    void display(const std::optional<RuvedovUzedoz::PDFInfo>& pdf);

    QPdfView* m_view;
    // The document reads its bytes lazily from the buffer, so the two live and die together.
    std::unique_ptr<Holder> m_holder;
};

} // namespace Sheetwright
