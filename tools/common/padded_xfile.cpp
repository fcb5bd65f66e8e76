#include "tools/common/padded_xfile.h"

#include "utility/xfile/mszip.h"
#include "utility/xfile/xfile_writer.h"

namespace {

constexpr int kFloatBytes = 4;
constexpr size_t kBlockHeaderBytes = 4;
constexpr size_t kLineBytes = 64; // divides a block: every block is the same

bool Suits(XPadding padding, XEncoding encoding) {
    if (encoding == XEncoding::TextCompressed)
        return padding != XPadding::Separators;
    return encoding == XEncoding::BinaryCompressed && padding == XPadding::Separators;
}

std::vector<std::uint8_t> PaddingBlock(XPadding padding) {
    std::vector<std::uint8_t> block(MszipBlockSize);
    for (size_t i = 0; i < block.size(); ++i) {
        size_t column = i % kLineBytes;
        switch (padding) {
        case XPadding::Blanks:
            block[i] = column == kLineBytes - 1 ? '\n' : ' ';
            break;
        case XPadding::Comments:
            block[i] = column == kLineBytes - 1 ? '\n' : column < 3 ? "// "[column] : 'x';
            break;
        case XPadding::Separators:
            block[i] = i % 2 == 0 ? std::uint8_t(XTokenSemicolon) : 0;
            break;
        }
    }
    return block;
}

// The length of the MSZIP block at the start of `blocks`, header included.
size_t FirstBlockBytes(const std::vector<std::uint8_t>& blocks) {
    return kBlockHeaderBytes + (size_t(blocks[2]) | size_t(blocks[3]) << 8);
}

void AppendDword(std::vector<std::uint8_t>& out, std::uint64_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(std::uint8_t(value >> shift));
}

} // namespace

bool WritePaddedXFile(const XMeshData& mesh, XEncoding encoding, XPadding padding,
                      std::uint64_t paddingBytes, std::vector<std::uint8_t>& out) {
    if (!Suits(padding, encoding))
        return false;
    std::vector<std::uint8_t> plain;
    XEncoding plainEncoding = IsText(encoding) ? XEncoding::Text : XEncoding::Binary;
    if (!WriteXFile(mesh, plainEncoding, kFloatBytes, plain))
        return false;
    std::vector<std::uint8_t> meshBody(plain.begin() + XFileHeaderSize, plain.end());
    std::uint64_t blocks = (paddingBytes + MszipBlockSize - 1) / MszipBlockSize;
    std::uint64_t declared = XFileHeaderSize + blocks * MszipBlockSize + meshBody.size();
    if (declared > 0xFFFFFFFFu)
        return false;

    XFileHeader header{3, encoding, kFloatBytes};
    char headerText[XFileHeaderSize];
    FormatXFileHeader(header, headerText);
    out.assign(headerText, headerText + XFileHeaderSize);
    AppendDword(out, declared);
    if (blocks == 0)
        return DeflateMszip(meshBody.data(), meshBody.size(), out);

    // Each block has the one before as its dictionary: the first block of
    // padding has none, every later one the same, and the mesh's first has
    // one block of padding.
    std::vector<std::uint8_t> block = PaddingBlock(padding);
    std::vector<std::uint8_t> twoBlocks(block);
    twoBlocks.insert(twoBlocks.end(), block.begin(), block.end());
    std::vector<std::uint8_t> padded;
    if (!DeflateMszip(twoBlocks.data(), twoBlocks.size(), padded))
        return false;
    size_t firstBytes = FirstBlockBytes(padded);
    out.insert(out.end(), padded.begin(), padded.begin() + firstBytes);
    for (std::uint64_t i = 1; i < blocks; ++i)
        out.insert(out.end(), padded.begin() + firstBytes, padded.end());

    std::vector<std::uint8_t> tail(block);
    tail.insert(tail.end(), meshBody.begin(), meshBody.end());
    std::vector<std::uint8_t> deflatedTail;
    if (!DeflateMszip(tail.data(), tail.size(), deflatedTail))
        return false;
    out.insert(out.end(), deflatedTail.begin() + FirstBlockBytes(deflatedTail), deflatedTail.end());
    return true;
}
