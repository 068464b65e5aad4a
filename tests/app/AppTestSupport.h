// Shared by the installer application's tests: services that never reach the network, a wait for
// a condition set by another thread, and a user beside the running installer who reads it as a
// screen reader does (the window's IAccessible) and drives it with the mouse and keys at the
// places the reader names. Message coordinates are client pixels; reader locations are screen
// pixels.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/InstallerApp.h"
#include "base/ScopedWin.h"
#include "engine/InstallServices.h"

namespace apptest {

// What readers call the agreement's check box.
constexpr wchar_t kAgreementBox[] = L"我已阅读并同意《用户协议》和《隐私协议》";

// ---------------------------------------------------------------------------------------------
// Services and waiting
// ---------------------------------------------------------------------------------------------

template <typename Predicate>
bool WaitUntil(Predicate done, std::chrono::milliseconds limit = std::chrono::seconds(15)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Every step fails or does nothing; tests override the step they are about.
class OfflineServices : public Engine::IInstallServices {
public:
    bool SendDeviceReport(Engine::DeviceReportResult&, const Engine::AbortCheck&) override { return false; }
    bool DownloadPackage(const Engine::DownloadJob&, std::wstring& message) override {
        message = L"offline";
        return false;
    }
    bool ExtractPackage(const std::wstring&, const std::wstring&, const Engine::ProgressCallback&) override {
        return false;
    }
    bool VerifyPackage(const std::wstring&, const std::wstring&) override { return false; }
    void SaveToken(const std::wstring&, const std::string&) override {}
    void CreateDesktopShortcut(const std::wstring&) override {}
    void WriteUninstallEntry(const std::wstring&, const std::wstring&) override {}
};

// A run that succeeds without a package: the download is empty and the unpacking writes the two
// executables the installation checks for; the main one is a copy of `product` when one is named.
class SucceedingServices : public OfflineServices {
public:
    bool DownloadPackage(const Engine::DownloadJob&, std::wstring&) override { return true; }
    bool ExtractPackage(const std::wstring&, const std::wstring& dir, const Engine::ProgressCallback&) override {
        CreateDirectoryW(dir.c_str(), nullptr);
        const std::wstring main = dir + L"\\Orbelin.exe";
        const bool copied = product.empty() ? WriteStub(main) : CopyFileW(product.c_str(), main.c_str(), FALSE) != 0;
        return copied && WriteStub(dir + L"\\Uninstall.exe");
    }
    bool VerifyPackage(const std::wstring&, const std::wstring&) override { return true; }

    std::wstring product;

private:
    static bool WriteStub(const std::wstring& path) {
        base::UniqueFile file{CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)};
        DWORD written = 0;
        return file && WriteFile(file.Get(), "MZ", 2, &written, nullptr);
    }
};

// The download reports progress, then holds until the test releases it (a success when
// `succeed` is set) or the run is aborted.
class HeldDownload : public SucceedingServices {
public:
    bool DownloadPackage(const Engine::DownloadJob& job, std::wstring& message) override {
        tempFile = job.file;
        job.progress(37);
        downloading = true;
        WaitUntil([&] { return release.load() || job.abort(); }, std::chrono::seconds(60));
        sawAbort = job.abort();
        message = L"下载失败";
        return succeed.load() && !sawAbort;
    }
    std::atomic<bool> release{false};
    std::atomic<bool> succeed{false};
    std::atomic<bool> downloading{false};
    std::atomic<bool> sawAbort{false};
    std::wstring tempFile;  // written before `downloading` is set
};

// Runs `step` on the application's UI thread and waits for it; with no step, waits until the UI
// thread has handled everything posted to it before. A window that closes meanwhile drops the
// step: false.
inline bool OnUi(SetupUi::InstallerApp& app, const std::function<void()>& step = {}) {
    std::atomic<bool> done{false};
    app.Window().Post([&] {
        if (step)
            step();
        done = true;
    });
    WaitUntil([&] { return done.load() || app.Window().Hwnd() == nullptr; });
    return done.load();
}

// ---------------------------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------------------------

struct Shown {
    std::wstring text;
    std::wstring caption;
    UINT flags = 0;
};

// The messages the installer showed, recorded on the UI thread instead of shown.
class MessageLog {
public:
    SetupUi::InstallerApp::MessageBoxFn Recorder() {
        return [this](HWND, const wchar_t* text, const wchar_t* caption, UINT flags) {
            std::lock_guard<std::mutex> guard(lock_);
            shown_.push_back({text, caption, flags});
            return IDOK;
        };
    }
    std::vector<Shown> All() const {
        std::lock_guard<std::mutex> guard(lock_);
        return shown_;
    }
    size_t Count() const { return All().size(); }

private:
    mutable std::mutex lock_;
    std::vector<Shown> shown_;
};

// ---------------------------------------------------------------------------------------------
// The reader's view
// ---------------------------------------------------------------------------------------------

inline base::ComPtr<IAccessible> ClientObject(HWND window) {
    base::ComPtr<IAccessible> client;
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          client.PutVoid())))
        return {};
    return client;
}

// One control as a reader sees it; id 0 when the reader found none.
struct ReadControl {
    long id = 0;
    long role = 0;
    std::wstring name;
    std::wstring value;
    std::wstring action;
    long state = 0;
    RECT location = {};  // screen pixels

    bool Has(long flag) const { return (state & flag) != 0; }
};

