#include "engine/BackgroundFileWriter.h"

#include <utility>

namespace Engine {

namespace {

// A batch goes to the writer once it holds this much data or this many jobs.
constexpr std::size_t kBatchBytes = 2 << 20;
constexpr std::size_t kBatchJobs = 256;

}  // namespace

BackgroundFileWriter::BackgroundFileWriter(std::size_t maxQueuedBytes)
    : maxQueuedBytes_(maxQueuedBytes), thread_([this] { Run(); }) {}

BackgroundFileWriter::~BackgroundFileWriter() {
    Finish();
}

void BackgroundFileWriter::Open(const std::wstring& path, std::uint64_t size) {
    Add(Job{Kind::kOpen, path, size, true, {}});
}

void BackgroundFileWriter::Write(std::vector<char> bytes) {
    Add(Job{Kind::kWrite, std::wstring(), 0, true, std::move(bytes)});
}

void BackgroundFileWriter::Close(std::uint64_t lastWrite, bool keep) {
    Add(Job{Kind::kClose, std::wstring(), lastWrite, keep, {}});
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
    if (batch_.bytes >= kBatchBytes || batch_.jobs.size() >= kBatchJobs)
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
        for (Batch& batch : taken) {
            for (Job& job : batch.jobs) {
                if (!Failed() && !Perform(job)) {
                    failed_ = true;
                    Abandon();
                }
            }
            written += batch.bytes;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queuedBytes_ -= written;
        }
        changed_.notify_all();
    }
}

bool BackgroundFileWriter::Perform(Job& job) {
    switch (job.kind) {
        case Kind::kOpen: {
            file_.Reset(CreateFileW(job.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
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
        case Kind::kWrite: {
            DWORD written = 0;
            return file_ &&
                   WriteFile(file_.Get(), job.bytes.data(), static_cast<DWORD>(job.bytes.size()), &written, nullptr) &&
                   written == job.bytes.size();
        }
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
