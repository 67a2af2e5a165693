#include "RuvedovUzedoz/Images/DeflatedRows.h"
#include "RuvedovUzedoz/Images/RunDeflater.h"

#include <QTemporaryFile>
#include <cerrno>
#include <gtest/gtest.h>
#include <random>

using namespace RuvedovUzedoz;

// Exact sizes: each block stored (5 bytes a block of 65277 at most) or coded, whichever is smaller.
TEST(RunDeflater, CodesWhatZlibReadsBackInTheSmallerOfStoredAndCodedBlocks)
{
    const auto randomRuns = [](qsizetype length, int longest, int values = 256) {
        std::mt19937 random{unsigned(length)};
        QByteArray data;
        while (data.size() < length)
            data += QByteArray(1 + int(random() % unsigned(longest)), char(random() % unsigned(values)));
        return data.left(length);
    };
    QByteArray everyRun, skewed; // runs of every length and more; byte k fib(k) times, between 0xFFs
    for (int length = 1; length <= 300; ++length)
        everyRun += QByteArray(length, char(length));
    for (int k = 0, a = 1, b = 2; k < 20; ++k, b += std::exchange(a, b))
        skewed += (QByteArray(1, char(k * 11)) + '\xFF').repeated(a);
    const std::tuple<const char*, QByteArray, qsizetype, qsizetype> rows[] = {
        {"runs of 1 to 300 bytes", everyRun, 1 << 20, 813},
        {"one value, then random, in pieces", QByteArray(200000, 'z') + randomRuns(70000, 1), 4096, 70476},
        {"random, a byte short of a block", randomRuns(65276, 1), 1 << 20, 65287},
        {"random, two blocks", randomRuns(130554, 1), 1 << 20, 130575},
        {"barely incompressible", randomRuns(7891, 1, 250) + "xxxxyyyyyyyyyyyyy", 1 << 20, 7919},
        {"barely compressible", randomRuns(7875, 1, 250) + "xxxxyyyyyyyyyyyyy", 1 << 20, 7904},
        {"short runs in rows", randomRuns(200000, 5), 999, 126321},
        {"codes past 15 bits", skewed, 1 << 20, 16605},
    };
    for (const auto& [name, data, piece, size] : rows) {
        QByteArray stream("\0\0\0\0\x78\x01", 6); // qUncompress's length field, a zlib header to carry on
        RunDeflater deflater(1, -1);
        for (qsizetype at = 0; at < data.size(); at += piece)
            deflater.add(reinterpret_cast<const uchar*>(data.constData()) + at,
                         size_t(std::min(piece, data.size() - at)), stream);
        deflater.finish(stream);
        EXPECT_TRUE(qUncompress(stream) == data) << name;
        EXPECT_EQ(stream.size() - 4, size) << name;
    }
}

// errno may still hold EINTR from an earlier call.
TEST(DeflatedRows, RetriesOnlyInterruptedCallsAndStopsWhereReadingOrWritingFails)
{
    DeflatedRows rows;
    QTemporaryFile from, to;
    ASSERT_TRUE(from.open() && to.open() && from.write("file") == 4 && from.flush());
    errno = EINTR;
    EXPECT_TRUE(rows.append("r", 1) && rows.append("ows", 3) && rows.readAll() == "rows");
    EXPECT_FALSE(rows.read([](const char*, qint64) { return false; }));
    EXPECT_FALSE(DeflatedRows::copyBetween(from.handle(), 0, to.handle(), 0, 5)); // the source ends early
    QFile readOnly(from.fileName());
    EXPECT_TRUE(readOnly.open(QIODevice::ReadOnly) && !rows.copyTo(readOnly.handle(), 0));
}
