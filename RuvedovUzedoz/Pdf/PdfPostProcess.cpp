#include "RuvedovUzedoz/Pdf/PdfPostProcess.h"

#include "KestrelExtensions/Logging/Log.h"
#include "RuvedovUzedoz/Images/ColorProfile.h"
#include "RuvedovUzedoz/Images/JpegStructure.h"
#include "RuvedovUzedoz/Pdf/IncrementalUpdate.h"

#include <QFileDevice>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <functional>
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

// Reads `length` bytes at `offset` of the written PDF (fewer at its end).
using ReadAt = std::function<QByteArray(qint64 offset, qint64 length)>;

// A change made in place, without moving anything after it.
struct Patch {
    qint64 offset;
    std::string text;
};

int componentsOf(QPDFObjectHandle colorSpace)
{
    if (!colorSpace.isName())
        return 0;
    const std::string name = colorSpace.getName();
    return name == "/DeviceGray" ? 1 : name == "/DeviceRGB" ? 3 : name == "/DeviceCMYK" ? 4 : 0;
}

// The colour profile that a JPEG image stream carries in its own header, empty when there is none.
QByteArray embeddedProfile(const ReadAt& readAt, qint64 dataStart, qint64 dataLength)
{
    QByteArray head;
    for (qint64 amount = 16 * 1024; head.size() < dataLength; amount *= 2) {
        head = readAt(dataStart, std::min(amount, dataLength));
        const JpegStructure structure = JpegStructure::read(head);
        if (!structure.headerCut || head.size() < std::min(amount, dataLength))
            return structure.iccProfile;
    }
    return {};
}

// JPEG images keep their profile in their own data, where PDF readers do not look: each such image gets
// an ICCBased colour space holding the profile (one object per distinct profile). The image's colour
// space name is overwritten in place by the reference, padded to the same length, so the image itself
// is never rewritten. Appends the profile objects to `update`.
void attachColorProfiles(QPDF& document, const ReadAt& readAt, qint64 base, int& nextObject,
                         std::string& update, std::map<int, std::pair<int, qint64>>& offsets,
                         std::vector<Patch>& patches)
{
    std::map<QByteArray, int> profileObjects;
    IncrementalUpdate::forEachJpegImage(document, [&](QPDFObjGen, qint64 at, QPDFObjectHandle&,
                                                      QPDFObjectHandle& dictionary) {
        const int components = componentsOf(dictionary.getKey("/ColorSpace"));
        const std::string name = dictionary.getKey("/ColorSpace").isName()
                                     ? dictionary.getKey("/ColorSpace").getName()
                                     : std::string();
        if (components == 0)
            return;
        // The object's text up to its data: "n g obj << … /ColorSpace /DeviceRGB … >> stream".
        const QByteArray head = readAt(at, 4096);
        const qsizetype streamKeyword = head.indexOf("stream");
        if (streamKeyword < 0)
            return;
        const QByteArray key = QByteArray("/ColorSpace");
        const qsizetype keyAt = head.left(streamKeyword).indexOf(key);
        if (keyAt < 0)
            return;
        qsizetype nameAt = keyAt + key.size();
        while (nameAt < streamKeyword &&
               (head[nameAt] == ' ' || head[nameAt] == '\n' || head[nameAt] == '\r'))
            ++nameAt;
        if (head.mid(nameAt, qsizetype(name.size())) != QByteArray::fromStdString(name))
            return;
        qsizetype dataStart = streamKeyword + 6;
        if (head.mid(dataStart, 2) == "\r\n")
            dataStart += 2;
        else if (head.mid(dataStart, 1) == "\n")
            dataStart += 1;
        else
            return;

        const QByteArray profile =
            embeddedProfile(readAt, at + dataStart, dictionary.getKey("/Length").getIntValue());
        if (profile.isEmpty() || ColorProfile::components(profile) != components)
            return;
        auto [known, added] = profileObjects.try_emplace(profile, nextObject + 1);
        if (added) {
            // The profile's stream, then the colour space array that names it.
            const int stream = nextObject++;
            offsets[stream] = {0, base + qint64(update.size())};
            update += std::to_string(stream) + " 0 obj\n<< /N " + std::to_string(components) +
                      " /Alternate " + name + " /Length " + std::to_string(profile.size()) + " >>\nstream\n" +
                      profile.toStdString() + "\nendstream\nendobj\n";
            const int space = nextObject++;
            offsets[space] = {0, base + qint64(update.size())};
            update +=
                std::to_string(space) + " 0 obj\n[ /ICCBased " + std::to_string(stream) + " 0 R ]\nendobj\n";
        }
        std::string reference = std::to_string(known->second) + " 0 R";
        if (reference.size() > name.size())
            return;
        reference.resize(name.size(), ' ');
        patches.push_back({at + nameAt, reference});
    });
}

