// The installer's pages driven as a user drives them, in the real window under Wine: consent,
// the custom-directory page, folder validation, the installing look, a failed run and its message,
// progress events and the finish page. Message boxes are recorded instead of shown.
#include "app/InstallerApp.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "AppTestSupport.h"
#include "engine/InstallRules.h"
#include "engine/PathHelpers.h"

using SetupUi::InstallerApp;
using namespace std::chrono_literals;

namespace {

struct Shown {
    std::wstring text;
    std::wstring caption;
    UINT flags;
};

// The network stand-in: the download fails at once with a message.
class FailingServices : public apptest::OfflineServices {
public:
    bool DownloadPackage(const Engine::DownloadJob& job, std::wstring& message) override {
        const auto& progress = job.progress;
        progress(40);
        message = L"下载失败";
        return false;
    }
};

std::wstring SettingsFile() {
    return Engine::JoinPath(Engine::GetAppDataDir(), L"settings.ini");
}

std::wstring ConsentValue() {
    wchar_t value[16] = {};
    GetPrivateProfileStringW(L"privacy", L"networkConsent", L"", value, 16, SettingsFile().c_str());
    return value;
}

using apptest::OnUi;

}  // namespace

TEST(InstallerPages, FromConsentThroughAFailedRunToTheFinishPage) {
    InstallerApp app(GetModuleHandleW(nullptr));
    FailingServices services;
    app.servicesOverride = &services;
    std::vector<Shown> shown;  // written on the UI thread, read after `shownCount` says so
    std::atomic<size_t> shownCount{0};
    app.messageBox = [&](HWND, const wchar_t* text, const wchar_t* caption, UINT flags) {
        shown.push_back({text, caption, flags});
        shownCount = shown.size();
        return IDOK;
    };
    const std::wstring defaultRoot = L"C:\\Orbelin-test";
    DeleteFileW(SettingsFile().c_str());  // consent is written by this test only

    std::thread user([&] {
        if (!apptest::WaitUntil([&] { return app.root != nullptr && app.window.Hwnd() != nullptr; }))
            return;
        // No consent yet: both ways forward are refused with the same message, and nothing is written.
        OnUi(app, [&] {
            app.installRoot = defaultRoot;
            app.StartInstall();
            app.OpenCustomDirectoryPage();
        });
        EXPECT_EQ(shown.size(), 2u);
        EXPECT_EQ(ConsentValue(), L"");
        EXPECT_FALSE(app.customDirPage->visible);

        // Consent, then the custom-directory page shows the current root and its drive's space.
        OnUi(app, [&] {
            app.agreement->checkBox->OnMouseUp(2, 2);
            app.OpenCustomDirectoryPage();
        });
        EXPECT_TRUE(app.agreement->checked);
        EXPECT_TRUE(app.customDirPage->visible);
        EXPECT_FALSE(app.window.captionDragEnabled);
        EXPECT_EQ(app.pathEdit->text, defaultRoot);
        EXPECT_NE(app.diskSpaceLabel->text.find(L" GB"), std::wstring::npos) << app.diskSpaceLabel->text;

        // A drive root typed on the page is refused and does not become the root.
        OnUi(app, [&] {
            app.pathEdit->SetText(L"C:\\\\  ");
            app.StartInstall();
        });
        ASSERT_EQ(shown.size(), 3u);
        EXPECT_EQ(shown[2].text, L"请输入有效的安装目录，不能直接安装到盘符根目录。");
        EXPECT_EQ(shown[2].flags, static_cast<UINT>(MB_ICONWARNING));
        EXPECT_EQ(app.installRoot, defaultRoot);
        EXPECT_TRUE(app.customDirPage->visible);

        // A folder that cannot be created (its parent is a file) is refused before any download,
        // and the probe leaves nothing behind.
        const std::wstring blocker = L"C:\\orbelin-pages-file";
        HANDLE file = CreateFileW(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
        OnUi(app, [&] {
            app.pathEdit->SetText(blocker + L"\\Orbelin");
            app.StartInstall();
        });
        ASSERT_EQ(shown.size(), 4u);
        EXPECT_EQ(shown[3].text, L"无法创建或写入该安装目录，请选择其他安装目录。");
        EXPECT_FALSE(app.installing);
        EXPECT_EQ(app.installRoot, defaultRoot);
        EXPECT_EQ(GetFileAttributesW(blocker.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
        DeleteFileW(blocker.c_str());

        // A valid folder starts a run from the page: consent recorded, the installing look shown.
        OnUi(app, [&] {
            app.pathEdit->SetText(defaultRoot + L"\\ ");
            app.StartInstall();
        });
        EXPECT_EQ(app.installRoot, defaultRoot);
        EXPECT_EQ(ConsentValue(), L"1");
        EXPECT_FALSE(app.customDirPage->visible);
        EXPECT_TRUE(app.window.captionDragEnabled);

        // The run fails: its message, then the main page again with the agreement still checked.
        EXPECT_TRUE(apptest::WaitUntil([&] { return shownCount.load() == 5u; }));
        OnUi(app, [] {});
        ASSERT_EQ(shown.size(), 5u);
        EXPECT_EQ(shown[4].text, L"下载失败");
        EXPECT_EQ(shown[4].caption, L"安装失败");
        EXPECT_EQ(shown[4].flags, static_cast<UINT>(MB_ICONERROR));
        EXPECT_FALSE(app.installing);
        EXPECT_TRUE(app.installButton->visible);
        EXPECT_TRUE(app.closeButton->visible);
        EXPECT_FALSE(app.progressBar->visible);
        EXPECT_TRUE(app.agreement->checked);

        // Progress events drive the bar and the percentage; success shows the finish page.
        OnUi(app, [&] {
            app.InstallProgress(137);
            app.InstallFinished(true, L"");
        });
        EXPECT_EQ(app.progressBar->value, 100);
        EXPECT_EQ(app.percentLabel->text, L"137%");
        EXPECT_TRUE(app.finishPage->visible);
        EXPECT_FALSE(app.window.captionDragEnabled);
        PostMessageW(app.window.Hwnd(), WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(app.Run(GetModuleHandleW(nullptr), SW_SHOWNORMAL), 0);
    user.join();
}

TEST(InstallerPages, MainPageControlsSitWhereTheyBelong) {
    InstallerApp app(GetModuleHandleW(nullptr));
    std::thread closer([&] {
        if (apptest::WaitUntil([&] { return app.root != nullptr && app.window.Hwnd() != nullptr; })) {
            OnUi(app, [&] {
                EXPECT_EQ(app.root->children.size(), 15u);
                const UIE::UiRect dir = app.customDirButton->bounds;
                EXPECT_EQ(dir.x + dir.width, 504);
                EXPECT_EQ(dir.y, 331);
                EXPECT_EQ(app.agreement->bounds.x, 24);
                EXPECT_EQ(app.agreement->bounds.y, 336);
                EXPECT_FALSE(app.minimizeButton->visible);
                EXPECT_FALSE(app.customDirPage->visible);
                EXPECT_FALSE(app.finishPage->visible);
                // The header picture is painted over the top of the window.
                EXPECT_NE(app.window.Buffer().PixelAt(260, 130), 0xFFFFFFu);
            });
            PostMessageW(app.window.Hwnd(), WM_CLOSE, 0, 0);
        }
    });
    EXPECT_EQ(app.Run(GetModuleHandleW(nullptr), SW_SHOWNORMAL), 0);
    closer.join();
}
