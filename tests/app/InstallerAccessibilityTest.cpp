// The installer as a screen reader and a keyboard user meet it, in the real window under Wine:
// every page's tree read through oleacc from another thread, the progress value during an
// installation, the events readers hear (SetWinEventHook), and the keys that move the focus, show
// the focus ring and act on the controls.
#include "app/InstallerApp.h"

#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <functional>
#include <mutex>
#include <string>
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

using namespace apptest;


struct Expected {
    long role;
    const wchar_t* name;  // null: any (text that depends on the machine or the moment)
    bool focused;
};

int Percent(const std::wstring& text) {
    return std::wcstol(text.c_str(), nullptr, 10);
}

}  // namespace

TEST(InstallerAccessibility, EveryPageReadsAsItLooks) {
    InstallerApp app(GetModuleHandleW(nullptr));
    HeldDownload services;
    services.succeed = true;
    app.SetServices(&services);
    MessageLog log;
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
          {ROLE_SYSTEM_CHECKBUTTON, kAgreementBox, false},
          {ROLE_SYSTEM_LINK, L"《用户协议》", false},
          {ROLE_SYSTEM_LINK, L"《隐私协议》", false},
          {ROLE_SYSTEM_PUSHBUTTON, L"自定义目录", false},
          {ROLE_SYSTEM_PUSHBUTTON, L"关闭", false}}},
        {"custom-directory page",
         [&] {
             Click(app, kAgreementBox);
             Click(app, L"自定义目录");
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
         [&] {
             Click(app, L"立即安装");
             // The held download has reported its progress once the bar moved off zero.
             EXPECT_TRUE(WaitUntil([&] { return Percent(Find(app.Window().Hwnd(), L"安装进度").value) > 5; }));
         },
         {{ROLE_SYSTEM_STATICTEXT, title, false},
          {ROLE_SYSTEM_STATICTEXT, nullptr, false},
          {ROLE_SYSTEM_STATICTEXT, L"安装遇到问题？", false},
          {ROLE_SYSTEM_LINK, L"联系我们", true},
          {ROLE_SYSTEM_PROGRESSBAR, L"安装进度", false},
          {ROLE_SYSTEM_STATICTEXT, L"正在下载安装包…", false},  // the held download measured nothing yet
          {ROLE_SYSTEM_PUSHBUTTON, L"最小化", false}}},
        {"finish page",
         [&] {
             services.release = true;
             EXPECT_TRUE(WaitUntil([&] { return Shows(app.Window().Hwnd(), L"立即体验"); }));
         },
         {{ROLE_SYSTEM_GRAPHIC, L"安装成功", false},
          {ROLE_SYSTEM_STATICTEXT, L"安装完成", false},
          {ROLE_SYSTEM_PUSHBUTTON, L"立即体验", true},
          {ROLE_SYSTEM_PUSHBUTTON, L"关闭", false}}},
    };

    RunWithUser(app, log, [&] {
        HWND window = app.Window().Hwnd();
        RECT client = {};
        GetClientRect(window, &client);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
        for (const Page& page : pages) {
            SCOPED_TRACE(page.what);
            page.show();
            const std::vector<ReadControl> tree = ReadTree(window);
            ASSERT_EQ(tree.size(), page.children.size());
            for (size_t i = 0; i < tree.size(); ++i) {
                const ReadControl& child = tree[i];
                const Expected& expected = page.children[i];
                SCOPED_TRACE(i);
                EXPECT_EQ(child.role, expected.role);
                if (expected.name) {
                    EXPECT_EQ(child.name, expected.name);
                }
                EXPECT_EQ(child.Has(STATE_SYSTEM_FOCUSED), expected.focused);
                EXPECT_FALSE(child.Has(STATE_SYSTEM_INVISIBLE));
                const bool interactive = expected.role == ROLE_SYSTEM_PUSHBUTTON || expected.role == ROLE_SYSTEM_LINK ||
                                         expected.role == ROLE_SYSTEM_CHECKBUTTON || expected.role == ROLE_SYSTEM_TEXT;
                EXPECT_EQ(child.Has(STATE_SYSTEM_FOCUSABLE), interactive);
                EXPECT_EQ(child.action.empty(), !interactive || expected.role == ROLE_SYSTEM_TEXT) << child.action;
                // Every control lies inside the window; the clicks of these tests land where
                // the reader says it is.
                RECT inside = {};
                EXPECT_TRUE(IntersectRect(&inside, &child.location, &client) && EqualRect(&inside, &child.location));
                if (expected.role == ROLE_SYSTEM_CHECKBUTTON) {
                    EXPECT_FALSE(child.Has(STATE_SYSTEM_CHECKED));
                }
                if (expected.role == ROLE_SYSTEM_PROGRESSBAR) {
                    EXPECT_EQ(child.value, tree[1].name);  // the percentage the page shows
                    EXPECT_NE(child.value, L"0%");
                }
                if (expected.role == ROLE_SYSTEM_TEXT) {
                    EXPECT_NE(child.value.find(L"\\Programs\\Orbelin"), std::wstring::npos) << child.value;
                }
            }
        }
    });
    EXPECT_EQ(log.Count(), 0u);
}

