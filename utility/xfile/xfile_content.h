// The body of an X file (what follows the 16-byte header) as the parser
// walks it: one buffer of the body's whole size, filled on a thread of its own
// (read from the file, or inflated block by block from a compressed one)
// while the parser works on the part that is ready, so that reading and
// inflating overlap the parsing. The parser waits where it catches up; the
// filling keeps at most a few megabytes ahead of it, and the parser gives
// the pages behind it back to the system as it goes, so that a big file
// never sits in memory whole beside the mesh made from it.
//
// A compressed body is never given more room than the size its header
// declares, and the filling stops as soon as the parser stops: content
// that cannot be valid ends the load at the first block that shows it.
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

    const std::uint8_t* Data() const { return data; }
    // The body's size as the file gave it: the rest of the file, or the
    // declared size of a compressed one.
    size_t Size() const { return size; }
    // True for a compressed file, whose body is inflated as it is read.
    bool Inflated() const { return compressed; }
    // How many bytes from Data() on are ready, waiting until at least
    // `wanted` are or the filling has ended. A cancelled load (LoadCancelled
    // on the calling thread) ends the filling.
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
    // whole pages before it go back to the system, and the filling may go
    // on further.
    void Release(size_t offset);

private:
    // `blocks` null: they follow in the file.
    HRESULT StartCompressed(const std::uint8_t* sizeField, const std::uint8_t* blocks,
                            std::uint64_t blocksSize);
    // Starts the filling thread over `blocks` (null: read from the file).
    HRESULT StartFiller(const std::uint8_t* blocks);
    void Fill(const std::uint8_t* blocks);
    void ReadBody();
    void Inflate(const std::uint8_t* blocks);
    void Publish(size_t filled);
    void Finish(const char* failure, const LoadPosition& position = LoadPosition());
    // Lets the filling go on up to `offset` ahead of the parser.
    void Allow(size_t offset);
    // On the filling thread: waits until the parser allows more than `filled`;
    // false when the filling is to stop.
    bool WaitForRoom(size_t filled);

    FileReader file;
    bool compressed = false;
    std::uint64_t blocksSize = 0;
    LargeVector<std::uint8_t> buffer; // the body, unless read where it lies
    const std::uint8_t* data = nullptr;
    size_t size = 0;
    size_t released = 0;

    std::atomic<size_t> ready{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable changed; // more is ready, or the filling ended
    std::condition_variable room;    // the parser allows more
    size_t allowed = 0;              // guarded by mutex
    bool finished = false;           // guarded by mutex
    std::string failure;             // guarded by mutex; empty when none
    LoadPosition failurePosition;    // guarded by mutex
    std::thread filler;
};
