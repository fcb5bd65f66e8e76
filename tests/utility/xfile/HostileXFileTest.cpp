// Files a hostile user might drop: special files, decompression bombs and
// content that is valid but never ends. Each fails at once with its reason,
// or loads in memory that does not grow with what it inflates to, and a
// load can always be cancelled.
#include "xfile_test_support.h"

#include "tests/support/RecordingDeviceFixture.h"
#include "tools/common/height_field.h"
#include "tools/common/padded_xfile.h"
#include "utility/core/file_bytes.h"
#include "utility/core/load_report.h"
#include "utility/d3dx9mesh.h"
#include "utility/xfile/mszip.h"
#include "utility/xfile/scene.h"
#include "utility/xfile/xfile_writer.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <thread>

namespace {

constexpr size_t kBlock = MszipBlockSize;

// A compressed file of one block made of `first`, then `repeats` blocks of
// `filler` bytes, declaring `declared` bytes of content.
std::vector<std::uint8_t> CompressedFile(XEncoding encoding, const std::string& first, char filler,
                                         size_t repeats, size_t declared) {
    XFileHeader header{3, encoding, 4};
    char head[XFileHeaderSize];
    FormatXFileHeader(header, head);
    std::vector<std::uint8_t> file(head, head + XFileHeaderSize);
    size_t total = declared + XFileHeaderSize;
    for (int shift = 0; shift < 32; shift += 8)
        file.push_back(std::uint8_t(total >> shift));
    EXPECT_TRUE(
        DeflateMszip(reinterpret_cast<const std::uint8_t*>(first.data()), first.size(), file));
    // Each block is a whole deflate stream that needs no dictionary, so one
    // serves again and again.
    std::vector<std::uint8_t> block;
    std::vector<std::uint8_t> fill(kBlock, std::uint8_t(filler));
    EXPECT_TRUE(DeflateMszip(fill.data(), fill.size(), block));
    for (size_t i = 0; i < repeats; ++i)
        file.insert(file.end(), block.begin(), block.end());
    return file;
}

// One gigabyte of NUL bytes.
std::vector<std::uint8_t> NulBomb(XEncoding encoding) {
    const size_t blocks = 32768;
    return CompressedFile(encoding, std::string(kBlock, '\0'), '\0', blocks - 1, blocks * kBlock);
}

std::string ReadFailure(const std::vector<std::uint8_t>& file, HRESULT expected) {
    ClearLoadFailure();
    XMeshData mesh;
    EXPECT_EQ(ReadXFile(file.data(), file.size(), nullptr, mesh), expected);
    EXPECT_EQ(mesh.vertices.empty(), FAILED(expected));
    return LoadFailure();
}

long PeakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

XMeshData ReadMesh(const std::vector<std::uint8_t>& file) {
    XMeshData mesh;
    EXPECT_EQ(ReadXFile(file.data(), file.size(), nullptr, mesh), D3D_OK) << LoadFailure();
    return mesh;
}

class HostileXFileTest : public RecordingDeviceFixture {
protected:
    HRESULT Load(const std::string& path) {
        ClearLoadFailure();
        ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(this); // must be cleared
        HRESULT hr =
            D3DXLoadMeshFromXA(path.c_str(), 0, device, nullptr, nullptr, nullptr, nullptr, &mesh);
        EXPECT_EQ(mesh, nullptr);
        return hr;
    }
};

} // namespace

TEST_F(HostileXFileTest, SpecialFilesFailAtOnceWithTheReason) {
    std::string directory = ::testing::TempDir() + "zq_hostile_x/";
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
    std::string fifo = directory + "pipe.x";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero"), directory}) {
        EXPECT_EQ(Load(path), E_FAIL) << path;
        EXPECT_STREQ(LoadFailure(), "not a regular file") << path;
    }

    // A bomb on disk fails at its first bytes too.
    std::vector<std::uint8_t> bomb = NulBomb(XEncoding::TextCompressed);
    ASSERT_EQ(WriteFileBytes((directory + "bomb.x").c_str(), bomb), D3D_OK);
    EXPECT_EQ(Load(directory + "bomb.x"), D3DXERR_INVALIDDATA);
    std::filesystem::remove_all(directory);
}

TEST(HostileXFileContent, ABombStopsAtTheFirstContentThatCannotBeValid) {
    for (XEncoding encoding : {XEncoding::TextCompressed, XEncoding::BinaryCompressed}) {
        std::vector<std::uint8_t> bomb = NulBomb(encoding);
        XContent content;
        XFileHeader header;
        ASSERT_EQ(content.OpenMemory(bomb.data(), bomb.size(), header), D3D_OK);
        EXPECT_EQ(content.Size(), size_t(1) << 30);
        XScene scene;
        EXPECT_FALSE(IsText(encoding) ? ParseXText(content, 4, scene)
                                      : ParseXBinary(content, 4, scene));
        content.Stop();
        // Never more than a few blocks beyond what the parser looked at.
        EXPECT_LT(content.Ready(0), size_t(64) << 20) << XEncodingName(encoding);

        EXPECT_EQ(ReadFailure(bomb, D3DXERR_INVALIDDATA),
                  IsText(encoding) ? "byte 0 of the inflated body: control character 0x00 outside "
                                     "a string"
                                   : "byte 0 of the inflated body: unknown token 0x0000");
    }
}

