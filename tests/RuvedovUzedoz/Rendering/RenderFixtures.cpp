#include "RenderFixtures.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>

namespace RenderFixtures {

namespace {

QByteArray poppler(const QString& tool, const QStringList& arguments, const QByteArray& pdf)
{
    QProcess process;
    process.start(tool, arguments);
    process.write(pdf);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

} // namespace

void spinUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(60000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
}

QImage rasterize(const QByteArray& pdf, int page, int dpi)
{
    const QString n = QString::number(page);
    return QImage::fromData(
        poppler(QStringLiteral("pdftoppm"),
                {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), n, QStringLiteral("-l"), n,
                 QStringLiteral("-singlefile"), QStringLiteral("-")},
                pdf),
        "PPM");
}

std::array<int, 3> rgb(const QImage& raster, int x, int y)
{
    const QColor color = raster.pixelColor(x, y);
    return {color.red(), color.green(), color.blue()};
}

QString extractText(const QByteArray& pdf)
{
    return QString::fromUtf8(
        poppler(QStringLiteral("pdftotext"), {QStringLiteral("-"), QStringLiteral("-")}, pdf));
}

std::vector<std::pair<QString, QRectF>> words(const QByteArray& pdf)
{
    static const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([-\d.]+)" yMin="([-\d.]+)" xMax="([-\d.]+)" yMax="([-\d.]+)">([^<]*)<)re"));
    const QString html =
        QString::fromUtf8(poppler(QStringLiteral("pdftotext"),
                                  {QStringLiteral("-bbox"), QStringLiteral("-"), QStringLiteral("-")}, pdf));
    std::vector<std::pair<QString, QRectF>> result;
    for (const QRegularExpressionMatch& match : word.globalMatch(html))
        result.emplace_back(match.captured(5),
                            QRectF(QPointF(match.captured(1).toDouble(), match.captured(2).toDouble()),
                                   QPointF(match.captured(3).toDouble(), match.captured(4).toDouble())));
    return result;
}

RuvedovUzedoz::PageLayout layout(const RuvedovUzedoz::SavedPageLayout& changes)
{
    RuvedovUzedoz::PageLayout layout = RuvedovUzedoz::PageLayout::defaultLayout();
    layout.fontName = QStringLiteral("DejaVu Sans");
    layout.apply(changes);
    return layout;
}

RuvedovUzedoz::ContactSheet sheetOf(const QList<QUrl>& images)
{
    RuvedovUzedoz::ContactSheet sheet;
    sheet.images = QSet<QUrl>(images.begin(), images.end());
    return sheet;
}

} // namespace RenderFixtures
