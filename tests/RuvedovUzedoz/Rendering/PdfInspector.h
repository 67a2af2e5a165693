#pragma once

#include <QByteArray>
#include <QRectF>
#include <QStringList>
#include <QTransform>
#include <array>
#include <memory>
#include <optional>
#include <vector>

class QPDF;

// Reads a PDF with qpdf and answers what the tests ask of it. Geometry is in the page's own space: PDF
// units relative to the lower-left corner of the page's media box, y upwards.
class PdfInspector {
public:
    using Rgb = std::array<double, 3>;
    struct Image {
        QString filter{}, colorSpace{};
        int width = 0, height = 0;
        QByteArray iccProfile{}; // of an ICCBased colour space
        int iccObject = 0;       // the profile stream's object number
        bool hasSMask = false;
        QByteArray rawBytes{};
        QString decodeParms{}; // as written, empty when there are none
        QByteArray decoded{};  // the samples once the filters are undone; empty for a DCT image
        QRectF placement{};    // the unit square through the CTM at `Do`
        QTransform ctm{};      // the CTM at `Do`: image space (unit square, y up) to page space
        QRectF clip{};         // the bounds of the clip at `Do`, null when there is none
    };
    struct Rect {
        QRectF rect;
        Rgb color{};          // of the stroke or fill
        double lineWidth = 0; // strokes: in page units
    };
    struct Drawing {
        std::vector<Image> images;
        std::vector<Rect> strokes, fills;
        std::vector<Rgb> textColors; // fill colour at each text show
    };

    explicit PdfInspector(const QByteArray& pdf);
    ~PdfInspector();

    // The file parses and writes back without a single warning.
    bool isValid() const { return m_valid; }
    std::optional<QString> info(const QString& key) const; // key without the slash: "Title"
    int pageCount() const;
    QRectF mediaBox(int page) const; // x, y of the lower-left corner, width, height
    bool isMarked() const;
    // The structure elements' types, depth first in document order: of one page, of all pages, or of
    // every element with those that name no page.
    static constexpr int allPages = -1, everyElement = -2;
    QStringList structTypes(int page = allPages) const;
    Drawing drawing(int page) const;

private:
    QByteArray m_data;
    std::unique_ptr<QPDF> m_pdf;
    bool m_valid = false;
};
