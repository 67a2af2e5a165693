#define POINTERHOLDER_TRANSITION 4
#include "PdfInspector.h"

#include <QTransform>
#include <map>
#include <qpdf/Buffer.hh>
#include <qpdf/Pl_Discard.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <utility>

namespace {

QString name(QPDFObjectHandle object)
{
    if (object.isName())
        return QString::fromStdString(object.getName());
    if (object.isArray() && object.getArrayNItems() > 0 && object.getArrayItem(0).isName())
        return QString::fromStdString(object.getArrayItem(0).getName());
    return {};
}

QByteArray bytes(const std::shared_ptr<Buffer>& buffer)
{
    return QByteArray(reinterpret_cast<const char*>(buffer->getBuffer()), qsizetype(buffer->getSize()));
}

int integer(QPDFObjectHandle object)
{
    return object.isInteger() ? int(object.getIntValue()) : 0;
}

// Follows the graphics state through a content stream: q/Q, cm, colours, line width, rectangles and
// what is done with them, image XObjects (also inside form XObjects) and text shows.
class Tracker : public QPDFObjectHandle::ParserCallbacks {
public:
    Tracker(PdfInspector::Drawing& drawing, QPDFObjectHandle resources, QTransform ctm)
        : m_drawing(drawing), m_resources(resources)
    {
        m_state.ctm = ctm;
    }

    void handleObject(QPDFObjectHandle object) override
    {
        if (!object.isOperator()) {
            m_operands.push_back(object);
            return;
        }
        run(object.getOperatorValue());
        m_operands.clear();
    }
    void handleEOF() override {}

private:
    struct State {
        QTransform ctm;
        PdfInspector::Rgb fill{}, stroke{};
        double lineWidth = 1;
        QRectF clip;
    };

    double number(size_t i)
    {
        return i < m_operands.size() && m_operands[i].isNumber() ? m_operands[i].getNumericValue() : 0;
    }

    PdfInspector::Rgb color()
    {
        return m_operands.size() >= 3 ? PdfInspector::Rgb{number(0), number(1), number(2)}
                                      : PdfInspector::Rgb{number(0), number(0), number(0)};
    }

    void run(const std::string& op)
    {
        if (op == "q") {
            m_stack.push_back(m_state);
        } else if (op == "Q") {
            if (!m_stack.empty()) {
                m_state = m_stack.back();
                m_stack.pop_back();
            }
        } else if (op == "cm") {
            m_state.ctm =
                QTransform(number(0), number(1), number(2), number(3), number(4), number(5)) * m_state.ctm;
        } else if (op == "rg" || op == "g" || op == "sc" || op == "scn") {
            if (!m_operands.empty() && m_operands.back().isNumber())
                m_state.fill = color();
        } else if (op == "RG" || op == "G" || op == "SC" || op == "SCN") {
            if (!m_operands.empty() && m_operands.back().isNumber())
                m_state.stroke = color();
        } else if (op == "w") {
            m_state.lineWidth = number(0);
        } else if (op == "re") {
            m_path.push_back(
                m_state.ctm.mapRect(QRectF(number(0), number(1), number(2), number(3)).normalized()));
        } else if (op == "S" || op == "s" || op == "f" || op == "F" || op == "f*" || op == "B" || op == "b" ||
                   op == "B*" || op == "b*") {
            const double scale = std::sqrt(std::abs(m_state.ctm.determinant()));
            for (const QRectF& rect : m_path) {
                if (op != "S" && op != "s")
                    m_drawing.fills.push_back({rect, m_state.fill, 0});
                if (op[0] != 'f' && op[0] != 'F')
                    m_drawing.strokes.push_back({rect, m_state.stroke, m_state.lineWidth * scale});
            }
            m_path.clear();
        } else if (op == "W" || op == "W*") {
            m_clipping = true;
        } else if (op == "n") {
            if (std::exchange(m_clipping, false)) {
                QRectF bounds;
                for (const QRectF& rect : m_path)
                    bounds |= rect;
                m_state.clip = m_state.clip.isNull() ? bounds : m_state.clip & bounds;
            }
            m_path.clear();
        } else if (op == "Tj" || op == "TJ" || op == "'" || op == "\"") {
            m_drawing.textColors.push_back(m_state.fill);
        } else if (op == "Do" && !m_operands.empty() && m_operands[0].isName()) {
            paintXObject(m_operands[0].getName());
        }
    }