// A real download from the loopback test server, 256 KiB in 16 KiB pieces 150 ms apart, so the
// installation's progress moves for about two seconds; the other steps stay offline.
class ServerDownload : public OfflineServices {
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
    app.SetServices(&services);
    MessageLog log;
    std::vector<int> values;
    int compared = 0;
    RunWithUser(app, log, [&] {
        HWND window = app.Window().Hwnd();
        ASSERT_TRUE(Click(app, kAgreementBox));
        ASSERT_TRUE(Click(app, L"立即安装"));
        const std::vector<ReadControl> tree = ReadTree(window);
        ASSERT_GE(tree.size(), 5u);
        const long percent = tree[1].id;  // the percentage above the bar
        const long bar = Find(window, L"安装进度", ROLE_SYSTEM_PROGRESSBAR).id;
        base::ComPtr<IAccessible> client = ClientObject(window);
        ASSERT_TRUE(client);
        // The percentage is read before and after the bar: when it did not move in between, the
        // two must say the same. The run ends when the bar leaves the page.
        WaitUntil(
            [&] {
                const ReadControl before = ReadChild(*client.Get(), percent);
                const ReadControl shown = ReadChild(*client.Get(), bar);
                const ReadControl after = ReadChild(*client.Get(), percent);
                if (shown.Has(STATE_SYSTEM_INVISIBLE))
                    return true;
                if (before.name == after.name) {
                    EXPECT_EQ(shown.value, after.name);
                    ++compared;
                }
                if (values.empty() || values.back() != Percent(shown.value))
                    values.push_back(Percent(shown.value));
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
    // The offline unpacking fails the run in the end.
    EXPECT_EQ(log.Count(), 1u);
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

// Whether `expected` arrived in this order; other events may come between them.
size_t HeardInOrder(const std::vector<std::pair<DWORD, LONG>>& expected) {
    std::lock_guard<std::mutex> guard(heardLock);
    size_t next = 0;
    for (const auto& event : heard) {
        if (next < expected.size() && event == expected[next])
            ++next;
    }
    return next;
}

TEST(InstallerAccessibility, ReadersHearFocusStateValueAndPageChanges) {
    InstallerApp app(GetModuleHandleW(nullptr));
    HeldDownload services;
    app.SetServices(&services);
    MessageLog log;
    const WINEVENTPROC record = &RecordEvent;
    RunWithUser(app, log, [&] {
        HWND window = app.Window().Hwnd();
        watched = window;
        HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_VALUECHANGE, GetModuleHandleW(nullptr),
                                             record, GetCurrentProcessId(), 0, WINEVENT_INCONTEXT);
        ASSERT_NE(hook, nullptr);
        const long box = Find(window, kAgreementBox).id;
        const long install = Find(window, L"立即安装").id;
        Key(app, VK_TAB);    // to the check box
        Key(app, VK_SPACE);  // ticks it
        ASSERT_TRUE(Click(app, L"自定义目录"));
        const long customInstall = Find(window, L"立即安装").id;
        Key(app, VK_ESCAPE);  // back
        ASSERT_TRUE(Click(app, L"立即安装"));
        const std::vector<ReadControl> installing = ReadTree(window);
        ASSERT_GE(installing.size(), 5u);
        const long percent = installing[1].id;
        const long link = Find(window, L"联系我们").id;
        const long bar = Find(window, L"安装进度").id;

        const std::vector<std::pair<DWORD, LONG>> expected = {
            {EVENT_OBJECT_FOCUS, box},           {EVENT_OBJECT_STATECHANGE, box},    {EVENT_OBJECT_REORDER, 0},
            {EVENT_OBJECT_FOCUS, customInstall}, {EVENT_OBJECT_REORDER, 0},          {EVENT_OBJECT_FOCUS, install},
            {EVENT_OBJECT_HIDE, install},        {EVENT_OBJECT_SHOW, bar},           {EVENT_OBJECT_FOCUS, link},
            {EVENT_OBJECT_VALUECHANGE, bar},     {EVENT_OBJECT_NAMECHANGE, percent},
        };
        WaitUntil([&] { return HeardInOrder(expected) == expected.size(); });
        services.release = true;
        EXPECT_TRUE(WaitUntil([&] { return Shows(window, L"立即安装"); }));
        UnhookWinEvent(hook);
        EXPECT_EQ(HeardInOrder(expected), expected.size()) << "of " << heard.size() << " heard";
    });
    EXPECT_EQ(log.Count(), 1u);  // the held run's failure
}

TEST(InstallerAccessibility, TheKeyboardGoesRoundThePagesInReadingOrder) {
    InstallerApp app(GetModuleHandleW(nullptr));
    MessageLog log;
    RunWithUser(app, log, [&] {
        HWND window = app.Window().Hwnd();
        // Tab from the primary button visits the main page in reading order and wraps around.
        for (const wchar_t* expected : {kAgreementBox, L"《用户协议》", L"《隐私协议》", L"自定义目录", L"关闭", L"立即安装"}) {
            Key(app, VK_TAB);
            EXPECT_EQ(FocusedName(window), expected);
        }

        // The ring shows after the keyboard and hides after a click; it is drawn around the focus.
        RECT box = Find(window, kAgreementBox).location;
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
        const POINT boxCentre = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
        struct RingCase {
            const char* what;
            std::function<void()> input;
            bool shown;
        };
        const std::vector<RingCase> ringCases = {
            {"Tab", [&] { Key(app, VK_TAB); }, true},  // to the check box
            {"click",  // twice, to leave the box as it was
             [&] {
                 ClickAt(app, boxCentre);
                 ClickAt(app, boxCentre);
             },
             false},
        };
        for (const RingCase& ring : ringCases) {
            SCOPED_TRACE(ring.what);
            ring.input();
            EXPECT_EQ(FocusedName(window), kAgreementBox);
            uint32_t edge = 0;
            OnUi(app, [&] {
                UpdateWindow(window);
                edge = app.Window().Buffer().PixelAt(box.left - UIE::Scale(UIE::kFocusRingGapDip) - 1,
                                                     (box.top + box.bottom) / 2);
            });
            const LRESULT state = SendMessageW(window, WM_QUERYUISTATE, 0, 0);
            EXPECT_EQ((state & UISF_HIDEFOCUS) == 0, ring.shown);
            EXPECT_EQ(edge == (UIE::kFocusRingColour & 0xFFFFFFu), ring.shown) << std::hex << edge;
        }

        // Enter leaves the check box alone, Space ticks it; Enter on a button acts; Escape goes back.
        Key(app, VK_RETURN);
        EXPECT_FALSE(Find(window, kAgreementBox).Has(STATE_SYSTEM_CHECKED));
        Key(app, VK_SPACE);
        EXPECT_TRUE(Find(window, kAgreementBox).Has(STATE_SYSTEM_CHECKED));
        for (int i = 0; i < 3; ++i)
            Key(app, VK_TAB);
        Key(app, VK_RETURN);
        EXPECT_TRUE(Shows(window, L"返回"));
        EXPECT_EQ(FocusedName(window), L"立即安装");
        Key(app, VK_ESCAPE);
        EXPECT_FALSE(Shows(window, L"返回"));
        EXPECT_EQ(FocusedName(window), L"立即安装");
    });
    EXPECT_EQ(log.Count(), 0u);
}
