#include "engine/BackgroundFileWriter.h"

#include <algorithm>
#include <utility>

namespace Engine {

BackgroundFileWriter::BackgroundFileWriter(std::size_t maxQueuedBytes)
    : maxQueuedBytes_(maxQueuedBytes), thread_([this] { Run(); }) {}

BackgroundFileWriter::~BackgroundFileWriter() {
    Finish();
}

void BackgroundFileWriter::Open(const std::wstring& path, std::uint64_t size) {
    Push(Job{Kind::kOpen, path, size, true, {}});
}

void BackgroundFileWriter::Write(std::vector<char> bytes) {
    Push(Job{Kind::kWrite, std::wstring(), 0, true, std::move(bytes)});
}

void BackgroundFileWriter::Close(std::uint64_t lastWrite, bool keep) {
    Push(Job{Kind::kClose, std::wstring(), lastWrite, keep, {}});
}

bool BackgroundFileWriter::Finish() {
    if (thread_.joinable()) {
        Push(Job{Kind::kStop, std::wstring(), 0, true, {}});
        thread_.join();
    }
    return !Failed();
}

bool BackgroundFileWriter::Failed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return failed_;
}

void BackgroundFileWriter::Push(Job job) {
    std::unique_lock<std::mutex> lock(mutex_);
    // A job larger than the whole budget still goes through once the queue has drained.
    changed_.wait(lock, [&] { return queuedBytes_ == 0 || queuedBytes_ + job.bytes.size() <= maxQueuedBytes_; });
    if (failed_ && job.kind != Kind::kStop)
        return;  // nothing more is written after a failure
    queuedBytes_ += job.bytes.size();
    jobs_.push_back(std::move(job));
    changed_.notify_all();
}

void BackgroundFileWriter::Run() {
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return !jobs_.empty(); });
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        if (job.kind == Kind::kStop) {
            Abandon();  // a file the producer never closed is not complete
            return;
        }
        const bool ok = Perform(job);
        std::lock_guard<std::mutex> lock(mutex_);
        queuedBytes_ -= job.bytes.size();
        if (!ok && !failed_) {
            failed_ = true;
            for (const Job& dropped : jobs_)
                queuedBytes_ -= dropped.bytes.size();
            jobs_.erase(std::remove_if(jobs_.begin(), jobs_.end(), [](const Job& j) { return j.kind != Kind::kStop; }),
                        jobs_.end());
        }
        changed_.notify_all();
        if (!ok)
            Abandon();
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
                return true;  // the producer has its own reason and reports it
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
        case Kind::kStop:
            break;
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
