#include "RuvedovUzedoz/Sheet/PDFInfo.h"

#include <QFile>

namespace RuvedovUzedoz {

QByteArray PDFInfo::bytes() const
{
    if (!file)
        return data;
    QFile source(file->path());
    return source.open(QIODevice::ReadOnly) ? source.readAll() : QByteArray();
}

} // namespace RuvedovUzedoz
