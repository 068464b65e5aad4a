// The installer as a screen reader and a keyboard user meet it, in the real window under Wine:
// every page's tree read through oleacc from another thread, the progress value during an
// installation, the events readers hear (SetWinEventHook), and the keys that move the focus, show
// the focus ring and act on the controls.
#include "app/InstallerApp.h"

#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "AppTestSupport.h"
#include "base/ScopedWin.h"
#include "engine/DownloadPackage.h"
#include "engine/InstallConstants.h"
#include "support/TestServer.h"
#include "uie/core/UiDpi.h"
#include "uie/core/UiScenePainter.h"

using SetupUi::InstallerApp;

namespace {

class Bstr {
public:
    Bstr() = default;
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR* Put() { return &value_; }
    std::wstring Text() const { return value_ ? std::wstring(value_, SysStringLen(value_)) : std::wstring(); }

private:
    BSTR value_ = nullptr;
};

VARIANT ChildId(long id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

// One child as a reader sees it.
struct Child {
    long id = 0;
    long role = 0;
    std::wstring name;
    std::wstring value;
    std::wstring action;
    long state = 0;
    RECT location = {};
};

std::vector<Child> ReadTree(HWND window) {
    std::vector<Child> tree;
    base::ComPtr<IAccessible> client;
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          client.PutVoid())) ||
        !client)
        return tree;
    long count = 0;
    client->get_accChildCount(&count);
    std::vector<VARIANT> ids(static_cast<size_t>(count));
    LONG obtained = 0;
    if (count == 0 || FAILED(AccessibleChildren(client.Get(), 0, count, ids.data(), &obtained)))
        return tree;
    for (LONG i = 0; i < obtained; ++i) {
        Child child;
        child.id = ids[static_cast<size_t>(i)].vt == VT_I4 ? ids[static_cast<size_t>(i)].lVal : -1;
        VariantClear(&ids[static_cast<size_t>(i)]);
        const VARIANT self = ChildId(child.id);
        VARIANT role;
        VARIANT state;
        if (SUCCEEDED(client->get_accRole(self, &role)) && role.vt == VT_I4)
            child.role = role.lVal;
        if (SUCCEEDED(client->get_accState(self, &state)) && state.vt == VT_I4)
            child.state = state.lVal;
        Bstr name;
        Bstr value;
        Bstr action;
        client->get_accName(self, name.Put());
        client->get_accValue(self, value.Put());
        client->get_accDefaultAction(self, action.Put());
        child.name = name.Text();
        child.value = value.Text();
        child.action = action.Text();
        long left = 0, top = 0, width = 0, height = 0;
        client->accLocation(&left, &top, &width, &height, self);
        child.location = {left, top, left + width, top + height};
        tree.push_back(std::move(child));
    }
    return tree;
}

using apptest::OnUi;

// Where the control is on the screen, from its own bounds.
RECT ScreenRectOf(InstallerApp& app, UIE::CUiControl* control) {
    int x = 0;
    int y = 0;
    control->GetAbsolutePosition(x, y);
    POINT origin = {0, 0};
    ClientToScreen(app.window.Hwnd(), &origin);
    return {origin.x + UIE::Scale(x), origin.y + UIE::Scale(y), origin.x + UIE::Scale(x + control->bounds.width),
            origin.y + UIE::Scale(y + control->bounds.height)};
}

struct Expected {
    long role;
    const wchar_t* name;  // null: any (text that depends on the machine)
    bool focused;
};

// The download reports progress and then waits until the test lets it fail.
class HeldDownload : public apptest::OfflineServices {
public:
    bool DownloadPackage(const Engine::DownloadJob& job, std::wstring& message) override {
        const auto& progress = job.progress;
        const auto& abort = job.abort;
        progress(37);
        apptest::WaitUntil([&] { return release.load() || abort(); }, std::chrono::seconds(60));
        message = L"下载失败";
        return false;
    }
    std::atomic<bool> release{false};
};