TEST(HostileXFileContent, CompressedContentOfAnotherSizeThanDeclaredFails) {
    // Blocks that would pass the declared size are not inflated at all.
    std::vector<std::uint8_t> over = CompressedFile(XEncoding::TextCompressed, "xof", 'a', 2, 1000);
    // The damage is named where it lies in the file: the second block.
    EXPECT_EQ(ReadFailure(over, D3DXERR_INVALIDDATA),
              "byte 31: compressed data is damaged: a block does not inflate");
    // Content that ends short of what it declares.
    std::string mesh = "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }";
    std::vector<std::uint8_t> shorter =
        CompressedFile(XEncoding::TextCompressed, mesh, ' ', 0, mesh.size() + 100);
    EXPECT_EQ(ReadFailure(shorter, D3DXERR_INVALIDDATA),
              "compressed data is damaged: it inflates to 64 bytes with its header, not the 164 "
              "its size field declares");
    std::vector<std::uint8_t> exact =
        CompressedFile(XEncoding::TextCompressed, mesh, ' ', 0, mesh.size());
    EXPECT_EQ(ReadFailure(exact, D3D_OK), "");
}

TEST(HostileXFileContent, ALoadOfValidContentThatNeverEndsCanBeCancelled) {
    // A comment of a gigabyte: valid to the end, and nothing in it.
    std::vector<std::uint8_t> endless =
        CompressedFile(XEncoding::TextCompressed, "# " + std::string(kBlock - 2, 'a'), 'a', 32767,
                       size_t(1) << 30);
    LoadProgress progress;
    HRESULT result = S_FALSE;
    std::string reason;
    std::thread load([&] {
        LoadProgressScope scope(&progress);
        reason = ReadFailure(endless, E_ABORT);
        result = E_ABORT;
    });
    progress.cancelled = true;
    load.join();
    EXPECT_EQ(result, E_ABORT);
    EXPECT_EQ(reason, "cancelled");
}

TEST(HostileXFileContent, PaddingAheadOfAMeshInflatesInBoundedMemory) {
    // Bigger than the window the body is inflated into, so that tokens
    // and float lists lie across its slides.
    XMeshData mesh = HeightField(256);
    struct Case {
        XEncoding encoding;
        XPadding padding;
    };
    for (Case c : {Case{XEncoding::TextCompressed, XPadding::Blanks},
                   Case{XEncoding::TextCompressed, XPadding::Comments},
                   Case{XEncoding::BinaryCompressed, XPadding::Separators}}) {
        std::vector<std::uint8_t> plain;
        ASSERT_TRUE(
            WriteXFile(mesh, IsText(c.encoding) ? XEncoding::Text : XEncoding::Binary, 4, plain));
        XMeshData expected = ReadMesh(plain);
        std::vector<std::uint8_t> padded;
        ASSERT_TRUE(WritePaddedXFile(mesh, c.encoding, c.padding, 200'000'000, padded));
        ASSERT_LT(padded.size(), size_t(4) << 20);

        long before = PeakResidentKiB();
        EXPECT_TRUE(SameMesh(ReadMesh(padded), expected)) << XEncodingName(c.encoding);
        // The window and the mesh: nothing near the 200 MB inflated.
        EXPECT_LT(PeakResidentKiB() - before, 32 * 1024) << XEncodingName(c.encoding);
    }
}

TEST(HostileXFileContent, ACompressedTokenLongerThanTheWindowFailsWhereItStarts) {
    const size_t mebibyte = size_t(1) << 20;
    for (XEncoding encoding : {XEncoding::TextCompressed, XEncoding::BinaryCompressed}) {
        XMeshData mesh = SampleMesh();
        mesh.materials[0].textureFile = std::string(4 * mebibyte - 16, 'a');
        std::vector<std::uint8_t> file;
        ASSERT_TRUE(WriteXFile(mesh, encoding, 4, file));
        EXPECT_EQ(ReadMesh(file).materials[0].textureFile.size(), 4 * mebibyte - 16);

        mesh.materials[0].textureFile = std::string(5 * mebibyte, 'a');
        std::vector<std::uint8_t> plain;
        ASSERT_TRUE(
            WriteXFile(mesh, IsText(encoding) ? XEncoding::Text : XEncoding::Binary, 4, plain));
        ASSERT_TRUE(WriteXFile(mesh, encoding, 4, file));
        // The opening quote, or the string token before its length.
        std::string body(plain.begin() + XFileHeaderSize, plain.end());
        size_t token = body.find("aaaa") - (IsText(encoding) ? 1 : 6);
        EXPECT_EQ(ReadFailure(file, D3DXERR_INVALIDDATA),
                  "byte " + std::to_string(token) +
                      " of the inflated body: compressed X file: a token longer than 4 MiB");
    }
}
