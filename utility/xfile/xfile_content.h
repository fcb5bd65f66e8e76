// The body of an X file (what follows the 16-byte header) as the parser
// walks it, filled on a thread of its own (read from the file, or inflated
// block by block from a compressed one) while the parser works on the part
// that is ready, so that reading and inflating overlap the parsing. The
// parser waits where it catches up.
//
// A body read from the file lies in one buffer of its whole size: the
// reading keeps at most a few megabytes ahead of the parser, and the parser
// gives the pages behind it back to the system as it goes, so that a big
// file never sits in memory whole beside the mesh made from it.
//
// A compressed body is inflated into a window of a few megabytes that
// slides forward with the parser, whatever size its header declares: a
// small file that inflates to gigabytes of blanks ahead of a mesh takes no
// more memory than any other. The window holds the token the parser is in
// (one longer than the window fails the load) and the dictionary of the
// block to come. The filling stops as soon as the parser stops: content that
// cannot be valid ends the load at the first block that shows it.
#pragma once

#include "platform/memory/large_allocator.h"
#include "utility/core/file_bytes.h"
#include "utility/core/load_report.h"
#include "utility/xfile/xfile_format.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class XContent {
public:
    XContent() = default;
    ~XContent() { Stop(); }
    XContent(const XContent&) = delete;
    XContent& operator=(const XContent&) = delete;

    // Reads the header and starts filling the body. E_FAIL when the file
    // cannot be read (the reason in LoadFailure()), D3DXERR_INVALIDDATA when
    // it does not start as an X file or its declared size cannot be,
    // E_OUTOFMEMORY.
    HRESULT OpenFile(const char* path, XFileHeader& header);
    // The same for a file held in memory, which must outlive this object; an
    // uncompressed body is read where it lies.
    HRESULT OpenMemory(const std::uint8_t* bytes, size_t size, XFileHeader& header);

    // The part of the body in memory: Data() holds the body from
    // WindowStart() on. Data() stays where it is; WindowStart() moves only
    // within Ready.
    const std::uint8_t* Data() const { return data; }
    size_t WindowStart() const { return windowStart; }
    // The body's size as the file gave it: the rest of the file, or the
    // declared size of a compressed one.
    size_t Size() const { return size; }
    // True for a compressed file, whose body is inflated as it is read.
    bool Inflated() const { return compressed; }
    // How much of the body is ready (an offset in the body, not in Data()),
    // waiting until at least `wanted` bytes are or the filling has ended.
    // When the window is full, it slides forward first, keeping what was
    // not released. A cancelled load (LoadCancelled on the calling thread)
    // ends the filling.
    size_t Ready(size_t wanted);
    // Ends the filling where it has got and waits for its thread, once the
    // parser has stopped: the rest is never read or inflated.
    void Stop();
    // True when the filling has stopped short of its end: a read error, a
    // block that does not inflate, inflated content of another size than
    // declared, a cancelled load. The reason is then set with SetLoadFailure
    // on the calling thread, at the damaged block's place in the file.
    bool Failed();
    // The parser has got to `offset` and will not look before it again: the
    // window may slide past it, or the whole pages before it go back to the
    // system, and the filling may go on further.
    void Release(size_t offset);
    // The memory the body is held in: the window of a compressed body, the
    // same for every declared size; the whole body read from a file (whose
    // pages behind the parser go back); nothing for one read where it lies.
    size_t BufferBytes() const { return buffer.size(); }

private:
    // `blocks` null: they follow in the file.
    HRESULT StartCompressed(const std::uint8_t* sizeField, const std::uint8_t* blocks,
                            std::uint64_t blocksSize);
    // Starts the filling thread over `blocks` (null: read from the file).
    HRESULT StartFiller(const std::uint8_t* blocks);
    void Fill(const std::uint8_t* blocks);
    void ReadBody();
    void Inflate(const std::uint8_t* blocks);
    // On the filling thread: where the block after `filled` goes, once the
    // window has room for it; null when the filling is to stop.
    std::uint8_t* WaitForWindowRoom(size_t filled);
    // On the parser's thread, with the filling waiting for room: moves what
    // is still needed to the front of the window.
    void Slide();
    void Publish(size_t filled);
    void Finish(const char* failure, const LoadPosition& position = LoadPosition());
    // Lets the reading of a file go on up to `offset` ahead of the parser.
    void Allow(size_t offset);
    // On the reading thread: waits until the parser allows more than
    // `filled`; false when the reading is to stop.
    bool WaitForRoom(size_t filled);

    FileReader file;
    bool compressed = false;
    std::uint64_t blocksSize = 0;
    // The window of a compressed body, or the whole body unless it is read
    // where it lies.
    LargeVector<std::uint8_t> buffer;
    const std::uint8_t* data = nullptr;
    size_t size = 0;
    size_t released = 0;    // the parser's last Release
    size_t discarded = 0;   // pages given back before here
    size_t windowStart = 0; // guarded by mutex; written on the parser's thread

    std::atomic<size_t> ready{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable changed; // more is ready, or the filling ended
    std::condition_variable room;    // the parser allows more, or the window slid
    size_t allowed = 0;              // guarded by mutex
    bool finished = false;           // guarded by mutex
    bool windowFull = false;         // guarded by mutex: the filling waits for a slide
    std::string failure;             // guarded by mutex; empty when none
    LoadPosition failurePosition;    // guarded by mutex
    std::thread filler;
};