    void paintXObject(const std::string& key)
    {
        QPDFObjectHandle xobjects =
            m_resources.isDictionary() ? m_resources.getKey("/XObject") : QPDFObjectHandle();
        if (!xobjects.isDictionary() || !xobjects.hasKey(key))
            return;
        QPDFObjectHandle xobject = xobjects.getKey(key);
        QPDFObjectHandle dict = xobject.getDict();
        const QString subtype = name(dict.getKey("/Subtype"));
        if (subtype == QLatin1String("/Image")) {
            PdfInspector::Image image{.filter = name(dict.getKey("/Filter")),
                                      .colorSpace = name(dict.getKey("/ColorSpace")),
                                      .width = integer(dict.getKey("/Width")),
                                      .height = integer(dict.getKey("/Height")),
                                      .hasSMask = dict.hasKey("/SMask"),
                                      .rawBytes = bytes(xobject.getRawStreamData()),
                                      .placement = m_state.ctm.mapRect(QRectF(0, 0, 1, 1)),
                                      .ctm = m_state.ctm,
                                      .clip = m_state.clip};
            QPDFObjectHandle space = dict.getKey("/ColorSpace");
            if (space.isArray() && space.getArrayNItems() == 2 && space.getArrayItem(1).isStream()) {
                QPDFObjectHandle profile = space.getArrayItem(1);
                image.iccObject = profile.getObjectID();
                image.iccProfile = bytes(profile.getStreamData());
            }
            if (dict.hasKey("/DecodeParms"))
                image.decodeParms = QString::fromStdString(dict.getKey("/DecodeParms").unparse());
            if (image.filter == QLatin1String("/FlateDecode"))
                image.decoded = bytes(xobject.getStreamData(qpdf_dl_generalized));
            m_drawing.images.push_back(image);
        } else if (subtype == QLatin1String("/Form")) {
            QPDFObjectHandle resources = dict.getKey("/Resources");
            Tracker inner(m_drawing, resources.isDictionary() ? resources : m_resources, {});
            inner.m_state = m_state;
            QPDFObjectHandle matrix = dict.getKey("/Matrix");
            const auto m =
                matrix.isMatrix() ? matrix.getArrayAsMatrix() : QPDFObjectHandle::Matrix(1, 0, 0, 1, 0, 0);
            inner.m_state.ctm = QTransform(m.a, m.b, m.c, m.d, m.e, m.f) * m_state.ctm;
            xobject.parseAsContents(&inner);
        }
    }

    PdfInspector::Drawing& m_drawing;
    QPDFObjectHandle m_resources;
    State m_state;
    std::vector<State> m_stack;
    std::vector<QPDFObjectHandle> m_operands;
    std::vector<QRectF> m_path;
    bool m_clipping = false;
};

void collect(QPDFObjectHandle element, const std::map<QPDFObjGen, int>& pages, int wanted, QStringList& out,
             int depth)
{
    if (depth > 64)
        return;
    if (element.isArray()) {
        for (int i = 0; i < element.getArrayNItems(); ++i)
            collect(element.getArrayItem(i), pages, wanted, out, depth + 1);
        return;
    }
    if (!element.isDictionary() || !element.hasKey("/S"))
        return;
    const auto found = element.hasKey("/Pg") ? pages.find(element.getKey("/Pg").getObjGen()) : pages.end();
    const int page = found == pages.end() ? -1 : found->second;
    if (wanted == PdfInspector::everyElement || (page >= 0 && (wanted < 0 || page == wanted)))
        out.append(name(element.getKey("/S")).mid(1));
    collect(element.getKey("/K"), pages, wanted, out, depth + 1);
}

} // namespace

PdfInspector::PdfInspector(const QByteArray& pdf) : m_data(pdf), m_pdf(std::make_unique<QPDF>())
{
    try {
        m_pdf->setSuppressWarnings(true);
        m_pdf->processMemoryFile("inspected", m_data.constData(), size_t(m_data.size()));
        QPDFWriter writer(*m_pdf);
        Pl_Discard discard;
        writer.setOutputPipeline(&discard);
        writer.write();
        m_valid = !m_pdf->anyWarnings();
    } catch (const std::exception&) {
        m_valid = false;
    }
}

PdfInspector::~PdfInspector() = default;

std::optional<QString> PdfInspector::info(const QString& key) const
{
    QPDFObjectHandle info = m_pdf->getTrailer().getKey("/Info");
    if (!info.isDictionary() || !info.hasKey("/" + key.toStdString()))
        return std::nullopt;
    QPDFObjectHandle value = info.getKey("/" + key.toStdString());
    return value.isString() ? QString::fromStdString(value.getUTF8Value()) : QString();
}

int PdfInspector::pageCount() const
{
    return int(QPDFPageDocumentHelper(*m_pdf).getAllPages().size());
}

QRectF PdfInspector::mediaBox(int page) const
{
    QPDFObjectHandle box =
        QPDFPageDocumentHelper(*m_pdf).getAllPages().at(size_t(page)).getAttribute("/MediaBox", false);
    const auto corners = box.isRectangle() ? box.getArrayAsRectangle() : QPDFObjectHandle::Rectangle();
    return QRectF(QPointF(corners.llx, corners.lly), QPointF(corners.urx, corners.ury));
}

bool PdfInspector::isMarked() const
{
    QPDFObjectHandle mark = m_pdf->getRoot().getKey("/MarkInfo");
    return mark.isDictionary() && mark.getKey("/Marked").isBool() && mark.getKey("/Marked").getBoolValue();
}

QStringList PdfInspector::structTypes(int page) const
{
    std::map<QPDFObjGen, int> pages;
    for (QPDFPageObjectHelper& helper : QPDFPageDocumentHelper(*m_pdf).getAllPages())
        pages.emplace(helper.getObjectHandle().getObjGen(), int(pages.size()));
    QStringList types;
    QPDFObjectHandle root = m_pdf->getRoot().getKey("/StructTreeRoot");
    if (root.isDictionary())
        collect(root.getKey("/K"), pages, page, types, 0);
    return types;
}

PdfInspector::Drawing PdfInspector::drawing(int page) const
{
    Drawing result;
    QPDFPageObjectHelper helper = QPDFPageDocumentHelper(*m_pdf).getAllPages().at(size_t(page));
    const QRectF box = mediaBox(page);
    // Page space: relative to the media box's lower-left corner.
    Tracker tracker(result, helper.getAttribute("/Resources", false),
                    QTransform::fromTranslate(-box.x(), -box.y()));
    helper.parseContents(&tracker);
    return result;
}
