#include "RunDeflater.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <zlib.h>

namespace RuvedovUzedoz {

namespace {

// A block's input stays under a stored block's largest length, so that any block can be stored instead.
constexpr size_t blockInput = 65535 - 258;
constexpr int literalCodes = 286; // bytes, end of block, run lengths
constexpr int endOfBlock = 256;
constexpr int lengthCodeCount = 19;
// The order in which a dynamic block lists the code lengths of its code-length codes.
constexpr std::array<int, lengthCodeCount> lengthCodeOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                              11, 4,  12, 3, 13, 2, 14, 1, 15};

// The extra bits after each length code 257..285.
constexpr std::array<int, 29> lengthExtraBits = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};

struct LengthCode {
    uint16_t symbol = 0;
    uint8_t extraBits = 0;
    uint16_t extra = 0;
};

// The length symbol and extra bits of each run length 3..258.
const std::array<LengthCode, 259>& lengthCodes()
{
    static const std::array<LengthCode, 259> table = [] {
        constexpr std::array<int, 29> base = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                              31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
        std::array<LengthCode, 259> codes{};
        for (int length = 3; length <= 258; ++length) {
            int code = 28;
            while (base[code] > length)
                --code;
            codes[length] = {uint16_t(257 + code), uint8_t(lengthExtraBits[code]),
                             uint16_t(length - base[code])};
        }
        return codes;
    }();
    return table;
}

// Huffman code lengths for symbols used `frequency` times, none longer than `limit`; unused symbols get 0.
std::vector<uint8_t> codeLengths(const uint32_t* frequency, int count, int limit)
{
    std::vector<uint8_t> lengths(size_t(count), 0);
    std::vector<int> used;
    for (int symbol = 0; symbol < count; ++symbol)
        if (frequency[symbol] > 0)
            used.push_back(symbol);
    const int n = int(used.size());
    if (n == 0)
        return lengths;
    if (n == 1) {
        lengths[size_t(used[0])] = 1;
        return lengths;
    }
    std::stable_sort(used.begin(), used.end(), [&](int a, int b) { return frequency[a] < frequency[b]; });
    // The tree built from two queues, leaves and joined nodes, each in increasing weight.
    std::vector<uint64_t> weight(size_t(2 * n - 1));
    std::vector<int> parent(size_t(2 * n - 1), 0);
    for (int i = 0; i < n; ++i)
        weight[size_t(i)] = frequency[used[size_t(i)]];
    int leaf = 0;
    int joined = n;
    const auto lightest = [&](int next) {
        if (leaf < n && (joined >= next || weight[size_t(leaf)] <= weight[size_t(joined)]))
            return leaf++;
        return joined++;
    };
    for (int next = n; next < 2 * n - 1; ++next) {
        const int a = lightest(next);
        const int b = lightest(next);
        weight[size_t(next)] = weight[size_t(a)] + weight[size_t(b)];
        parent[size_t(a)] = parent[size_t(b)] = next;
    }
    std::vector<int> depth(size_t(2 * n - 1), 0);
    std::array<int, 64> perLength{};
    for (int node = 2 * n - 3; node >= 0; --node) {
        depth[size_t(node)] = depth[size_t(parent[size_t(node)])] + 1;
        if (node < n)
            ++perLength[size_t(std::min(depth[size_t(node)], 63))];
    }
    // Codes past the limit are brought in, lengthening shorter ones until the code is complete again.
    for (int length = limit + 1; length < 64; ++length) {
        perLength[size_t(limit)] += perLength[size_t(length)];
        perLength[size_t(length)] = 0;
    }
    uint64_t total = 0;
    for (int length = limit; length > 0; --length)
        total += uint64_t(perLength[size_t(length)]) << (limit - length);
    while (total > (uint64_t(1) << limit)) {
        --perLength[size_t(limit)];
        for (int length = limit - 1; length > 0; --length) {
            if (perLength[size_t(length)] > 0) {
                --perLength[size_t(length)];
                perLength[size_t(length + 1)] += 2;
                break;
            }
        }
        --total;
    }
    // The most frequent symbols get the shortest codes.
    int next = n - 1;
    for (int length = 1; length <= limit; ++length)
        for (int k = 0; k < perLength[size_t(length)]; ++k)
            lengths[size_t(used[size_t(next--)])] = uint8_t(length);
    return lengths;
}

