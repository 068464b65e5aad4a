#include "engine/BackgroundFileWriter.h"

#include <utility>

namespace Engine {

namespace {

// A batch goes to the writer once it holds `batchBytes` or this many jobs.
constexpr std::size_t kBatchJobs = 256;
// Written buffers kept for reuse.
constexpr std::size_t kSpareBuffers = 8;

}  // namespace

bool WriteWhole(HANDLE file, const void* data, std::size_t size) {
    DWORD written = 0;
    if (!WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr))
        return false;
    if (written != size) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    return true;
}

HANDLE CreateFreshFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE || GetLastError() != ERROR_ALREADY_EXISTS)
        return file;  // failed, or made new
    LARGE_INTEGER size = {};
    if (GetFileSizeEx(file, &size) && size.QuadPart == 0)
        return file;  // empty already, as the name GetTempFileNameW reserves: nothing to truncate
    CloseHandle(file);
    return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

BackgroundFileWriter::BackgroundFileWriter(std::size_t maxQueuedBytes, std::size_t batchBytes)
    : maxQueuedBytes_(maxQueuedBytes), batchBytes_(batchBytes), thread_([this] { Run(); }) {}

BackgroundFileWriter::~BackgroundFileWriter() {
    Finish();
}

void BackgroundFileWriter::Open(const std::wstring& path, std::uint64_t size) {
    Job job;
    job.kind = Kind::kOpen;
    job.path = path;
    job.value = size;
    Add(std::move(job));
}

std::vector<char> BackgroundFileWriter::TakeBuffer() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (spare_.empty())
        return std::vector<char>();
    std::vector<char> buffer = std::move(spare_.back());
    spare_.pop_back();
    return buffer;
}

void BackgroundFileWriter::Write(std::vector<char> bytes) {
    Job job;
    job.bytes = std::move(bytes);
    Add(std::move(job));
}

void BackgroundFileWriter::Close(std::uint64_t lastWrite, bool keep) {
    Job job;
    job.kind = Kind::kClose;
    job.value = lastWrite;
    job.keep = keep;
    Add(std::move(job));
}

bool BackgroundFileWriter::Finish() {
    if (thread_.joinable()) {
        Submit();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    return !Failed();
}

void BackgroundFileWriter::Add(Job job) {
    if (Failed())
        return;  // nothing more is written after a failure
    batch_.bytes += job.bytes.size();
    batch_.jobs.push_back(std::move(job));
    if (batch_.bytes >= batchBytes_ || batch_.jobs.size() >= kBatchJobs)
        Submit();
}

void BackgroundFileWriter::Submit() {
    if (batch_.jobs.empty())
        return;
    std::unique_lock<std::mutex> lock(mutex_);
    // A batch larger than the whole budget still goes through once the queue has drained.
    changed_.wait(lock, [&] { return queuedBytes_ == 0 || queuedBytes_ + batch_.bytes <= maxQueuedBytes_; });
    if (!Failed()) {
        queuedBytes_ += batch_.bytes;
        queue_.push_back(std::move(batch_));
    }
    batch_ = Batch();
    lock.unlock();
    changed_.notify_all();
}

void BackgroundFileWriter::Run() {
    for (;;) {
        std::vector<Batch> taken;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return !queue_.empty() || stopping_; });
            if (queue_.empty()) {
                Abandon();  // a file the caller never closed is not complete
                return;
            }
            taken.swap(queue_);
        }
        std::size_t written = 0;
        for (const Batch& batch : taken)
            written += batch.bytes;
        std::vector<std::vector<char>> spare;
        PerformBatches(taken, spare);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queuedBytes_ -= written;
            for (std::vector<char>& buffer : spare) {
                if (spare_.size() < kSpareBuffers)
                    spare_.push_back(std::move(buffer));
            }
        }
        changed_.notify_all();
    }
}

void BackgroundFileWriter::PerformBatches(std::vector<Batch>& batches, std::vector<std::vector<char>>& spare) {
    try {
        for (Batch& batch : batches) {
            for (Job& job : batch.jobs) {
                if (!Failed() && !Perform(job)) {
                    error_ = GetLastError();
                    failed_ = true;
                    Abandon();
                }
                if (job.bytes.capacity() != 0 && spare.size() < kSpareBuffers)
                    spare.push_back(std::move(job.bytes));
            }
        }
    } catch (...) {
        // Out of memory keeping a spare buffer: this thread may not end the process, and the
        // caller must not wait for it, so the extraction fails instead.
        error_ = ERROR_OUTOFMEMORY;
        failed_ = true;
        Abandon();
    }
}

bool BackgroundFileWriter::Perform(Job& job) {
    switch (job.kind) {
        case Kind::kOpen: {
            file_.Reset(CreateFreshFile(job.path));
            if (!file_)
                return false;  // not ours to delete
            path_ = std::move(job.path);
            LARGE_INTEGER size;
            size.QuadPart = static_cast<LONGLONG>(job.value);
            LARGE_INTEGER start = {};
            return job.value == 0 ||
                   (SetFilePointerEx(file_.Get(), size, nullptr, FILE_BEGIN) && SetEndOfFile(file_.Get()) &&
                    SetFilePointerEx(file_.Get(), start, nullptr, FILE_BEGIN));
        }
        case Kind::kWrite:
            return file_ && WriteWhole(file_.Get(), job.bytes.data(), job.bytes.size());
        case Kind::kClose: {
            if (!job.keep) {
                Abandon();
                return true;  // the caller has its own reason and reports it
            }
            if (job.value != 0) {
                FILETIME time;
                time.dwLowDateTime = static_cast<DWORD>(job.value);
                time.dwHighDateTime = static_cast<DWORD>(job.value >> 32);
                SetFileTime(file_.Get(), nullptr, &time, &time);
            }
            const bool closed = file_ && CloseHandle(file_.Release());
            path_.clear();
            return closed;
        }
    }
    return true;
}

// Closes and deletes the file being written, if any, so no half-written file looks like a good one.
void BackgroundFileWriter::Abandon() {
    if (path_.empty())
        return;
    file_.Reset();
    DeleteFileW(path_.c_str());
    path_.clear();
}

}  // namespace Engine