// The incremental update that gives the pages of `document` (a file of `size` bytes whose last
// cross-reference section starts at `previous`) their media boxes and its JPEG images their colour
// profiles, with the in-place `patches` that go with it; empty when there is nothing to change.
std::string documentUpdate(QPDF& document, qint64 previous, qint64 size, bool endsWithNewline,
                           const std::vector<QRectF>& mediaBoxes, const ReadAt& readAt,
                           std::vector<Patch>& patches)
{
    std::string update;
    QPDFObjectHandle trailer = document.getTrailer();
    int nextObject = int(trailer.getKey("/Size").getIntValue());
    // Offsets count from the end of the file: a newline put before the update is part of the update.
    const qint64 base = size;
    if (!endsWithNewline)
        update += '\n';

    std::map<int, std::pair<int, qint64>> offsets; // object number → generation, offset
    attachColorProfiles(document, readAt, base, nextObject, update, offsets, patches);
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

bool completePdf(QByteArray& pdf, const std::vector<QRectF>& mediaBoxes)
{
    std::string update;
    std::vector<Patch> patches;
    try {
        const qint64 previous = IncrementalUpdate::lastCrossReference(pdf);
        QPDF document;
        document.setSuppressWarnings(true);
        document.processMemoryFile("contact sheet", pdf.constData(), size_t(pdf.size()));
        const ReadAt readAt = [&pdf](qint64 offset, qint64 length) {
            return offset < 0 || offset >= pdf.size() ? QByteArray() : pdf.mid(offset, length);
        };
        update =
            documentUpdate(document, previous, pdf.size(), pdf.endsWith('\n'), mediaBoxes, readAt, patches);
    } catch (const std::exception& error) {
        logUnreadable(QString::fromUtf8(error.what()));
        return false;
    }
    for (const Patch& patch : patches)
        std::copy(patch.text.begin(), patch.text.end(), pdf.begin() + patch.offset);
    // Grown in place: appending past the capacity would move the whole document into a new block.
    pdf.reserve(pdf.size() + qsizetype(update.size()));
    pdf.append(update.data(), qsizetype(update.size()));
    return true;
}

bool completePdf(QFileDevice& file, const std::vector<QRectF>& mediaBoxes)
{
    if (!file.flush())
        return false; // the file's own error says why
    const qint64 size = file.size();
    const int descriptor = file.handle();
    std::string update;
    std::vector<Patch> patches;
    try {
        const ReadAt readAt = [descriptor, size](qint64 offset, qint64 length) {
            QByteArray bytes(std::max<qint64>(0, std::min(length, size - offset)), Qt::Uninitialized);
            if (descriptor < 0 || offset < 0 ||
                pread(descriptor, bytes.data(), size_t(bytes.size()), offset) != bytes.size())
                throw std::runtime_error("the file cannot be read back");
            return bytes;
        };
        const QByteArray tail = readAt(size - std::min<qint64>(size, 1024), 1024);
        const qint64 previous = IncrementalUpdate::lastCrossReference(tail);
        FILE* stream = IncrementalUpdate::readingStream(descriptor);
        QPDF document;
        document.setSuppressWarnings(true);
        document.processFile("contact sheet", stream, true);
        update = documentUpdate(document, previous, size, tail.endsWith('\n'), mediaBoxes, readAt, patches);
    } catch (const std::exception& error) {
        logUnreadable(QString::fromUtf8(error.what()));
        return false;
    }
    for (const Patch& patch : patches) {
        if (pwrite(descriptor, patch.text.data(), patch.text.size(), patch.offset) !=
            qint64(patch.text.size()))
            return false;
    }
    return file.seek(size) && file.write(update.data(), qint64(update.size())) == qint64(update.size());
}

} // namespace RuvedovUzedoz
