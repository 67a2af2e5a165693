#include "Sheetwright/Extensions/PDFInfoWriter.h"
#include "Sheetwright/Window/ByteCountFormatter.h"
#include "Sheetwright/Window/Plurals.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace Sheetwright;

TEST(Plurals, CountedLinesFollowEachNumber)
{
    struct Row {
        qint64 images;
        qint64 pages;
        const char* text;
    };
    for (const Row& row :
         {Row{0, 0, "0 images, 0 pages"}, Row{1, 1, "1 image, 1 page"}, Row{5, 2, "5 images, 2 pages"}})
        EXPECT_EQ(Plurals::localized("pdf-info %lld %lld", row.images, row.pages),
                  QString::fromUtf8(row.text));
    EXPECT_EQ(Plurals::localized("render %f %f", 1.0, 1.0), QStringLiteral("1 of 1 page"));
    EXPECT_EQ(Plurals::localized("render %f %f", 2.0, 5.0), QStringLiteral("2 of 5 pages"));
    EXPECT_EQ(Plurals::localized("render %f %f", 2.5, 5.0), QStringLiteral("2.5 of 5 pages"));
    // A key the table lacks shows with its numbers filled in.
    EXPECT_EQ(Plurals::localized("other %lld %lld", qint64(3), qint64(4)), QStringLiteral("other 3 4"));
    EXPECT_EQ(Plurals::localized("other %f %f", 1.0, 3.0), QStringLiteral("other 1.000000 3.000000"));
}

TEST(ByteCountFormatter, FileSizesInDecimalUnits)
{
    struct Row {
        qint64 bytes;
        const char* text;
    };
    const Row rows[] = {
        {0, "Zero KB"},    {1, "1 byte"},         {999, "999 bytes"},  {1500, "2 KB"},
        {999'999, "1 MB"}, {1'500'000, "1.5 MB"}, {2'000'000, "2 MB"}, {1'234'567'890, "1.23 GB"},
        {94'250, "94 KB"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(formatByteCount(row.bytes), QString::fromUtf8(row.text)) << row.bytes;
}

namespace {

// The PDF as a render leaves it: in memory, or kept in a file of its own in `folder`.
RuvedovUzedoz::PDFInfo pdfInfo(const QByteArray& bytes, bool onDisk, const QString& folder)
{
    RuvedovUzedoz::PDFInfo pdf{onDisk ? QByteArray() : bytes, bytes.size(), 1};
    if (onDisk) {
        auto file = RuvedovUzedoz::PDFFile::create(folder);
        QFile out(file->path());
        if (out.open(QIODevice::WriteOnly))
            out.write(bytes);
        pdf.file = std::move(file);
    }
    return pdf;
}

} // namespace

TEST(PDFInfoWriter, WritesTheBytesUnchangedOrReportsWhy)
{
    for (const bool onDisk : {false, true}) {
        SCOPED_TRACE(onDisk ? "kept on disk" : "in memory");
        QTemporaryDir folder;
        const QString renders = folder.filePath(QStringLiteral("renders"));
        const QByteArray bytes("%PDF-1.7\n\0binary", 16);
        const RuvedovUzedoz::PDFInfo pdf = pdfInfo(bytes, onDisk, renders);
        const QString path = folder.filePath(QStringLiteral("sheet.pdf"));
        EXPECT_FALSE(writePDFInfo(pdf, path));
        QFile written(path);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), bytes);
        written.close();

        const auto error = writePDFInfo(pdf, folder.filePath(QStringLiteral("missing/folder/sheet.pdf")));
        ASSERT_TRUE(error);
        EXPECT_FALSE(error->isEmpty());
        EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("missing/folder/sheet.pdf"))));

        // A write cut off part-way, as on a full disk (a file-size limit does that even for root), reports
        // the failure and leaves the earlier file whole, for a small PDF as much as for a large one (larger
        // than one piece of a copy from disk).
        for (const qsizetype length : {qsizetype(2000), qsizetype(200000), qsizetype(3 << 20)}) {
            const RuvedovUzedoz::PDFInfo big = pdfInfo(QByteArray(length, 'p'), onDisk, renders);
            rlimit saved{};
            ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
            const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit limited = saved;
            limited.rlim_cur = 512;
            ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
            const auto cutOff = writePDFInfo(big, path);
            setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, previousHandler);
            ASSERT_TRUE(cutOff) << length;
            EXPECT_TRUE(cutOff->contains(QStringLiteral("disk may be full"))) << cutOff->toStdString();
            ASSERT_TRUE(written.open(QIODevice::ReadOnly));
            EXPECT_EQ(written.readAll(), bytes) << length;
            written.close();
        }
        if (!onDisk)
            continue;
        // A large PDF on disk is copied whole; one whose file has gone fails and leaves the earlier export.
        const QByteArray large(3 << 20, 'q');
        EXPECT_FALSE(writePDFInfo(pdfInfo(large, true, renders), path));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), large);
        written.close();
        const RuvedovUzedoz::PDFInfo gone = pdfInfo(bytes, true, renders);
        QFile::remove(gone.file->path());
        const auto missing = writePDFInfo(gone, path);
        ASSERT_TRUE(missing);
        EXPECT_TRUE(missing->contains(QStringLiteral("cannot be read"))) << missing->toStdString();
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), large);
        written.close();
    }
}
