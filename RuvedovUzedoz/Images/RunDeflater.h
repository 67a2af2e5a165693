#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace RuvedovUzedoz {

// Carries on a zlib stream that ends on a byte boundary (after a sync flush) with blocks that code only
// literals and runs of one repeated byte, as zlib's run-only strategy does, in a fraction of its time:
// rows of photographs, where searching for repeats finds nothing, are most of what the workers compress.
// Each block gets its own Huffman codes, or is stored when coding would not make it smaller.
class RunDeflater {
public:
    // `adler`: the checksum of the data the stream holds so far; `last`: its last byte, when there is one.
    RunDeflater(uint32_t adler, int last);

    // Codes `length` bytes, appending whole blocks to `out` as they fill.
    void add(const unsigned char* data, size_t length, QByteArray& out);
    // Codes what is left as the final block and ends the stream with its checksum.
    void finish(QByteArray& out);

private:
    void flushBlock(bool final, QByteArray& out);
    void putBits(uint64_t bits, int count, QByteArray& out);
    void alignToByte(QByteArray& out);

    uint32_t m_adler;
    int m_last; // the byte before the pending ones, -1 at the start of the data
    // Pending input of the current block and its symbols: a byte, or 256 + run length for a run.
    std::vector<unsigned char> m_input;
    size_t m_inputLength = 0;
    std::vector<uint16_t> m_symbols;
    size_t m_symbolCount = 0;
    std::vector<uint32_t> m_frequency; // of each literal/length code in the pending symbols
    uint64_t m_bitBuffer = 0;
    int m_bitCount = 0;
};

} // namespace RuvedovUzedoz
