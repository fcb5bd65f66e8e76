#include "utility/xfile/mszip.h"

#include <zlib.h>

#include <algorithm>

namespace {

constexpr size_t BlockHeaderSize = 4;
constexpr size_t SignatureSize = 2; // "CK"
constexpr size_t WindowSize = 32768;
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
    return std::min(produced, WindowSize);
}

// Owns one zlib stream for the length of a call.
class Inflater {
public:
    Inflater() { ready = inflateInit2(&stream, -MAX_WBITS) == Z_OK; }
    ~Inflater() {
        if (ready)
            inflateEnd(&stream);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Inflates one whole raw deflate stream into exactly outSize bytes.
    bool Block(const std::uint8_t* dictionary, size_t dictionarySize, const std::uint8_t* in,
               size_t inSize, std::uint8_t* out, size_t outSize) {
        if (!ready || inflateReset(&stream) != Z_OK)
            return false;
        if (dictionarySize &&
            inflateSetDictionary(&stream, dictionary, uInt(dictionarySize)) != Z_OK)
            return false;
        stream.next_in = const_cast<Bytef*>(in);
        stream.avail_in = uInt(inSize);
        stream.next_out = out;
        stream.avail_out = uInt(outSize);
        return inflate(&stream, Z_FINISH) == Z_STREAM_END && stream.avail_out == 0;
    }

private:
    z_stream stream{};
    bool ready = false;
};

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

bool InflateMszip(const std::uint8_t* data, size_t size, size_t maxOutput,
                  std::vector<std::uint8_t>& out) {
    Inflater inflater;
    const size_t start = out.size();
    size_t pos = 0;
    while (pos < size) {
        if (size - pos < BlockHeaderSize)
            return false;
        size_t blockSize = ReadWord(data + pos);
        size_t packedSize = ReadWord(data + pos + 2);
        pos += BlockHeaderSize;
        if (packedSize < SignatureSize || packedSize > size - pos)
            return false;
        if (data[pos] != 'C' || data[pos + 1] != 'K')
            return false;
        size_t produced = out.size() - start;
        if (blockSize > maxOutput - produced)
            return false;

        size_t dictionarySize = DictionaryLength(produced);
        size_t blockStart = out.size();
        out.resize(blockStart + blockSize);
        if (!inflater.Block(out.data() + blockStart - dictionarySize, dictionarySize,
                            data + pos + SignatureSize, packedSize - SignatureSize,
                            out.data() + blockStart, blockSize))
            return false;
        pos += packedSize;
    }
    return true;
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
