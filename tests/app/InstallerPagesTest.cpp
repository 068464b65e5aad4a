// The installer's pages driven as a user drives them, in the real window under Wine: consent,
// the agreement row, the custom-directory page, folder validation, the installing look, a failed
// run and its message, a successful run, the finish page and the product it starts. Message boxes
// are recorded instead of shown; what the pages show is read as a screen reader reads it.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "AppTestSupport.h"
#include "engine/InstallConstants.h"
#include "engine/InstallRules.h"
#include "engine/PathHelpers.h"
#include "support/TestDirs.h"
#include "support/TestPackages.h"

using SetupUi::InstallerApp;
using namespace apptest;

namespace {

constexpr wchar_t kConsentMessage[] = L"请先阅读并同意用户协议和隐私协议。";

// The first run's download fails at once with a message; later runs succeed.
class FailingOnceServices : public SucceedingServices {
public:
    bool DownloadPackage(const Engine::DownloadJob& job, std::wstring& message) override {
        if (failed_.exchange(true))
            return true;
        job.progress(40);
        message = L"下载失败";
        return false;
    }

private:
    std::atomic<bool> failed_{false};
};

std::wstring SettingsFile() {
    return Engine::JoinPath(Engine::GetAppDataDir(), L"settings.ini");
}

std::wstring ConsentValue() {
    wchar_t value[16] = {};
    GetPrivateProfileStringW(L"privacy", L"networkConsent", L"", value, 16, SettingsFile().c_str());
    return value;
}

std::wstring DefaultInstallRoot() {
    wchar_t local[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local);
    return std::wstring(local) + L"\\Programs\\Orbelin";
}

bool Checked(HWND window) {
    return Find(window, kAgreementBox, ROLE_SYSTEM_CHECKBUTTON).Has(STATE_SYSTEM_CHECKED);
}

std::wstring PathShown(HWND window) {
    return Find(window, L"安装路径", ROLE_SYSTEM_TEXT).value;
}

// The last message shown, once `count` have been.
Shown Message(const MessageLog& log, size_t count) {
    EXPECT_TRUE(WaitUntil([&] { return log.Count() >= count; }));
    const std::vector<Shown> all = log.All();
    EXPECT_EQ(all.size(), count);
    return all.empty() ? Shown{} : all.back();
}

}  // namespace

