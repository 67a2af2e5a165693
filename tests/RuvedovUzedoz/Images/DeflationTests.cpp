#include "RuvedovUzedoz/Images/DeflatedRows.h"
#include "RuvedovUzedoz/Images/RunDeflater.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

using namespace RuvedovUzedoz;

// Literals, runs at the 258-byte limit and across pieces and blocks, codes past 15 bits: zlib reads back the
// exact bytes. Each block is the smaller of stored and coded with its own codes; exact sizes show a change in
// either. Stored data costs 5 bytes a block of 65277 (a stored block's most less one run), 6 for the stream.
TEST(RunDeflater, CodesWhatZlibReadsBackInTheSmallerOfStoredAndCodedBlocks)
{
    const auto randomRuns = [](qsizetype length, int longest, int values = 256) {
        std::mt19937 random{unsigned(length)};
        QByteArray data;
        while (data.size() < length)
            data += QByteArray(1 + int(random() % unsigned(longest)), char(random() % unsigned(values)));
        return data.left(length);
    };
    QByteArray everyRun, skewed; // runs of every length and more; byte k repeated fib(k) times, shuffled
    for (int length = 1; length <= 300; ++length)
        everyRun += QByteArray(length, char(length));
    for (int k = 0, a = 1, b = 1; k < 22; ++k, b += std::exchange(a, b))
        skewed += QByteArray(a, char(k * 11));
    std::shuffle(skewed.begin(), skewed.end(), std::mt19937(1));
    const std::tuple<const char*, QByteArray, qsizetype, qsizetype> rows[] = {
        {"empty", {}, 1, 11},
        {"one byte", "a", 1, 12},
        {"runs of 1 to 300 bytes", everyRun, 1 << 20, 813},
        {"one value in pieces", QByteArray(200000, 'z'), 4096, 422},
        {"random, a byte short of a block", randomRuns(65276, 1), 1 << 20, 65287},
        {"random, a block", randomRuns(65277, 1), 1 << 20, 65293},
        {"random with a run", randomRuns(30000, 1) + "rrrrrrrrr" + randomRuns(30001, 1), 1 << 20, 60021},
        {"runs, then random", QByteArray(70000, 'z') + randomRuns(70000, 1), 1 << 20, 70221},
        {"short runs in rows", randomRuns(200000, 5), 999, 126321},
        {"skewed", skewed, 1 << 20, 15373},
    };
    for (const auto& [name, data, piece, size] : rows) {
        SCOPED_TRACE(name);
        // What qUncompress reads: a length to start from and a zlib header, which the coder carries on from.
        QByteArray stream("\0\0\0\0\x78\x01", 6);
        RunDeflater deflater(1, -1);
        for (qsizetype at = 0; at < data.size(); at += piece)
            deflater.add(reinterpret_cast<const uchar*>(data.constData()) + at,
                         size_t(std::min(piece, data.size() - at)), stream);
        deflater.finish(stream);
        EXPECT_TRUE(qUncompress(stream) == data);
        EXPECT_EQ(stream.size() - 4, size);
    }
}

TEST(DeflatedRows, CopyToAFileThatCannotBeWrittenFails)
{
    DeflatedRows rows;
    ASSERT_TRUE(rows.append("rows", 4));
    const int readOnly = ::open("/dev/zero", O_RDONLY | O_CLOEXEC);
    EXPECT_FALSE(rows.copyTo(readOnly, 0));
    ::close(readOnly);
}
