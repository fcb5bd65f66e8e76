#include "utility/xfile/xfile_content.h"

#include "utility/core/deflate.h"
#include "utility/core/load_report.h"
#include "utility/d3dx9mesh.h"
#include "utility/xfile/mszip.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <system_error>

namespace {

// Read a file in pieces of this size, so that parsing starts on the first.
constexpr size_t kReadPiece = size_t(1) << 20;
// How far the reading of a file may run ahead of the parser.
constexpr size_t kLead = size_t(16) << 20;
// Pages behind the parser are given back in steps of this size.
constexpr size_t kReleaseStep = size_t(2) << 20;
// The longest token of a compressed body: far beyond any name, string or
// number a file holds, and small enough that a bomb of one endless token
// costs no more than one of blanks.
constexpr size_t kLongestToken = size_t(4) << 20;
// The window a compressed body is inflated into: that token and the block
// after it, which the window slides to make room for.
constexpr size_t kWindowBytes = kLongestToken + MszipMaxBlockOutput;
// How often a waiting parser looks whether its load was cancelled.
constexpr std::chrono::milliseconds kCancelPoll(20);

std::uint32_t LoadDword(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

HRESULT InvalidContent(const std::string& reason) {
    SetLoadFailure("%s", reason.c_str());
    return D3DXERR_INVALIDDATA;
}

// The compressed blocks follow the header and the size field.
constexpr size_t kFirstBlockOffset = XFileHeaderSize + XFileCompressedSizeField;
constexpr const char* kNoSizeField = "compressed X file: it ends before its size field";

} // namespace

void XContent::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
    }
    room.notify_all();
    if (filler.joinable())
        filler.join();
}

// A compressed body is kept in bounds by its window instead.
void XContent::Allow(size_t offset) {
    if (compressed)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (offset + kLead <= allowed)
            return;
        allowed = offset + kLead;
    }
    room.notify_all();
}

bool XContent::WaitForRoom(size_t filled) {
    std::unique_lock<std::mutex> lock(mutex);
    room.wait(lock, [&] { return stop || filled < allowed; });
    return !stop;
}