TEST(InstallerPages, FromConsentThroughAFailedRunToTheProductStarted) {
    InstallerApp app(GetModuleHandleW(nullptr));
    FailingOnceServices services;
    services.product = TestSupport::TestPackageFile(L"bin\\Orbelin.exe-1.0.0.49-1.0.0.49.signed");
    app.SetServices(&services);
    MessageLog log;
    const std::wstring root = L"C:\\Orbelin-test";
    const std::wstring installDir = Engine::JoinPath(root, Engine::kBuiltInVersion);
    DeleteFileW(SettingsFile().c_str());  // consent is written by this test only

    const int exitCode = RunWithUser(app, log, [&] {
        HWND window = app.Window().Hwnd();
        // No consent yet: both ways forward are refused with the same message, and nothing is written.
        ASSERT_TRUE(Click(app, L"立即安装"));
        EXPECT_EQ(Message(log, 1).text, kConsentMessage);
        ASSERT_TRUE(Click(app, L"自定义目录"));
        EXPECT_EQ(Message(log, 2).text, kConsentMessage);
        EXPECT_EQ(ConsentValue(), L"");
        EXPECT_FALSE(Shows(window, L"返回"));

        // Consent, then the custom-directory page shows the default root and its drive's space.
        ASSERT_TRUE(Click(app, kAgreementBox));
        EXPECT_TRUE(Checked(window));
        ASSERT_TRUE(Click(app, L"自定义目录"));
        EXPECT_EQ(PathShown(window), DefaultInstallRoot());
        bool spaceShown = false;
        for (const ReadControl& child : ReadTree(window))
            spaceShown = spaceShown || child.name.find(L" GB") != std::wstring::npos;
        EXPECT_TRUE(spaceShown);

        // A drive root typed on the page is refused and does not become the root.
        TypePath(app, L"C:\\\\  ");
        ASSERT_TRUE(Click(app, L"立即安装"));
        const Shown refused = Message(log, 3);
        EXPECT_EQ(refused.text, L"请输入有效的安装目录，不能直接安装到盘符根目录。");
        EXPECT_EQ(refused.flags, static_cast<UINT>(MB_ICONWARNING));
        EXPECT_TRUE(Shows(window, L"返回"));

        // A folder that cannot be created (its parent is a file) is refused before any download,
        // and the probe leaves nothing behind.
        const std::wstring blocker = L"C:\\orbelin-pages-file";
        ASSERT_TRUE(TestSupport::WriteFileBytes(blocker, ""));
        TypePath(app, blocker + L"\\Orbelin");
        ASSERT_TRUE(Click(app, L"立即安装"));
        EXPECT_EQ(Message(log, 4).text, L"无法创建或写入该安装目录，请选择其他安装目录。");
        EXPECT_FALSE(Shows(window, L"安装进度"));
        EXPECT_EQ(GetFileAttributesW(blocker.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
        DeleteFileW(blocker.c_str());

        // Neither refused folder was kept: the page opens again on the default root.
        ASSERT_TRUE(Click(app, L"返回"));
        ASSERT_TRUE(Click(app, L"自定义目录"));
        EXPECT_EQ(PathShown(window), DefaultInstallRoot());

        // A valid folder starts a run from the page: consent recorded, the installing look shown.
        TypePath(app, root + L"\\ ");
        ASSERT_TRUE(Click(app, L"立即安装"));
        EXPECT_EQ(ConsentValue(), L"1");
        EXPECT_FALSE(Shows(window, L"返回"));

        // The run fails: its message, then the main page again with the agreement still checked.
        const Shown failed = Message(log, 5);
        EXPECT_EQ(failed.text, L"下载失败");
        EXPECT_EQ(failed.caption, L"安装失败");
        EXPECT_EQ(failed.flags, static_cast<UINT>(MB_ICONERROR));
        OnUi(app);
        EXPECT_TRUE(Shows(window, L"立即安装"));
        EXPECT_TRUE(Shows(window, L"关闭"));
        EXPECT_FALSE(Shows(window, L"安装进度"));
        EXPECT_TRUE(Checked(window));

        // The main page installs into the folder the page settled on, trimmed; the finish page
        // starts the product and ends the installer.
        ASSERT_TRUE(Click(app, L"立即安装"));
        ASSERT_TRUE(WaitUntil([&] { return Shows(window, L"立即体验"); }));
        EXPECT_TRUE(Shows(window, L"安装完成"));
        EXPECT_TRUE(TestSupport::Exists(installDir + L"\\Uninstall.exe"));
        ASSERT_TRUE(Click(app, L"立即体验"));
    });
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(log.Count(), 5u);
    EXPECT_TRUE(WaitUntil([&] { return TestSupport::Exists(installDir + L"\\Orbelin.exe.ran"); }));
    TestSupport::RemoveTree(root);
}

// A click on the agreement's words ticks or clears the box as a click on the box does; the links
// leave it alone. A press taken off its control before the release does nothing at all.
TEST(InstallerPages, TheAgreementWordsToggleAndAPressTakenBackDoesNothing) {
    InstallerApp app(GetModuleHandleW(nullptr));
    MessageLog log;
    RunWithUser(app, log, [&] {
        HWND window = app.Window().Hwnd();
        const ReadControl box = Find(window, kAgreementBox, ROLE_SYSTEM_CHECKBUTTON);
        const ReadControl agreement = Find(window, L"《用户协议》", ROLE_SYSTEM_LINK);
        const ReadControl privacy = Find(window, L"《隐私协议》", ROLE_SYSTEM_LINK);
        ASSERT_TRUE(box.id && agreement.id && privacy.id);
        // The words lie between the box and the first link, "和" between the two links.
        const int middle = (box.location.top + box.location.bottom) / 2;
        const POINT words = ClientCentre(window, {box.location.right, middle, agreement.location.left, middle});
        const POINT and_ = ClientCentre(window, {agreement.location.right, middle, privacy.location.left, middle});
        const POINT away = ClientCentre(window, Find(window, Engine::kProductDisplayName).location);

        ClickAt(app, words);
        EXPECT_TRUE(Checked(window));
        ClickAt(app, and_);
        EXPECT_FALSE(Checked(window));
        ClickAt(app, ClientCentre(window, box.location));
        EXPECT_TRUE(Checked(window));
        ClickAt(app, words);
        EXPECT_FALSE(Checked(window));

        const POINT taken[] = {words, ClientCentre(window, box.location), ClientCentre(window, agreement.location),
                               ClientCentre(window, Find(window, L"立即安装").location),
                               ClientCentre(window, Find(window, L"自定义目录").location),
                               ClientCentre(window, Find(window, L"关闭").location)};
        for (const POINT& from : taken) {
            Drag(app, from, away);
            EXPECT_FALSE(Checked(window)) << from.x << "," << from.y;
        }
        // The buttons would have asked for consent or closed the window.
        EXPECT_EQ(log.Count(), 0u);
        EXPECT_TRUE(Shows(window, L"自定义目录"));
    });
}
