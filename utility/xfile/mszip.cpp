#include "utility/xfile/mszip.h"

#include <zlib.h>

#include <algorithm>

namespace {

constexpr size_t BlockHeaderSize = 4;
constexpr size_t SignatureSize = 2; // "CK"
constexpr size_t MaxBlockField = 0xFFFF;

unsigned ReadWord(const std::uint8_t* p) {
    return unsigned(p[0]) | unsigned(p[1]) << 8;
}

void AppendWord(std::vector<std::uint8_t>& out, size_t value) {
    out.push_back(std::uint8_t(value & 0xFF));
    out.push_back(std::uint8_t(value >> 8));
}

// The window of what was produced so far, where the next block may look back.
size_t DictionaryLength(size_t produced) {
    return std::min(produced, MszipDictionaryBytes);
}

class Deflater {
public:
    Deflater() {
        ready = deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8,
                             Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~Deflater() {
        if (ready)
            deflateEnd(&stream);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Appends one whole raw deflate stream of [in, in + inSize) to out.
    bool Block(const std::uint8_t* dictionary, size_t dictionarySize, const std::uint8_t* in,
               size_t inSize, std::vector<std::uint8_t>& out) {
        if (!ready || deflateReset(&stream) != Z_OK)
            return false;
        if (dictionarySize &&
            deflateSetDictionary(&stream, dictionary, uInt(dictionarySize)) != Z_OK)
            return false;
        size_t start = out.size();
        size_t bound = deflateBound(&stream, uLong(inSize));
        out.resize(start + bound);
        stream.next_in = const_cast<Bytef*>(in);
        stream.avail_in = uInt(inSize);
        stream.next_out = out.data() + start;
        stream.avail_out = uInt(bound);
        if (deflate(&stream, Z_FINISH) != Z_STREAM_END)
            return false;
        out.resize(start + (bound - stream.avail_out));
        return true;
    }

private:
    z_stream stream{};
    bool ready = false;
};

} // namespace

struct MszipInflater::Stream {
    z_stream z{};
    bool ready = false;
};

MszipInflater::MszipInflater(const std::uint8_t* blocks, size_t blocksSize, size_t outputSize)
    : stream(new Stream), data(blocks), size(blocksSize), outSize(outputSize) {
    stream->ready = inflateInit2(&stream->z, -MAX_WBITS) == Z_OK;
}

MszipInflater::~MszipInflater() {
    if (stream->ready)
        inflateEnd(&stream->z);
}

MszipInflater::Step MszipInflater::Next(std::uint8_t* out) {
    if (ended)
        return Step::Bad;
    if (pos == size) {
        ended = true;
        return Step::End;
    }
    ended = true; // until the block below is good
    blockStart = pos;
    if (!stream->ready || size - pos < BlockHeaderSize)
        return Step::Bad;
    size_t blockSize = ReadWord(data + pos);
    size_t packedSize = ReadWord(data + pos + 2);
    pos += BlockHeaderSize;
    if (packedSize < SignatureSize || packedSize > size - pos)
        return Step::Bad;
    if (data[pos] != 'C' || data[pos + 1] != 'K')
        return Step::Bad;
    if (blockSize > outSize - produced)
        return Step::Bad;
    // Each block is a whole raw deflate stream with what was produced
    // before it as its dictionary.
    z_stream& z = stream->z;
    size_t dictionarySize = DictionaryLength(produced);
    if (inflateReset(&z) != Z_OK)
        return Step::Bad;
    if (dictionarySize &&
        inflateSetDictionary(&z, out - dictionarySize, uInt(dictionarySize)) != Z_OK)
        return Step::Bad;
    z.next_in = const_cast<Bytef*>(data + pos + SignatureSize);
    z.avail_in = uInt(packedSize - SignatureSize);
    z.next_out = out;
    z.avail_out = uInt(blockSize);
    if (inflate(&z, Z_FINISH) != Z_STREAM_END || z.avail_out != 0)
        return Step::Bad;
    produced += blockSize;
    pos += packedSize;
    ended = false;
    return Step::Block;
}

bool DeflateMszip(const std::uint8_t* data, size_t size, std::vector<std::uint8_t>& out) {
    Deflater deflater;
    for (size_t pos = 0; pos < size;) {
        size_t blockSize = std::min(size - pos, MszipBlockSize);
        size_t headerAt = out.size();
        AppendWord(out, blockSize);
        AppendWord(out, 0); // packed size, known once deflated
        out.push_back('C');
        out.push_back('K');
        size_t dictionarySize = DictionaryLength(pos);
        if (!deflater.Block(data + pos - dictionarySize, dictionarySize, data + pos, blockSize,
                            out))
            return false;
        size_t packedSize = out.size() - headerAt - BlockHeaderSize;
        if (packedSize > MaxBlockField)
            return false;
        out[headerAt + 2] = std::uint8_t(packedSize & 0xFF);
        out[headerAt + 3] = std::uint8_t(packedSize >> 8);
        pos += blockSize;
    }
    return true;
}
