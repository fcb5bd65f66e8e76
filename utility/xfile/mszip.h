// The MSZIP blocks of compressed X files. Each block is
//   uncompressed size (16 bit) | compressed size (16 bit, counting what follows) | "CK" | raw
//   deflate
// and inflates with the output of the blocks before it as its dictionary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The largest uncompressed block the writer makes: the deflate window, so a
// block's dictionary is exactly the block before it.
constexpr size_t MszipBlockSize = 32768;
// The most one block can inflate to: its size field has 16 bits.
constexpr size_t MszipMaxBlockOutput = 0xFFFF;
// How far back into the output before it a block may look: the deflate
// window.
constexpr size_t MszipDictionaryBytes = 32768;

// Inflates the blocks in [data, data + size) one at a time, at most outSize
// bytes in all, so that a reader can work on the first blocks while the
// later ones are still to come, and stop early. The output goes wherever
// the caller keeps it, as long as each block's dictionary (the last
// MszipDictionaryBytes of output) lies just before it.
class MszipInflater {
public:
    MszipInflater(const std::uint8_t* data, size_t size, size_t outSize);
    ~MszipInflater();
    MszipInflater(const MszipInflater&) = delete;
    MszipInflater& operator=(const MszipInflater&) = delete;

    enum class Step { Block, End, Bad };
    // Inflates the next block to `out`, which has room for
    // MszipMaxBlockOutput bytes and the dictionary just before it: Block
    // when it did, End after the last block, Bad when a block is cut short,
    // lacks its "CK", does not inflate, inflates to another size than it
    // declares, or the output would pass outSize bytes. Bad and End are
    // final.
    Step Next(std::uint8_t* out);
    size_t Produced() const { return produced; }
    // Where in the blocks the block Next last looked at starts.
    size_t BlockStart() const { return blockStart; }

private:
    struct Stream;
    std::unique_ptr<Stream> stream;
    const std::uint8_t* data;
    size_t size;
    size_t pos = 0;
    size_t blockStart = 0;
    size_t outSize;
    size_t produced = 0;
    bool ended = false;
};

// Appends the blocks that hold [data, data + size) to out.
bool DeflateMszip(const std::uint8_t* data, size_t size, std::vector<std::uint8_t>& out);