HRESULT XContent::OpenFile(const char* path, XFileHeader& header) {
    HRESULT hr = file.Open(path);
    if (FAILED(hr))
        return hr;
    std::uint8_t head[XFileHeaderSize + XFileCompressedSizeField];
    size_t got = 0;
    hr = file.ReadFull(head, XFileHeaderSize, got);
    if (FAILED(hr))
        return hr;
    std::string problem = ReadXFileHeader(head, got, &header);
    if (!problem.empty())
        return InvalidContent(problem);
    if (IsCompressed(header.encoding)) {
        hr = file.ReadFull(head + XFileHeaderSize, XFileCompressedSizeField, got);
        if (FAILED(hr))
            return hr;
        if (got < XFileCompressedSizeField)
            return InvalidContent(kNoSizeField);
        return StartCompressed(head + XFileHeaderSize, nullptr,
                               file.Size() - XFileHeaderSize - XFileCompressedSizeField);
    }
    size = size_t(file.Size() - XFileHeaderSize);
    try {
        buffer.resize(size);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    data = buffer.data();
    return StartFiller(nullptr);
}

HRESULT XContent::OpenMemory(const std::uint8_t* bytes, size_t byteCount, XFileHeader& header) {
    std::string problem = ReadXFileHeader(bytes, byteCount, &header);
    if (!problem.empty())
        return InvalidContent(problem);
    if (IsCompressed(header.encoding)) {
        if (byteCount < kFirstBlockOffset)
            return InvalidContent(kNoSizeField);
        return StartCompressed(bytes + XFileHeaderSize,
                               bytes + XFileHeaderSize + XFileCompressedSizeField,
                               byteCount - XFileHeaderSize - XFileCompressedSizeField);
    }
    data = bytes + XFileHeaderSize;
    size = byteCount - XFileHeaderSize;
    ready = size;
    finished = true;
    return D3D_OK;
}

// The declared size counts the 16-byte header, which is not part of the
// compressed data.
HRESULT XContent::StartCompressed(const std::uint8_t* sizeField, const std::uint8_t* blocks,
                                  std::uint64_t compressedSize) {
    size_t declared = LoadDword(sizeField);
    if (declared < XFileHeaderSize)
        return InvalidContent("compressed X file: its size field declares " +
                              std::to_string(declared) + " bytes, less than the header");
    size_t expected = declared - XFileHeaderSize;
    if (expected / kMaxInflateRatio > compressedSize)
        return InvalidContent("compressed data is damaged: its size field declares " +
                              std::to_string(declared) + " bytes, more than its " +
                              std::to_string(compressedSize) + " bytes can inflate to");
    try {
        buffer.resize(std::min(expected, kWindowBytes));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    data = buffer.data();
    size = expected;
    compressed = true;
    blocksSize = compressedSize;
    return StartFiller(blocks);
}

HRESULT XContent::StartFiller(const std::uint8_t* blocks) {
    try {
        filler = std::thread([this, blocks] { Fill(blocks); });
    } catch (const std::system_error&) {
        SetLoadFailure("no thread could be started to read the file");
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

// On the filling thread: read the body, or read the compressed blocks whole
// (they are a fraction of the body) and inflate them.
void XContent::Fill(const std::uint8_t* blocks) {
    try {
        if (!compressed) {
            ReadBody();
            return;
        }
        LargeVector<std::uint8_t> read;
        if (!blocks) {
            read.resize(size_t(blocksSize));
            size_t got = 0;
            if (FAILED(file.ReadFull(read.data(), read.size(), got))) {
                Finish(LoadFailure());
                return;
            }
            blocksSize = got;
            blocks = read.data();
        }
        Inflate(blocks);
    } catch (const std::bad_alloc&) {
        Finish("out of memory");
    }
}

void XContent::ReadBody() {
    size_t filled = 0;
    while (filled < size && WaitForRoom(filled)) {
        size_t read = 0;
        if (FAILED(file.Read(buffer.data() + filled, std::min(kReadPiece, size - filled), read))) {
            Finish(LoadFailure());
            return;
        }
        // A file that shrank since it was opened ends here, as if it had
        // been that short.
        if (read == 0)
            break;
        filled += read;
        Publish(filled);
    }
    // Stopped by the parser, nothing failed: it has what it wanted.
    Finish(nullptr);
}

void XContent::Inflate(const std::uint8_t* blocks) {
    MszipInflater inflater(blocks, size_t(blocksSize), size);
    while (std::uint8_t* out = WaitForWindowRoom(inflater.Produced())) {
        switch (inflater.Next(out)) {
        case MszipInflater::Step::Block:
            Publish(inflater.Produced());
            break;
        case MszipInflater::Step::End:
            if (inflater.Produced() == size)
                Finish(nullptr);
            else
                // Counted with the header, as the size field counts.
                Finish(("compressed data is damaged: it inflates to " +
                        std::to_string(XFileHeaderSize + inflater.Produced()) +
                        " bytes with its header, not the " +
                        std::to_string(XFileHeaderSize + size) + " its size field declares")
                           .c_str());
            return;
        case MszipInflater::Step::Bad: {
            // The damage is in the file as it lies, not in the inflated body.
            LoadPosition block;
            block.known = true;
            block.byte = kFirstBlockOffset + inflater.BlockStart();
            Finish("compressed data is damaged: a block does not inflate", block);
            return;
        }
        }
    }
    Finish(nullptr);
}

std::uint8_t* XContent::WaitForWindowRoom(size_t filled) {
    std::unique_lock<std::mutex> lock(mutex);
    // A block never passes the declared size, which may end the body
    // before a whole block's room.
    size_t needed = std::min(MszipMaxBlockOutput, size - filled);
    auto hasRoom = [&] { return windowStart + buffer.size() - filled >= needed; };
    if (!hasRoom()) {
        windowFull = true;
        changed.notify_all();
    }
    room.wait(lock, [&] { return stop || hasRoom(); });
    return stop ? nullptr : buffer.data() + (filled - windowStart);
}

// Keeps what the parser did not release and the dictionary of the next
// block; a token that leaves no room for that block ends the load.
void XContent::Slide() {
    size_t have = ready.load(std::memory_order_relaxed);
    size_t keep = std::min(released, have - std::min(have, MszipDictionaryBytes));
    if (have - keep > kLongestToken) {
        if (failure.empty()) {
            failure = "compressed X file: a token longer than " +
                      std::to_string(kLongestToken >> 20) + " MiB";
            failurePosition.known = true;
            failurePosition.inflated = true;
            failurePosition.byte = released;
        }
        finished = true;
        stop = true;
    } else {
        std::memmove(buffer.data(), buffer.data() + (keep - windowStart), have - keep);
        windowStart = keep;
    }
    windowFull = false;
    room.notify_all();
}

void XContent::Publish(size_t filled) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        ready.store(filled, std::memory_order_release);
    }
    changed.notify_all();
}

void XContent::Finish(const char* reason, const LoadPosition& position) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        finished = true;
        if (reason && failure.empty()) {
            failure = *reason ? reason : "cannot read the file";
            failurePosition = position;
        }
    }
    changed.notify_all();
}

size_t XContent::Ready(size_t wanted) {
    Allow(wanted);
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        if (LoadCancelled()) {
            stop = true;
            if (failure.empty())
                failure = "cancelled";
            return ready.load(std::memory_order_acquire);
        }
        size_t have = ready.load(std::memory_order_acquire);
        if (have >= wanted || finished)
            return have;
        if (windowFull)
            Slide();
        else
            changed.wait_for(lock, kCancelPoll);
    }
}

bool XContent::Failed() {
    std::string reason;
    LoadPosition position;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (failure.empty())
            return false;
        reason = failure;
        position = failurePosition;
    }
    SetLoadFailureAt(position, "%s", reason.c_str());
    return true;
}

void XContent::Release(size_t offset) {
    Allow(offset);
    released = offset;
    // The window's pages are used again as it slides.
    if (compressed || buffer.empty())
        return;
    size_t to = offset / kReleaseStep * kReleaseStep;
    if (to <= discarded)
        return;
    DiscardPages(buffer.data() + discarded, to - discarded);
    discarded = to;
}
