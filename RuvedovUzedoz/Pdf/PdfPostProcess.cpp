#define POINTERHOLDER_TRANSITION 4
#include "RuvedovUzedoz/Pdf/PdfPostProcess.h"

#include "KestrelExtensions/Logging/Log.h"

#include <QFileDevice>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <stdexcept>
#include <unistd.h>

namespace RuvedovUzedoz {

namespace {

std::string number(double value)
{
    return QString::number(value, 'f', 4).remove(QRegularExpression(QStringLiteral("\\.?0+$"))).toStdString();
}

// The byte offset of the file's last cross-reference section, from its closing "startxref" line.
qint64 lastCrossReference(const QByteArray& pdf)
{
    const qsizetype at = pdf.lastIndexOf("startxref");
    if (at < 0)
        throw std::runtime_error("no startxref");
    bool ok = false;
    const qint64 offset = pdf.mid(at + 9, 32).trimmed().split('\n').value(0).trimmed().toLongLong(&ok);
    if (!ok)
        throw std::runtime_error("unreadable startxref");
    return offset;
}

// The incremental update that gives the pages of `document` (a file of `size` bytes whose last
// cross-reference section starts at `previous`) their media boxes; empty when no box moves.
std::string mediaBoxUpdate(QPDF& document, qint64 previous, qint64 size, bool endsWithNewline,
                           const std::vector<QRectF>& mediaBoxes)
{
    std::string update;
    QPDFObjectHandle trailer = document.getTrailer();
    int nextObject = int(trailer.getKey("/Size").getIntValue());
    const qint64 base = size + (endsWithNewline ? 0 : 1);
    if (!endsWithNewline)
        update += '\n';

    std::map<int, std::pair<int, qint64>> offsets; // object number → generation, offset
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(document).getAllPages();
    for (size_t i = 0; i < pages.size() && i < mediaBoxes.size(); ++i) {
        const QRectF& box = mediaBoxes[i];
        if (box.x() == 0 && box.y() == 0)
            continue;
        // A content stream placed before the page's own moves everything by the box origin.
        const std::string shift = "1 0 0 1 " + number(box.x()) + " " + number(box.y()) + " cm\n";
        const int shiftObject = nextObject++;
        offsets[shiftObject] = {0, base + qint64(update.size())};
        update += std::to_string(shiftObject) + " 0 obj\n<< /Length " + std::to_string(shift.size()) +
                  " >>\nstream\n" + shift + "\nendstream\nendobj\n";

        QPDFObjectHandle page = pages[i].getObjectHandle();
        std::string contents = "[ " + std::to_string(shiftObject) + " 0 R";
        QPDFObjectHandle existing = page.getKey("/Contents");
        if (existing.isArray()) {
            for (int item = 0; item < existing.getArrayNItems(); ++item)
                contents += " " + existing.getArrayItem(item).unparse();
        } else if (!existing.isNull()) {
            contents += " " + existing.unparse();
        }
        contents += " ]";
        std::string dictionary = "<<";
        for (const std::string& key : page.getKeys())
            if (key != "/MediaBox" && key != "/Contents")
                dictionary += " " + key + " " + page.getKey(key).unparse();
        dictionary += " /MediaBox [ " + number(box.x()) + " " + number(box.y()) + " " +
                      number(box.x() + box.width()) + " " + number(box.y() + box.height()) + " ]";
        dictionary += " /Contents " + contents + " >>";
        const QPDFObjGen id = page.getObjGen();
        offsets[id.getObj()] = {id.getGen(), base + qint64(update.size())};
        update += std::to_string(id.getObj()) + " " + std::to_string(id.getGen()) + " obj\n" + dictionary +
                  "\nendobj\n";
    }
    if (offsets.empty())
        return {};

    const qint64 crossReference = base + qint64(update.size());
    update += "xref\n";
    for (const auto& [object, entry] : offsets) {
        char line[32];
        std::snprintf(line, sizeof line, "%010lld %05d n \n", static_cast<long long>(entry.second),
                      entry.first);
        update += std::to_string(object) + " 1\n" + line;
    }
    update +=
        "trailer\n<< /Size " + std::to_string(nextObject) + " /Root " + trailer.getKey("/Root").unparse();
    if (trailer.hasKey("/Info"))
        update += " /Info " + trailer.getKey("/Info").unparse();
    if (trailer.hasKey("/ID"))
        update += " /ID " + trailer.getKey("/ID").unparse();
    update += " /Prev " + std::to_string(previous) + " >>\nstartxref\n" + std::to_string(crossReference) +
              "\n%%EOF\n";
    return update;
}

void logUnreadable(const QString& reason)
{
    KestrelExtensions::Log::system(QStringLiteral("PDF rendering failed: ") + reason);
}

} // namespace

bool applyMediaBoxes(QByteArray& pdf, const std::vector<QRectF>& mediaBoxes)
{
    std::string update;
    try {
        const qint64 previous = lastCrossReference(pdf);
        QPDF document;
        document.setSuppressWarnings(true);
        document.processMemoryFile("contact sheet", pdf.constData(), size_t(pdf.size()));
        update = mediaBoxUpdate(document, previous, pdf.size(), pdf.endsWith('\n'), mediaBoxes);
    } catch (const std::exception& error) {
        logUnreadable(QString::fromUtf8(error.what()));
        return false;
    }
    // Grown in place: appending past the capacity would move the whole document into a new block.
    pdf.reserve(pdf.size() + qsizetype(update.size()));
    pdf.append(update.data(), qsizetype(update.size()));
    return true;
}

bool applyMediaBoxes(QFileDevice& file, const std::vector<QRectF>& mediaBoxes)
{
    if (!file.flush())
        return false; // the file's own error says why
    const qint64 size = file.size();
    std::string update;
    try {
        const int descriptor = file.handle();
        QByteArray tail(std::min<qint64>(size, 1024), Qt::Uninitialized);
        if (descriptor < 0 ||
            pread(descriptor, tail.data(), size_t(tail.size()), size - tail.size()) != tail.size())
            throw std::runtime_error("the file cannot be read back");
        const qint64 previous = lastCrossReference(tail);
        // qpdf reads through a duplicate descriptor and closes it; the duplicate shares the writer's
        // position, which is set again before the update is appended.
        const int reading = dup(descriptor);
        FILE* stream = reading < 0 ? nullptr : fdopen(reading, "rb");
        if (!stream) {
            if (reading >= 0)
                close(reading);
            throw std::runtime_error("the file cannot be read back");
        }
        QPDF document;
        document.setSuppressWarnings(true);
        document.processFile("contact sheet", stream, true);
        update = mediaBoxUpdate(document, previous, size, tail.endsWith('\n'), mediaBoxes);
    } catch (const std::exception& error) {
        logUnreadable(QString::fromUtf8(error.what()));
        return false;
    }
    return file.seek(size) && file.write(update.data(), qint64(update.size())) == qint64(update.size());
}

} // namespace RuvedovUzedoz
