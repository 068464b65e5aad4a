#include "uie/core/UiTaskQueue.h"

namespace UIE {

void UiTaskQueue::Open(HWND window) {
    std::lock_guard<std::mutex> lock(lock_);
    target_ = window;
}

void UiTaskQueue::Close() {
    std::vector<Task> dropped;
    std::lock_guard<std::mutex> lock(lock_);
    target_ = nullptr;
    dropped.swap(pending_);
}

void UiTaskQueue::Post(Task task) {
    std::unique_lock<std::mutex> lock(lock_);
    if (!target_) {
        lock.unlock();
        task = nullptr;  // destroyed here, on the posting thread, never run
        return;
    }
    pending_.push_back(std::move(task));
    // Only a wake message that really went out counts: after a failed post (a full queue) the next
    // Post tries again, so the waiting tasks are never stranded.
    if (!wakePosted_)
        wakePosted_ = wake_(target_, wakeMessage_, 0, 0) != FALSE;
}

void UiTaskQueue::RunPending(const std::function<bool()>& stillOpen) {
    std::vector<Task> batch;
    {
        std::lock_guard<std::mutex> lock(lock_);
        batch.swap(pending_);
        wakePosted_ = false;
    }
    for (Task& task : batch) {
        if (!stillOpen())
            break;
        if (task)
            task();
    }
}

}  // namespace UIE
