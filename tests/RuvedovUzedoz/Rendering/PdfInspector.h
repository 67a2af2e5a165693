#pragma once

#include <QByteArray>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <vector>

class QPDF;

// Reads a PDF with qpdf and answers what the tests ask of it. Geometry is in the page's own space: PDF
// units relative to the lower-left corner of the page's media box, y upwards.
class PdfInspector {
public:
    struct StructElement {
        QString type;
        int page; // -1 when the element names no page
    };
    struct Image {
        QString filter;
        int width = 0;
        int height = 0;
        QString colorSpace;
        QByteArray iccProfile; // of an ICCBased colour space
        int iccObject = 0;     // the profile stream's object number
        bool hasSMask = false;
        QByteArray rawBytes;
        QRectF placement; // the unit square through the CTM at `Do`
    };
    struct Rect {
        QRectF rect;
        std::array<double, 3> color{}; // RGB of the stroke or fill
        double lineWidth = 0;          // strokes: in page units
    };
    struct Drawing {
        std::vector<Image> images;
        std::vector<Rect> strokes;
        std::vector<Rect> fills;
        std::vector<std::array<double, 3>> textColors; // fill colour at each text show
    };

    explicit PdfInspector(const QByteArray& pdf);
    ~PdfInspector();

    // The file parses and writes back without a single warning.
    bool isValid() const { return m_valid; }
    QString info(const QString& key) const; // key without the slash: "Title"
    bool hasInfo(const QString& key) const;
    int pageCount() const;
    QRectF mediaBox(int page) const; // x, y of the lower-left corner, width, height
    bool isMarked() const;
    std::vector<StructElement> structElements() const; // depth first, document order
    QStringList structTypes(int page = -1) const;      // of one page, or all (without the page-less root)
    Drawing drawing(int page) const;

private:
    QByteArray m_data;
    std::unique_ptr<QPDF> m_pdf;
    bool m_valid = false;
};