// Starts the application on this thread and runs `user` on another while it runs.
void RunWithUser(InstallerApp& app, const std::function<void()>& user) {
    app.messageBox = [](HWND, const wchar_t*, const wchar_t*, UINT) { return IDOK; };
    std::thread thread([&] {
        base::ComScope com(COINIT_MULTITHREADED);
        if (apptest::WaitUntil([&] { return app.root != nullptr && app.window.Hwnd() != nullptr; }))
            user();
        PostMessageW(app.window.Hwnd(), WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(app.Run(GetModuleHandleW(nullptr), SW_SHOWNORMAL), 0);
    thread.join();
}

void Key(InstallerApp& app, UINT key) {
    PostMessageW(app.window.Hwnd(), WM_KEYDOWN, key, 1);
    PostMessageW(app.window.Hwnd(), WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
    OnUi(app, [] {});
}

}  // namespace

TEST(InstallerAccessibility, EveryPageReadsAsItLooks) {
    InstallerApp app(GetModuleHandleW(nullptr));
    HeldDownload services;
    app.servicesOverride = &services;
    const wchar_t* title = Engine::kProductDisplayName;
    struct Page {
        const char* what;
        std::function<void()> show;
        std::vector<Expected> children;
    };
    const std::vector<Page> pages = {
        {"main page",
         [] {},
         {{ROLE_SYSTEM_STATICTEXT, title, false},
          {ROLE_SYSTEM_PUSHBUTTON, L"立即安装", true},
          {ROLE_SYSTEM_CHECKBUTTON, L"我已阅读并同意《用户协议》和《隐私协议》", false},
          {ROLE_SYSTEM_LINK, L"《用户协议》", false},
          {ROLE_SYSTEM_LINK, L"《隐私协议》", false},
          {ROLE_SYSTEM_PUSHBUTTON, L"自定义目录", false},
          {ROLE_SYSTEM_PUSHBUTTON, L"关闭", false}}},
        {"custom-directory page",
         [&] {
             app.installRoot = L"C:\\Orbelin-a11y";
             app.agreement->checkBox->Activate();
             app.OpenCustomDirectoryPage();
         },
         {{ROLE_SYSTEM_STATICTEXT, title, false},
          {ROLE_SYSTEM_PUSHBUTTON, L"返回", false},
          {ROLE_SYSTEM_STATICTEXT, L"安装路径", false},
          {ROLE_SYSTEM_TEXT, L"安装路径", false},
          {ROLE_SYSTEM_PUSHBUTTON, L"浏览", false},
          {ROLE_SYSTEM_STATICTEXT, nullptr, false},
          {ROLE_SYSTEM_STATICTEXT, L"请选择剩余空间充足的安装位置", false},
          {ROLE_SYSTEM_PUSHBUTTON, L"立即安装", true},
          {ROLE_SYSTEM_PUSHBUTTON, L"关闭", false}}},
        {"installing",
         [&] { app.StartInstall(); },
         {{ROLE_SYSTEM_STATICTEXT, title, false},
          {ROLE_SYSTEM_STATICTEXT, nullptr, false},
          {ROLE_SYSTEM_STATICTEXT, L"安装遇到问题？", false},
          {ROLE_SYSTEM_LINK, L"联系我们", true},
          {ROLE_SYSTEM_PROGRESSBAR, L"安装进度", false},
          {ROLE_SYSTEM_STATICTEXT, L"正在下载安装包…", false},  // the held download measured nothing yet
          {ROLE_SYSTEM_PUSHBUTTON, L"最小化", false}}},
        {"finish page",
         [&] { app.InstallFinished(true, L""); },
         {{ROLE_SYSTEM_GRAPHIC, L"安装成功", false},
          {ROLE_SYSTEM_STATICTEXT, L"安装完成", false},
          {ROLE_SYSTEM_PUSHBUTTON, L"立即体验", true},
          {ROLE_SYSTEM_PUSHBUTTON, L"关闭", false}}},
    };

    RunWithUser(app, [&] {
        for (const Page& page : pages) {
            SCOPED_TRACE(page.what);
            if (std::string(page.what) == "finish page") {
                // The held run fails first; the finish page then stands for a successful one.
                services.release = true;
                apptest::WaitUntil([&] {
                    bool running = true;
                    OnUi(app, [&] { running = app.installing; });
                    return !running;
                });
            }
            OnUi(app, page.show);
            if (std::string(page.what) == "installing") {
                // The held download has reported its progress once the bar moved off zero.
                ASSERT_TRUE(apptest::WaitUntil([&] {
                    int value = 0;
                    OnUi(app, [&] { value = app.progressBar->value; });
                    return value > 5;
                }));
            }
            const std::vector<Child> tree = ReadTree(app.window.Hwnd());
            ASSERT_EQ(tree.size(), page.children.size());
            for (size_t i = 0; i < tree.size(); ++i) {
                const Child& child = tree[i];
                const Expected& expected = page.children[i];
                SCOPED_TRACE(i);
                EXPECT_EQ(child.role, expected.role);
                if (expected.name) {
                    EXPECT_EQ(child.name, expected.name);
                }
                EXPECT_EQ((child.state & STATE_SYSTEM_FOCUSED) != 0, expected.focused);
                EXPECT_EQ(child.state & STATE_SYSTEM_INVISIBLE, 0);
                const bool interactive = expected.role == ROLE_SYSTEM_PUSHBUTTON || expected.role == ROLE_SYSTEM_LINK ||
                                         expected.role == ROLE_SYSTEM_CHECKBUTTON || expected.role == ROLE_SYSTEM_TEXT;
                EXPECT_EQ((child.state & STATE_SYSTEM_FOCUSABLE) != 0, interactive);
                EXPECT_EQ(child.action.empty(), !interactive || expected.role == ROLE_SYSTEM_TEXT) << child.action;
                RECT bounds = {};
                std::wstring barValue;
                std::wstring editValue;
                OnUi(app, [&] {
                    if (UIE::CUiControl* control = app.window.Scene().FindByAccessId(child.id))
                        bounds = ScreenRectOf(app, control);
                    barValue = app.percentLabel->text;
                    editValue = app.pathEdit->text;
                });
                EXPECT_TRUE(EqualRect(&child.location, &bounds))
                    << child.location.left << "," << child.location.top << " " << bounds.left << "," << bounds.top;
                if (expected.role == ROLE_SYSTEM_CHECKBUTTON) {
                    EXPECT_EQ(child.state & STATE_SYSTEM_CHECKED, 0);
                }
                if (expected.role == ROLE_SYSTEM_PROGRESSBAR) {
                    EXPECT_EQ(child.value, barValue);
                    EXPECT_NE(child.value, L"0%");
                }
                if (expected.role == ROLE_SYSTEM_TEXT) {
                    EXPECT_EQ(child.value, editValue);
                }
            }
        }
    });
}

// A real download from the loopback test server, 256 KiB in 16 KiB pieces 150 ms apart, so the
// installation's progress moves for about two seconds; the other steps stay offline.
class ServerDownload : public apptest::OfflineServices {
public:
    bool DownloadPackage(const Engine::DownloadJob& job, std::wstring& message) override {
        const TestSupport::TestServer& server = TestSupport::TestServer::Get();
        Engine::DownloadJob served = job;
        served.url = server.WideUrl(TestSupport::TestServer::NewId("a11y"), "slow/262144/150");
        return Engine::DownloadPackage(served, message);
    }
};

// What a reader hears of the bar while the package really downloads: values that climb through
// the download's share of the bar, each equal to the percentage the page shows.
TEST(InstallerAccessibility, ReadersFollowTheProgressOfARealDownload) {
    ASSERT_TRUE(TestSupport::TestServer::Get().Running());
    InstallerApp app(GetModuleHandleW(nullptr));
    ServerDownload services;
    app.servicesOverride = &services;
    std::vector<int> values;
    int compared = 0;
    RunWithUser(app, [&] {
        long bar = 0;
        OnUi(app, [&] {
            app.agreement->checkBox->Activate();
            bar = app.progressBar->accessId;
            app.StartInstall();
        });
        base::ComPtr<IAccessible> client;
        ASSERT_TRUE(SUCCEEDED(AccessibleObjectFromWindow(app.window.Hwnd(), static_cast<DWORD>(OBJID_CLIENT),
                                                         __uuidof(IAccessible), client.PutVoid())));
        // The label is read before and after the bar: when it did not move in between, the two
        // must say the same.
        auto readLabel = [&](std::wstring& shown, bool& running) {
            OnUi(app, [&] {
                shown = app.percentLabel->text;
                running = app.installing;
            });
        };
        apptest::WaitUntil(
            [&] {
                std::wstring before, after;
                bool runningBefore = false, runningAfter = false;
                readLabel(before, runningBefore);
                Bstr value;
                client->get_accValue(ChildId(bar), value.Put());
                readLabel(after, runningAfter);
                if (!runningBefore || !runningAfter)
                    return !runningAfter;
                if (before == after) {
                    EXPECT_EQ(value.Text(), after);
                    ++compared;
                }
                const int percent = std::wcstol(value.Text().c_str(), nullptr, 10);
                if (values.empty() || values.back() != percent)
                    values.push_back(percent);
                return false;
            },
            std::chrono::seconds(60));
    });
    int inDownload = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        inDownload += values[i] > 5 && values[i] < 77 ? 1 : 0;
        if (i > 0) {
            EXPECT_GE(values[i], values[i - 1]) << "the bar went back";
        }
    }
    EXPECT_GE(inDownload, 3) << "the reader heard " << values.size() << " values";
    EXPECT_GT(compared, 3);
}

std::mutex heardLock;
std::vector<std::pair<DWORD, LONG>> heard;
HWND watched = nullptr;

// A lambda cannot be a WINEVENTPROC on i686, where the hook is called with stdcall.
void CALLBACK RecordEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    std::lock_guard<std::mutex> guard(heardLock);
    if (hwnd == watched && object == OBJID_CLIENT)
        heard.emplace_back(event, child);
}

TEST(InstallerAccessibility, ReadersHearFocusStateValueAndPageChanges) {
    InstallerApp app(GetModuleHandleW(nullptr));
    HeldDownload services;
    app.servicesOverride = &services;
    const WINEVENTPROC record = &RecordEvent;
    RunWithUser(app, [&] {
        watched = app.window.Hwnd();
        HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_VALUECHANGE, GetModuleHandleW(nullptr),
                                             record, GetCurrentProcessId(), 0, WINEVENT_INCONTEXT);
        ASSERT_NE(hook, nullptr);
        long box = 0, install = 0, customInstall = 0, link = 0, bar = 0, percent = 0;
        OnUi(app, [&] {
            box = app.agreement->checkBox->accessId;
            install = app.installButton->accessId;
            customInstall = app.customInstallButton->accessId;
            link = app.contactLink->accessId;
            bar = app.progressBar->accessId;
            percent = app.percentLabel->accessId;
        });
        Key(app, VK_TAB);    // to the check box
        Key(app, VK_SPACE);  // ticks it
        OnUi(app, [&] {
            app.installRoot = L"C:\\Orbelin-a11y";
            app.OpenCustomDirectoryPage();
        });
        Key(app, VK_ESCAPE);  // back
        OnUi(app, [&] { app.StartInstall(); });
        ASSERT_TRUE(apptest::WaitUntil([&] {
            std::lock_guard<std::mutex> guard(heardLock);
            return !heard.empty() && heard.back() == std::make_pair(DWORD{EVENT_OBJECT_NAMECHANGE}, percent);
        }));
        services.release = true;
        apptest::WaitUntil([&] { return !app.installing; });
        UnhookWinEvent(hook);

        // These arrive in this order; other events may come between them.
        const std::vector<std::pair<DWORD, LONG>> expected = {
            {EVENT_OBJECT_FOCUS, box},           {EVENT_OBJECT_STATECHANGE, box},    {EVENT_OBJECT_REORDER, 0},
            {EVENT_OBJECT_FOCUS, customInstall}, {EVENT_OBJECT_REORDER, 0},          {EVENT_OBJECT_FOCUS, install},
            {EVENT_OBJECT_HIDE, install},        {EVENT_OBJECT_SHOW, bar},           {EVENT_OBJECT_FOCUS, link},
            {EVENT_OBJECT_VALUECHANGE, bar},     {EVENT_OBJECT_NAMECHANGE, percent},
        };
        std::lock_guard<std::mutex> guard(heardLock);
        size_t next = 0;
        for (const auto& event : heard) {
            if (next < expected.size() && event == expected[next])
                ++next;
        }
        EXPECT_EQ(next, expected.size()) << "missing event " << next << " of " << heard.size() << " heard";
    });
}