inline ReadControl ReadChild(IAccessible& client, long id) {
    ReadControl child;
    child.id = id;
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = id;
    VARIANT answer;
    if (SUCCEEDED(client.get_accRole(self, &answer)) && answer.vt == VT_I4)
        child.role = answer.lVal;
    if (SUCCEEDED(client.get_accState(self, &answer)) && answer.vt == VT_I4)
        child.state = answer.lVal;
    auto text = [&](HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
        BSTR value = nullptr;
        (client.*get)(self, &value);
        const std::wstring copy = value ? std::wstring(value, SysStringLen(value)) : std::wstring();
        SysFreeString(value);
        return copy;
    };
    child.name = text(&IAccessible::get_accName);
    child.value = text(&IAccessible::get_accValue);
    child.action = text(&IAccessible::get_accDefaultAction);
    long left = 0, top = 0, width = 0, height = 0;
    client.accLocation(&left, &top, &width, &height, self);
    child.location = {left, top, left + width, top + height};
    return child;
}

// The controls in sight, in reading order. COM must be initialised on the calling thread.
inline std::vector<ReadControl> ReadTree(HWND window) {
    std::vector<ReadControl> tree;
    base::ComPtr<IAccessible> client = ClientObject(window);
    long count = 0;
    if (!client || FAILED(client->get_accChildCount(&count)) || count == 0)
        return tree;
    std::vector<VARIANT> ids(static_cast<size_t>(count));
    LONG obtained = 0;
    if (FAILED(AccessibleChildren(client.Get(), 0, count, ids.data(), &obtained)))
        return tree;
    for (LONG i = 0; i < obtained; ++i) {
        VARIANT& id = ids[static_cast<size_t>(i)];
        tree.push_back(ReadChild(*client.Get(), id.vt == VT_I4 ? id.lVal : -1));
        VariantClear(&id);
    }
    return tree;
}

// The control in sight that the reader calls `name` (of `role`, unless 0).
inline ReadControl Find(HWND window, const std::wstring& name, long role = 0) {
    for (const ReadControl& child : ReadTree(window)) {
        if (child.name == name && (role == 0 || child.role == role))
            return child;
    }
    return {};
}

inline bool Shows(HWND window, const std::wstring& name, long role = 0) {
    return Find(window, name, role).id != 0;
}

// The name of the control that has the focus; empty when none.
inline std::wstring FocusedName(HWND window) {
    for (const ReadControl& child : ReadTree(window)) {
        if (child.Has(STATE_SYSTEM_FOCUSED))
            return child.name;
    }
    return {};
}

// The middle of a reader's location, in the window's client pixels.
inline POINT ClientCentre(HWND window, const RECT& screen) {
    POINT centre = {(screen.left + screen.right) / 2, (screen.top + screen.bottom) / 2};
    ScreenToClient(window, &centre);
    return centre;
}

// ---------------------------------------------------------------------------------------------
// The user's hands
// ---------------------------------------------------------------------------------------------

inline void Mouse(HWND window, UINT message, POINT client) {
    const WPARAM buttons = message == WM_LBUTTONDOWN ? MK_LBUTTON : 0;
    PostMessageW(window, message, buttons, MAKELPARAM(client.x, client.y));
}

// Presses at `from` and releases at `to`, as a hand on the mouse does.
inline void Drag(SetupUi::InstallerApp& app, POINT from, POINT to) {
    HWND window = app.Window().Hwnd();
    Mouse(window, WM_MOUSEMOVE, from);
    Mouse(window, WM_LBUTTONDOWN, from);
    Mouse(window, WM_MOUSEMOVE, to);
    Mouse(window, WM_LBUTTONUP, to);
    OnUi(app);
}

inline void ClickAt(SetupUi::InstallerApp& app, POINT client) {
    Drag(app, client, client);
}

// Clicks the middle of the control the reader calls `name`; false when none is in sight.
inline bool Click(SetupUi::InstallerApp& app, const std::wstring& name, long role = 0) {
    const ReadControl control = Find(app.Window().Hwnd(), name, role);
    if (control.id == 0)
        return false;
    ClickAt(app, ClientCentre(app.Window().Hwnd(), control.location));
    return true;
}

inline void Key(SetupUi::InstallerApp& app, UINT key) {
    PostMessageW(app.Window().Hwnd(), WM_KEYDOWN, key, 1);
    PostMessageW(app.Window().Hwnd(), WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
    OnUi(app);
}

// Clicks the path field and replaces what it holds with `text`, key by key.
inline void TypePath(SetupUi::InstallerApp& app, const std::wstring& text) {
    const ReadControl field = Find(app.Window().Hwnd(), L"安装路径", ROLE_SYSTEM_TEXT);
    ASSERT_NE(field.id, 0);
    ClickAt(app, ClientCentre(app.Window().Hwnd(), field.location));
    Key(app, VK_END);
    for (size_t i = 0; i < field.value.size(); ++i)
        Key(app, VK_BACK);
    for (wchar_t ch : text)
        PostMessageW(app.Window().Hwnd(), WM_CHAR, ch, 1);
    OnUi(app);
}

// Runs the installer on this thread with its messages recorded in `log`, and `user` on another
// thread (with COM) from the moment the main page is up; then closes the window if it is still
// open. Returns the installer's exit code.
inline int RunWithUser(SetupUi::InstallerApp& app, MessageLog& log, const std::function<void()>& user) {
    app.SetMessageBox(log.Recorder());
    std::thread thread([&] {
        base::ComScope com(COINIT_MULTITHREADED);
        if (WaitUntil([&] { return app.Window().Hwnd() != nullptr; }) && OnUi(app))
            user();
        if (HWND window = app.Window().Hwnd())
            PostMessageW(window, WM_CLOSE, 0, 0);
    });
    const int exitCode = app.Run(GetModuleHandleW(nullptr), SW_SHOWNORMAL);
    thread.join();
    return exitCode;
}

}  // namespace apptest
