#include "RuvedovUzedoz/Pdf/IncrementalUpdate.h"

#include <QList>
#include <stdexcept>
#include <unistd.h>

namespace RuvedovUzedoz::IncrementalUpdate {

qint64 lastCrossReference(const QByteArray& tail)
{
    const qsizetype at = tail.lastIndexOf("startxref");
    if (at < 0)
        throw std::runtime_error("no startxref");
    bool ok = false;
    const qint64 offset = tail.mid(at + 9, 32).trimmed().split('\n').value(0).trimmed().toLongLong(&ok);
    if (!ok)
        throw std::runtime_error("unreadable startxref");
    return offset;
}

FILE* readingStream(int descriptor)
{
    const int reading = descriptor < 0 ? -1 : dup(descriptor);
    FILE* stream = reading < 0 ? nullptr : fdopen(reading, "rb");
    if (!stream) {
        if (reading >= 0)
            close(reading);
        throw std::runtime_error("the file cannot be read back");
    }
    return stream;
}

void forEachJpegImage(QPDF& document, const JpegImageVisitor& visit)
{
    for (const auto& [id, entry] : document.getXRefTable()) {
        if (entry.getType() != 1)
            continue;
        QPDFObjectHandle object = document.getObjectByObjGen(id);
        if (!object.isStream())
            continue;
        QPDFObjectHandle dictionary = object.getDict();
        if (dictionary.getKey("/Subtype").isNameAndEquals("/Image") &&
            dictionary.getKey("/Filter").isNameAndEquals("/DCTDecode") &&
            dictionary.getKey("/Length").isInteger())
            visit(id, entry.getOffset(), object, dictionary);
    }
}

} // namespace RuvedovUzedoz::IncrementalUpdate
