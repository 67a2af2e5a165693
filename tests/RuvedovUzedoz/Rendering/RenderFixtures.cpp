#include "RenderFixtures.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace RenderFixtures {

void spinUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(60000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
}

std::array<int, 3> Raster::pixel(int x, int y) const
{
    const qsizetype at = (qsizetype(y) * width + x) * 3;
    return {uchar(rgb[at]), uchar(rgb[at + 1]), uchar(rgb[at + 2])};
}

std::optional<Raster> rasterize(const QByteArray& pdf, int page, int dpi)
{
    QTemporaryDir dir;
    QFile input(dir.filePath(QStringLiteral("in.pdf")));
    if (!input.open(QIODevice::WriteOnly) || input.write(pdf) != pdf.size())
        return std::nullopt;
    input.close();
    QProcess process;
    process.start(QStringLiteral("pdftoppm"),
                  {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), QString::number(page),
                   QStringLiteral("-l"), QString::number(page), QStringLiteral("-singlefile"),
                   input.fileName(), dir.filePath(QStringLiteral("out"))});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return std::nullopt;
    QFile output(dir.filePath(QStringLiteral("out.ppm")));
    if (!output.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = output.readAll();
    // P6 header: magic, width, height, maximum, each followed by one whitespace.
    QList<QByteArray> fields;
    qsizetype position = 0;
    while (fields.size() < 4 && position < data.size()) {
        while (position < data.size() && QChar(data[position]).isSpace())
            ++position;
        const qsizetype start = position;
        while (position < data.size() && !QChar(data[position]).isSpace())
            ++position;
        fields.append(data.mid(start, position - start));
    }
    if (fields.size() < 4 || fields[0] != "P6")
        return std::nullopt;
    Raster raster;
    raster.width = fields[1].toInt();
    raster.height = fields[2].toInt();
    raster.rgb = data.mid(position + 1);
    if (raster.rgb.size() < qsizetype(raster.width) * raster.height * 3)
        return std::nullopt;
    return raster;
}

QString extractText(const QByteArray& pdf)
{
    QTemporaryDir dir;
    QFile input(dir.filePath(QStringLiteral("in.pdf")));
    if (!input.open(QIODevice::WriteOnly) || input.write(pdf) != pdf.size())
        return {};
    input.close();
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {input.fileName(), QStringLiteral("-")});
    if (!process.waitForFinished(60000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

RuvedovUzedoz::PageLayout layout()
{
    RuvedovUzedoz::PageLayout layout = RuvedovUzedoz::PageLayout::defaultLayout();
    layout.fontName = QStringLiteral("DejaVu Sans");
    return layout;
}

} // namespace RenderFixtures