// Canonical codes for `lengths`, bit-reversed, as a block writes them (first bit lowest).
std::vector<uint16_t> canonicalCodes(const std::vector<uint8_t>& lengths)
{
    std::array<int, 16> perLength{};
    for (const uint8_t length : lengths)
        ++perLength[length];
    perLength[0] = 0;
    std::array<int, 16> next{};
    int code = 0;
    for (int length = 1; length < 16; ++length) {
        code = (code + perLength[size_t(length - 1)]) << 1;
        next[size_t(length)] = code;
    }
    std::vector<uint16_t> codes(lengths.size(), 0);
    for (size_t symbol = 0; symbol < lengths.size(); ++symbol) {
        const int length = lengths[symbol];
        if (length == 0)
            continue;
        int value = next[size_t(length)]++;
        int reversed = 0;
        for (int bit = 0; bit < length; ++bit, value >>= 1)
            reversed = (reversed << 1) | (value & 1);
        codes[symbol] = uint16_t(reversed);
    }
    return codes;
}

// Writes bits first-lowest into memory reserved beforehand.
struct BitWriter {
    uint64_t buffer;
    int count;
    unsigned char* at;

    void put(uint32_t bits, int length)
    {
        buffer |= uint64_t(bits) << count;
        count += length;
        if (count >= 32) {
            for (int i = 0; i < 4; ++i)
                *at++ = static_cast<unsigned char>(buffer >> (8 * i));
            buffer >>= 32;
            count -= 32;
        }
    }
    void align()
    {
        while (count > 0) {
            *at++ = static_cast<unsigned char>(buffer);
            buffer >>= 8;
            count = std::max(0, count - 8);
        }
        buffer = 0;
    }
};

} // namespace

RunDeflater::RunDeflater(uint32_t adler, int last)
    : m_adler(adler), m_last(last), m_input(blockInput + 258), m_symbols(blockInput + 258),
      m_frequency(literalCodes, 0)
{
}

void RunDeflater::add(const unsigned char* data, size_t length, QByteArray& out)
{
    m_adler = uint32_t(adler32(m_adler, data, uInt(length)));
    const auto& runCodes = lengthCodes();
    for (size_t i = 0; i < length;) {
        const unsigned char byte = data[i];
        size_t run = 1;
        if (byte == m_last) {
            while (run < 258 && i + run < length && data[i + run] == byte)
                ++run;
        }
        if (run >= 3) {
            m_symbols[m_symbolCount++] = uint16_t(256 + run);
            ++m_frequency[runCodes[run].symbol];
            std::copy(data + i, data + i + run, m_input.begin() + qsizetype(m_inputLength));
            m_inputLength += run;
            i += run;
        } else {
            m_symbols[m_symbolCount++] = byte;
            ++m_frequency[byte];
            m_input[m_inputLength++] = byte;
            m_last = byte;
            ++i;
        }
        if (m_inputLength >= blockInput)
            flushBlock(false, out);
    }
}

void RunDeflater::finish(QByteArray& out)
{
    flushBlock(true, out);
    const qsizetype before = out.size();
    out.resize(before + 8);
    BitWriter writer{m_bitBuffer, m_bitCount, reinterpret_cast<unsigned char*>(out.data() + before)};
    writer.align();
    for (int shift = 24; shift >= 0; shift -= 8)
        *writer.at++ = static_cast<unsigned char>(m_adler >> shift);
    out.resize(writer.at - reinterpret_cast<unsigned char*>(out.data()));
    m_bitBuffer = 0;
    m_bitCount = 0;
}

