// Tasks that any thread hands to the UI thread: they wait here, in posting order, and one private
// message to the window wakes it to run them. The message carries nothing, so a stray message
// from another process can do no harm. Once the window begins to close, tasks are dropped
// (destroyed, never run).
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <vector>

namespace UIE {

class UiTaskQueue {
public:
    using Task = std::function<void()>;
    // How the queue wakes the window: PostMessageW. A test puts a failing stand-in here.
    using WakeFn = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM);

    explicit UiTaskQueue(UINT wakeMessage) : wakeMessage_(wakeMessage) {}
    // Tasks go to `window` from now on.
    void Open(HWND window);
    // From now on tasks are dropped; those still waiting are destroyed without running.
    void Close();
    // Any thread.
    void Post(Task task);
    // UI thread, on the wake message. `stillOpen` is asked before each task: a task may close
    // the window, and the rest are then dropped with the batch.
    void RunPending(const std::function<bool()>& stillOpen);
    void SetWake(WakeFn wake) { wake_ = wake; }

private:
    const UINT wakeMessage_;
    WakeFn wake_ = PostMessageW;
    std::mutex lock_;
    std::vector<Task> pending_;
    HWND target_ = nullptr;
    bool wakePosted_ = false;  // a wake message is on its way; cleared when the tasks are taken
};

}  // namespace UIE