TEST(InstallerAccessibility, TheKeyboardGoesRoundThePagesInReadingOrder) {
    InstallerApp app(GetModuleHandleW(nullptr));
    RunWithUser(app, [&] {
        std::vector<UIE::CUiControl*> order;
        OnUi(app, [&] {
            order = {app.agreement->checkBox,
                     app.agreement->checkBox->parent->children[2].get(),
                     app.agreement->checkBox->parent->children[4].get(),
                     app.customDirButton,
                     app.closeButton,
                     app.installButton};
        });
        // Tab from the primary button visits the main page in reading order and wraps around.
        for (UIE::CUiControl* expected : order) {
            Key(app, VK_TAB);
            UIE::CUiControl* focused = nullptr;
            OnUi(app, [&] { focused = app.window.Scene().Focused(); });
            EXPECT_EQ(focused, expected);
        }

        // The ring shows after the keyboard and hides after a click; it is drawn around the focus.
        struct RingCase {
            const char* what;
            std::function<void()> input;
            bool shown;
        };
        const std::vector<RingCase> ringCases = {
            {"Tab", [&] { Key(app, VK_TAB); }, true},
            {"click",
             [&] {
                 PostMessageW(app.window.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 200));
                 PostMessageW(app.window.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(300, 200));
                 OnUi(app, [] {});
             },
             false},
        };
        for (const RingCase& ring : ringCases) {
            SCOPED_TRACE(ring.what);
            ring.input();
            LRESULT state = 0;
            uint32_t edge = 0;
            OnUi(app, [&] {
                app.window.Scene().FocusControl(app.agreement->checkBox);
                UpdateWindow(app.window.Hwnd());
                state = SendMessageW(app.window.Hwnd(), WM_QUERYUISTATE, 0, 0);
                const UIE::UiLtrb box = UIE::ControlPixelArea(app.agreement->checkBox, 0);
                edge = app.window.Buffer().PixelAt(box.left - UIE::Scale(UIE::kFocusRingGapDip) - 1,
                                                 (box.top + box.bottom) / 2);
            });
            EXPECT_EQ((state & UISF_HIDEFOCUS) == 0, ring.shown);
            EXPECT_EQ(edge == (UIE::kFocusRingColour & 0xFFFFFFu), ring.shown) << std::hex << edge;
        }

        // Enter leaves the check box alone, Space ticks it; Enter on a button acts; Escape goes back.
        bool checkedAfterEnter = true, checkedAfterSpace = false, customShown = false, customAfterEscape = true;
        UIE::CUiControl* focusOnPage = nullptr;
        UIE::CUiControl* focusBack = nullptr;
        Key(app, VK_RETURN);
        OnUi(app, [&] { checkedAfterEnter = app.agreement->checked; });
        Key(app, VK_SPACE);
        OnUi(app, [&] { checkedAfterSpace = app.agreement->checked; });
        for (int i = 0; i < 3; ++i)
            Key(app, VK_TAB);
        Key(app, VK_RETURN);
        OnUi(app, [&] {
            customShown = app.customDirPage->visible;
            focusOnPage = app.window.Scene().Focused();
        });
        Key(app, VK_ESCAPE);
        OnUi(app, [&] {
            customAfterEscape = app.customDirPage->visible;
            focusBack = app.window.Scene().Focused();
        });
        EXPECT_FALSE(checkedAfterEnter);
        EXPECT_TRUE(checkedAfterSpace);
        EXPECT_TRUE(customShown);
        EXPECT_EQ(focusOnPage, app.customInstallButton);
        EXPECT_FALSE(customAfterEscape);
        EXPECT_EQ(focusBack, app.installButton);
    });
}
