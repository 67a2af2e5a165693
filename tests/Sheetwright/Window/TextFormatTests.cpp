#include "Sheetwright/Extensions/PDFInfoWriter.h"
#include "Sheetwright/Window/ByteCountFormatter.h"
#include "Sheetwright/Window/Plurals.h"
#include "WindowTestSupport.h"

#include <csignal>
#include <sys/resource.h>

using namespace Sheetwright;

TEST(TextFormat, CountsAndFileSizesReadAsWords)
{
    using Plurals::localized;
    const std::pair<QString, const char*> texts[] = {
        {localized("pdf-info %lld %lld", qint64(1), qint64(1)), "1 image, 1 page"},
        {localized("render %f %f", 1.0, 1.0), "1 of 1 page"},
        {localized("render %f %f", 2.5, 5.0), "2.5 of 5 pages"},
        // A key the table lacks shows with its numbers filled in.
        {localized("other %lld %lld", qint64(3), qint64(4)), "other 3 4"},
        {localized("other %f %f", 1.0, 3.0), "other 1.000000 3.000000"}};
    for (const auto& [text, expected] : texts)
        EXPECT_EQ(text, expected);
    const std::pair<qint64, const char*> sizes[] = {
        {0, "Zero KB"},        {1, "1 byte"},       {999, "999 bytes"},
        {1500, "2 KB"},        {94'250, "94 KB"},   {999'999, "1 MB"},
        {1'500'000, "1.5 MB"}, {2'000'000, "2 MB"}, {1'234'567'890, "1.23 GB"}};
    for (const auto& [bytes, expected] : sizes)
        EXPECT_EQ(formatByteCount(bytes), expected) << bytes;
}

namespace {

// The PDF as a render leaves it: in memory, or kept in a file of its own in `folder`.
RuvedovUzedoz::PDFInfo pdfInfo(const QByteArray& bytes, bool onDisk, const QString& folder)
{
    RuvedovUzedoz::PDFInfo pdf{onDisk ? QByteArray() : bytes, bytes.size(), 1};
    if (onDisk && (pdf.file = RuvedovUzedoz::PDFFile::create(folder)))
        WindowTests::writeFile(pdf.file->path(), bytes);
    return pdf;
}

// Writes `pdf` to `path` while no file may grow past 512 bytes, as on a full disk (even for root).
std::optional<QString> writeCutOff(const RuvedovUzedoz::PDFInfo& pdf, const QString& path)
{
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limited{512, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limited);
    const auto error = writePDFInfo(pdf, path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    return error;
}

} // namespace

TEST(PDFInfoWriter, WritesTheBytesUnchangedOrReportsWhy)
{
    for (const bool onDisk : {false, true}) {
        SCOPED_TRACE(onDisk ? "kept on disk" : "in memory");
        QTemporaryDir folder;
        const QString renders = folder.filePath("renders");
        const QString path = folder.filePath("sheet.pdf");
        const QByteArray bytes("%PDF-1.7\n\0binary", 16);
        EXPECT_FALSE(writePDFInfo(pdfInfo(bytes, onDisk, renders), path));
        EXPECT_EQ(WindowTests::readFile(path), bytes);
        const QString missing = folder.filePath("missing/folder/sheet.pdf");
        EXPECT_FALSE(writePDFInfo(pdfInfo(bytes, onDisk, renders), missing).value_or("").isEmpty());
        EXPECT_FALSE(QFile::exists(missing));

        // A write cut off part-way fails and leaves the earlier file whole, also past one piece of a copy.
        for (const qsizetype length : {qsizetype(2000), qsizetype(200000), qsizetype(3 << 20)}) {
            const auto cutOff = writeCutOff(pdfInfo(QByteArray(length, 'p'), onDisk, renders), path);
            EXPECT_TRUE(cutOff.value_or("").contains("disk may be full")) << length;
            EXPECT_EQ(WindowTests::readFile(path), bytes) << length;
        }
        if (!onDisk)
            continue;
        // A large PDF on disk is copied whole; one whose file has gone fails and leaves the earlier export.
        const QByteArray large(3 << 20, 'q');
        EXPECT_FALSE(writePDFInfo(pdfInfo(large, true, renders), path));
        EXPECT_EQ(WindowTests::readFile(path), large);
        const RuvedovUzedoz::PDFInfo gone = pdfInfo(bytes, true, renders);
        QFile::remove(gone.file->path());
        EXPECT_TRUE(writePDFInfo(gone, path).value_or("").contains("cannot be read"));
        EXPECT_EQ(WindowTests::readFile(path), large);
    }
}
