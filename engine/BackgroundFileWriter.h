// Writes files on a thread of its own, so that the caller can go on producing the next bytes (the
// extraction inflates while the previous data is being written).
//
// The caller queues, per file, Open, any number of Write calls and Close, in that order; the writer
// performs them in the same order with CreateFileW, WriteFile, SetFileTime and CloseHandle. A file
// that fails, or whose producer gives up on it (Close with keep = false), is deleted again. The
// first failure is kept; from then on queued work is dropped and Failed() answers true.
//
// Work is handed over in batches of `batchBytes`, not call by call: under Wine every wait and
// wake-up between the threads costs a round trip to the server, which thousands of small files
// would pay thousands of times. Queued bytes are bounded: a batch waits while more than
// `maxQueuedBytes` are waiting to be written. Written buffers come back through TakeBuffer, so a
// long stream of pieces does not allocate (and fault in) fresh memory for each.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/ScopedWin.h"

namespace Engine {

// One WriteFile of all `size` bytes. A short write that still reports success means the volume is
// full (Wine answers a full disk this way), so it fails with ERROR_DISK_FULL as the last error
// instead of whatever an earlier call left there.
bool WriteWhole(HANDLE file, const void* data, std::size_t size);

// Opens `path` for writing as an empty file, replacing one already there; INVALID_HANDLE_VALUE
// (with the last error set) when it cannot. Only a file with something in it is truncated (with
// CREATE_ALWAYS): Wine carries out CREATE_ALWAYS by truncating, even a file that is new or empty,
// and ext4 takes a file truncated to nothing for one being rewritten in place and writes all of
// it out to disk when it is closed, while the closing thread waits (160 ms of a 512 MiB download
// here). A new file is made, and an empty one (a reserved temporary name) opened, as it stands.
HANDLE CreateFreshFile(const std::wstring& path);

class BackgroundFileWriter {
public:
    BackgroundFileWriter(std::size_t maxQueuedBytes, std::size_t batchBytes);
    ~BackgroundFileWriter();  // finishes what is queued
    BackgroundFileWriter(const BackgroundFileWriter&) = delete;
    BackgroundFileWriter& operator=(const BackgroundFileWriter&) = delete;

    // `size` is the file's final length, set before its data arrives so the file system can place
    // it in one piece.
    void Open(const std::wstring& path, std::uint64_t size);
    void Write(std::vector<char> bytes);
    // `lastWrite` (FILETIME ticks, 0 for none) becomes the modification and access time.
    void Close(std::uint64_t lastWrite, bool keep);

    // A buffer already written, with the bytes it held (so that resizing it to the next file's
    // length does not first fill what is about to be overwritten), or a new empty one.
    std::vector<char> TakeBuffer();

    // Waits until everything queued has been written; true if nothing failed.
    bool Finish();
    bool Failed() const { return failed_.load(); }
    // The system error of the first failure (ERROR_DISK_FULL for a short write).
    unsigned long Error() const { return error_; }

private:
    enum class Kind { kOpen, kWrite, kClose };
    struct Job {
        Kind kind = Kind::kWrite;
        std::wstring path;
        std::uint64_t value = 0;  // size for kOpen, time for kClose
        bool keep = true;
        std::vector<char> bytes;
    };
    struct Batch {
        std::vector<Job> jobs;
        std::size_t bytes = 0;
    };

    void Add(Job job);
    void Submit();
    void Run();
    void PerformBatches(std::vector<Batch>& batches, std::vector<std::vector<char>>& spare);
    bool Perform(Job& job);
    void Abandon();

    const std::size_t maxQueuedBytes_;
    const std::size_t batchBytes_;
    std::atomic<bool> failed_{false};
    unsigned long error_ = 0;  // written before failed_ is raised

    // Filled by the caller's thread only.
    Batch batch_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Batch> queue_;
    std::vector<std::vector<char>> spare_;
    std::size_t queuedBytes_ = 0;
    bool stopping_ = false;

    // Used by the writer thread only.
    base::UniqueFile file_;
    std::wstring path_;

    std::thread thread_;
};

}  // namespace Engine
