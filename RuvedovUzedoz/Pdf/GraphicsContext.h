#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <cairo.h>
#include <vector>

namespace RuvedovUzedoz {

struct PreparedImage;
class ImageStreams;

// A colour as the drawing context takes it: red, green, blue and alpha, each 0...1.
struct DeviceColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
};

// The structure types of tagged content.
enum class ContentTag { Figure, Label };

// How a text frame is set.
struct TextStyle {
    QString fontFamily;
    double fontSize = 12;
    DeviceColor color;
};

// Drawing on one PDF page through cairo, in the page's own coordinates: origin at the lower-left corner,
// x to the right, y upwards, in points. The flip to cairo's y-down space happens here and nowhere else.
// Transforms that cairo cannot invert are refused rather than passed on, since one invalid matrix would
// lose the whole document; whatever the page leaves saved or open is closed when the context ends.
class GraphicsContext {
public:
    GraphicsContext(cairo_t* cairo, QSizeF pageSize);
    ~GraphicsContext();
    GraphicsContext(const GraphicsContext&) = delete;
    GraphicsContext& operator=(const GraphicsContext&) = delete;

    QSizeF pageSize() const { return m_pageSize; }
    cairo_t* cairo() const { return m_cairo; }

    void saveGState();
    void restoreGState();
    // Return false (and change nothing) for non-finite values or a zero scale.
    bool translateBy(double x, double y);
    bool scaleBy(double sx, double sy);

    void setFillColor(const DeviceColor& color) { m_fill = color; }
    void setStrokeColor(const DeviceColor& color) { m_stroke = color; }
    void setLineWidth(double width);

    // Fills through a clip of the same rectangle, so that a page-covering fill stays an ordinary fill
    // inside structure tags.
    void fill(const QRectF& rect);
    void stroke(const QRectF& rect);

    void beginTag(ContentTag tag);
    void endTag();

    // Draws the picture upright (its orientation applied) stretched over `rect`, clipped to it.
    // Returns false when the picture cannot be drawn (see `canDraw`) or cairo refuses it.
    bool drawImage(const PreparedImage& image, const QRectF& rect);
    // Whether the picture is complete and within what cairo can hold.
    static bool canDraw(const PreparedImage& image);
    // Where pictures compressed beforehand keep their streams until the document is finished; without
    // it they are unpacked and drawn as pixels.
    void setImageStreams(ImageStreams* streams) { m_imageStreams = streams; }

    // Sets `text` on one line in `frame`, from its top edge, centred, shortened in the middle when too
    // wide; the text is taken literally (no markup) and clipped to the frame.
    void drawText(const QString& text, const QRectF& frame, const TextStyle& style);

private:
    void setSource(const DeviceColor& color);

    cairo_t* m_cairo;
    QSizeF m_pageSize;
    DeviceColor m_fill;
    DeviceColor m_stroke;
    struct State {
        DeviceColor fill;
        DeviceColor stroke;
    };
    std::vector<State> m_saved;
    QStringList m_openTags;
    ImageStreams* m_imageStreams = nullptr;
};

} // namespace RuvedovUzedoz