void RunDeflater::flushBlock(bool final, QByteArray& out)
{
    const auto& runCodes = lengthCodes();
    std::vector<uint32_t>& frequency = m_frequency;
    frequency[endOfBlock] = 1;
    uint64_t extraBits = 0;
    uint64_t runs = 0;
    for (int symbol = 257; symbol < literalCodes; ++symbol) {
        runs += frequency[size_t(symbol)];
        extraBits += uint64_t(frequency[size_t(symbol)]) * uint64_t(lengthExtraBits[size_t(symbol - 257)]);
    }
    const std::vector<uint8_t> literalLengths = codeLengths(frequency.data(), literalCodes, 15);
    int literalCount = literalCodes;
    while (literalLengths[size_t(literalCount - 1)] == 0)
        --literalCount;
    // One distance code, for distance 1: every run repeats the byte before it.
    std::vector<uint8_t> lengthSequence(literalLengths.begin(), literalLengths.begin() + literalCount);
    lengthSequence.push_back(1);
    std::array<uint32_t, lengthCodeCount> sequenceFrequency{};
    for (const uint8_t length : lengthSequence)
        ++sequenceFrequency[length];
    // The code-length code must be complete, so it codes two symbols at least.
    if (std::count_if(sequenceFrequency.begin(), sequenceFrequency.end(), [](uint32_t f) { return f > 0; }) <
        2)
        ++sequenceFrequency[lengthSequence[0] == 0 ? 1 : 0];
    const std::vector<uint8_t> sequenceLengths = codeLengths(sequenceFrequency.data(), lengthCodeCount, 7);
    int sequenceCodes = lengthCodeCount;
    while (sequenceCodes > 4 && sequenceLengths[size_t(lengthCodeOrder[size_t(sequenceCodes - 1)])] == 0)
        --sequenceCodes;

    uint64_t dynamicBits = 3 + 14 + 3 * uint64_t(sequenceCodes) + extraBits + runs;
    for (const uint8_t length : lengthSequence)
        dynamicBits += sequenceLengths[length];
    for (int symbol = 0; symbol < literalCodes; ++symbol)
        dynamicBits += uint64_t(frequency[size_t(symbol)]) * literalLengths[size_t(symbol)];
    const uint64_t storedBits = 3 + 7 + 32 + 8 * uint64_t(m_inputLength);

    const qsizetype before = out.size();
    out.resize(before + qsizetype(m_inputLength) + 1024);
    BitWriter writer{m_bitBuffer, m_bitCount, reinterpret_cast<unsigned char*>(out.data() + before)};
    if (m_inputLength == 0 || dynamicBits >= storedBits) {
        writer.put(final ? 1 : 0, 3); // stored
        writer.align();
        const uint16_t length = uint16_t(m_inputLength);
        for (const uint16_t half : {length, uint16_t(~length)}) {
            *writer.at++ = static_cast<unsigned char>(half);
            *writer.at++ = static_cast<unsigned char>(half >> 8);
        }
        writer.at = std::copy_n(m_input.begin(), m_inputLength, writer.at);
    } else {
        writer.put(final ? 5 : 4, 3); // dynamic codes
        writer.put(uint32_t(literalCount - 257), 5);
        writer.put(0, 5); // one distance code
        writer.put(uint32_t(sequenceCodes - 4), 4);
        for (int i = 0; i < sequenceCodes; ++i)
            writer.put(sequenceLengths[size_t(lengthCodeOrder[size_t(i)])], 3);
        const std::vector<uint16_t> sequenceBits = canonicalCodes(sequenceLengths);
        for (const uint8_t length : lengthSequence)
            writer.put(sequenceBits[length], sequenceLengths[length]);
        const std::vector<uint16_t> literalBits = canonicalCodes(literalLengths);
        for (size_t i = 0; i < m_symbolCount; ++i) {
            const uint16_t symbol = m_symbols[i];
            if (symbol < 256) {
                writer.put(literalBits[symbol], literalLengths[symbol]);
            } else {
                const LengthCode& code = runCodes[symbol - 256];
                writer.put(literalBits[code.symbol], literalLengths[code.symbol]);
                writer.put(code.extra, code.extraBits);
                writer.put(0, 1); // distance 1
            }
        }
        writer.put(literalBits[endOfBlock], literalLengths[endOfBlock]);
    }
    m_bitBuffer = writer.buffer;
    m_bitCount = writer.count;
    out.resize(writer.at - reinterpret_cast<unsigned char*>(out.data()));
    m_inputLength = 0;
    m_symbolCount = 0;
    std::fill(frequency.begin(), frequency.end(), 0);
}

} // namespace RuvedovUzedoz
