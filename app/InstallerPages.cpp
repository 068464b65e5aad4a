// The installer's pages and what the user does on them: the main page with its installing look,
// the custom-directory page, the finish page, the start of an installation and the pipeline's
// three events. UI thread only.
#include <windows.h>
#include <shlobj.h>

#include <array>
#include <memory>
#include <vector>

#include "app/CCheckBadge.h"
#include "app/InstallRootRules.h"
#include "app/InstallStatusText.h"
#include "app/InstallerApp.h"
#include "base/ScopedWin.h"
#include "engine/InstallConstants.h"
#include "engine/InstallRules.h"
#include "engine/PathHelpers.h"
#include "uie/controls/CUiButton.h"
#include "uie/controls/CUiCard.h"
#include "uie/controls/CUiImage.h"
#include "uie/controls/UiImageCache.h"
#include "uie/core/UiFonts.h"
#include "uie/core/UiTheme.h"

namespace SetupUi {

namespace {

constexpr wchar_t kConsentMessage[] = L"请先阅读并同意用户协议和隐私协议。";
constexpr wchar_t kInvalidRootMessage[] = L"请输入有效的安装目录，不能直接安装到盘符根目录。";
constexpr wchar_t kUnwritableRootMessage[] = L"无法创建或写入该安装目录，请选择其他安装目录。";
constexpr wchar_t kContactMessage[] = L"请联系软件发布方获取安装支持。";
constexpr wchar_t kInstallFailedCaption[] = L"安装失败";
constexpr COLORREF kDarkText = RGB(0x33, 0x33, 0x33);
constexpr COLORREF kMutedText = RGB(0x84, 0x87, 0x8C);
constexpr unsigned kHeaderPicture = 102;
constexpr int kHeaderWidth = 520;  // DIP, as the main page shows it
constexpr int kHeaderHeight = 260;
constexpr unsigned kTitleLogo = 104;
constexpr int kTitleLogoSide = 24;
// The two again at their size on a 96 DPI screen (see PrefetchPictures).
constexpr unsigned kHeaderPicture96Dpi = 110;
constexpr unsigned kTitleLogo96Dpi = 111;

UIE::CUiLabel* PlaceLabel(UIE::CUiControl* parent, UIE::UiRect bounds, const wchar_t* text, int size, COLORREF colour) {
    UIE::CUiLabel* label = parent->AddAt<UIE::CUiLabel>(bounds);
    label->text = text;
    label->fontSize = size;
    label->textColour = colour;
    return label;
}

UIE::CUiControl* AddPage(UIE::CUiControl* root) {
    UIE::CUiControl* page = root->AddAt<UIE::CUiControl>({0, 0, 520, 374});
    page->visible = false;
    page->coversSiblings = true;
    UIE::CUiCard* background = page->AddAt<UIE::CUiCard>({0, 0, 520, 374});
    background->fillColour = 0xFFFFFFFF;
    background->cornerRadius = 1;
    return page;
}

// Whether the installation will be able to create `root` and write into it, asked when the user
// starts so that a folder Windows refuses is named before the download rather than after it.
// Whatever the probe creates, folders and its file, it removes again.
bool CanWriteInstallRoot(const std::wstring& root) {
    std::vector<std::wstring> missing;  // deepest first
    for (std::wstring folder = root; GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;) {
        missing.push_back(folder);
        const size_t cut = folder.find_last_of(L"\\/");
        if (cut == std::wstring::npos || cut < 3)
            break;
        folder.resize(cut);
    }
    std::vector<std::wstring> created;
    bool writable = true;
    for (auto folder = missing.rbegin(); writable && folder != missing.rend(); ++folder) {
        writable = CreateDirectoryW(folder->c_str(), nullptr) != 0;
        if (writable)
            created.push_back(*folder);
    }
    if (writable) {
        const std::wstring probe = root + L"\\~orbelin-" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
        base::UniqueFile file{CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr)};
        writable = static_cast<bool>(file);
    }
    for (auto folder = created.rbegin(); folder != created.rend(); ++folder)
        RemoveDirectoryW(folder->c_str());
    return writable;
}

// Asked while the user types: a drive without media must not raise the system's "insert a disk"
// box, so critical errors come back as failures for the length of the question.
bool AskFreeBytes(const std::wstring& drive, uint64_t& freeBytes) {
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
    ULARGE_INTEGER available = {};
    const bool known = GetDiskFreeSpaceExW(drive.c_str(), &available, nullptr, nullptr) != 0;
    SetErrorMode(previous);
    freeBytes = available.QuadPart;
    return known;
}

}  // namespace

void InstallerApp::ShowMessage(const wchar_t* text, UINT icon) {
    messageBox(window.Hwnd(), text, Engine::kProductDisplayName, icon);
}

void InstallerApp::CloseWindow() {
    if (window.Hwnd())
        PostMessageW(window.Hwnd(), WM_CLOSE, 0, 0);
}

// ---------------------------------------------------------------------------------------------
// Building
// ---------------------------------------------------------------------------------------------

// The main page's pictures are read, and shrunk to their size on screen, while the window system
// is set up. At 96 DPI they are stored at that size too: reading the large ones and shrinking them
// kept the second core busy for some 10 ms under Wine, which delayed the window's creation beside
// it by a few milliseconds.
void InstallerApp::PrefetchPictures() {
    UIE::UiImageCache& cache = UIE::UiImageCache::Instance();
    cache.AddSizedCopy(kHeaderPicture, kHeaderPicture96Dpi);
    cache.AddSizedCopy(kTitleLogo, kTitleLogo96Dpi);
    cache.Prefetch(module,
                   {{kHeaderPicture, kHeaderWidth, kHeaderHeight}, {kTitleLogo, kTitleLogoSide, kTitleLogoSide}});
}

void InstallerApp::AddTitle(UIE::CUiControl* page) {
    UIE::CUiImage* logo = page->AddAt<UIE::CUiImage>({16, 16, kTitleLogoSide, kTitleLogoSide});
    logo->bitmap =
        UIE::UiImageCache::Instance().LoadFromResourceScaled(module, kTitleLogo, kTitleLogoSide, kTitleLogoSide);
    logo->mouseTransparent = true;
    PlaceLabel(page, {46, 16, 220, 24}, Engine::kProductDisplayName, 13, kDarkText);
}

void InstallerApp::BuildMainPage() {
    auto rootControl = std::make_unique<UIE::CUiControl>();
    root = rootControl.get();
    UIE::CUiImage* header = root->AddAt<UIE::CUiImage>({0, 0, kHeaderWidth, kHeaderHeight});
    // Shrunk to its size on screen beforehand (see PrefetchPictures): drawn 1:1, it costs the first
    // paint a few milliseconds instead of a resampling.
    header->bitmap =
        UIE::UiImageCache::Instance().LoadFromResourceScaled(module, kHeaderPicture, kHeaderWidth, kHeaderHeight);
    header->mouseTransparent = true;
    AddTitle(root);
    closeButton = root->AddAt<CChromeButton>({484, 10, 26, 26}, CChromeButton::kClose, [this] { CloseWindow(); });
    minimizeButton = root->AddAt<CChromeButton>({458, 10, 26, 26}, CChromeButton::kMinimise,
                                                [this] { ShowWindow(window.Hwnd(), SW_MINIMIZE); });
    minimizeButton->visible = false;
    installButton = root->AddAt<CActionButton>({194, 280, 132, 36}, L"立即安装", [this] { StartInstall(); });
    agreement = root->Add<CAgreementControl>();
    agreement->Arrange({24, 336, 280, 18});
    customDirButton =
        root->Add<CGhostButton>(L"自定义目录", CGhostButton::kChevronAfter, [this] { OpenCustomDirectoryPage(); });
    // Sized to the caption, with its right edge at 504.
    const int width = customDirButton->FittingWidth();
    customDirButton->bounds = {504 - width, 331, width, 28};
    percentLabel = PlaceLabel(root, {24, 292, 100, 22}, L"0%", 12, UIE::ArgbToColorRef(UIE::GetTheme().text));
    problemLabel = PlaceLabel(root, {350, 292, 98, 22}, L"安装遇到问题？", 13, kDarkText);
    contactLink = root->AddAt<UIE::CUiLink>({446, 292, 60, 22});
    contactLink->text = L"联系我们";
    contactLink->linkColour = 0xFFFF7467;
    contactLink->SetOnClick([this] { ShowMessage(kContactMessage, MB_ICONINFORMATION); });
    progressBar = root->AddAt<UIE::CUiProgressBar>({24, 326, 472, 8});
    progressBar->accessName = L"安装进度";
    // The whole width of the bar: a download line with sizes, speed and time left needs it.
    statusLabel = PlaceLabel(root, {24, 342, 472, 18}, L"", 12, kMutedText);
    for (UIE::CUiControl* installingOnly : InstallingControls())
        installingOnly->visible = false;
    window.AddRoot(std::move(rootControl));
    window.SetEscapeAction([this] {
        if (!customDirPage || !customDirPage->visible)
            return false;
        ReturnToMainPage();  // Escape is "返回"
        return true;
    });
    FocusPrimary();
}

void InstallerApp::BuildCustomDirectoryPage() {
    customDirPage = AddPage(root);
    AddTitle(customDirPage);
    customDirPage->AddAt<CChromeButton>({484, 10, 26, 26}, CChromeButton::kClose, [this] { CloseWindow(); });
    CGhostButton* back =
        customDirPage->Add<CGhostButton>(L"返回", CGhostButton::kChevronBefore, [this] { ReturnToMainPage(); });
    back->bounds = {24, 56, back->FittingWidth(), 28};
    PlaceLabel(customDirPage, {40, 96, 200, 22}, L"安装路径", 13, UIE::ArgbToColorRef(UIE::GetTheme().text));
    pathEdit = customDirPage->AddAt<UIE::CUiEdit>({40, 122, 360, 32});
    pathEdit->placeholder = L"请输入安装目录";
    pathEdit->accessName = L"安装路径";
    pathEdit->SetOnChange([this](const std::wstring& text) { UpdateDiskSpace(text); });
    UIE::CUiButton* browse = customDirPage->AddAt<UIE::CUiButton>({412, 122, 68, 32});
    browse->style = UIE::kButtonOutlined;
    browse->text = L"浏览";
    browse->SetOnClick([this] { BrowseForDirectory(); });
    diskSpaceLabel = PlaceLabel(customDirPage, {40, 166, 440, 22}, L"", 12, RGB(0x84, 0x87, 0x8C));
    PlaceLabel(customDirPage, {40, 196, 440, 22}, L"请选择剩余空间充足的安装位置", 12, RGB(0xAA, 0xAA, 0xAA));
    customInstallButton =
        customDirPage->AddAt<CActionButton>({194, 280, 132, 36}, L"立即安装", [this] { StartInstall(); });
}

void InstallerApp::BuildFinishPage() {
    finishPage = AddPage(root);
    finishPage->AddAt<CChromeButton>({484, 10, 26, 26}, CChromeButton::kClose, [this] { CloseWindow(); });
    finishPage->AddAt<CCheckBadge>({232, 108, 56, 56})->accessName = L"安装成功";
    UIE::CUiLabel* headline = PlaceLabel(finishPage, {0, 176, 520, 28}, L"安装完成", 15, kDarkText);
    headline->bold = true;
    headline->textAlignment = 1;
    launchButton = finishPage->AddAt<CActionButton>({194, 238, 132, 36}, L"立即体验", [this] { LaunchAndClose(); });
}

// ---------------------------------------------------------------------------------------------
// Page flow
// ---------------------------------------------------------------------------------------------

void InstallerApp::OpenCustomDirectoryPage() {
    if (!agreement->IsChecked()) {
        ShowMessage(kConsentMessage, MB_ICONINFORMATION);
        return;
    }
    pathEdit->SetText(installRoot);
    UpdateDiskSpace(installRoot);
    customDirPage->SetVisible(true);
    window.SetCaptionDrag(false);
    FocusPrimary();
}

void InstallerApp::ReturnToMainPage() {
    HideCustomDirectoryPage();
    FocusPrimary();
}

void InstallerApp::HideCustomDirectoryPage() {
    // Hiding the page gives up the roles its controls hold; the focus may sit elsewhere too.
    customDirPage->SetVisible(false);
    if (window.Scene().Focused())
        window.Scene().ReleaseSubtree(window.Scene().Focused());
    window.SetCaptionDrag(true);
}

// The primary button lets Enter go on at once; the page's fields are a Shift+Tab away. The main
// page is focused before the other pages are built.
void InstallerApp::FocusPrimary() {
    UIE::CUiControl* primary = nullptr;
    if (finishPage && finishPage->visible)
        primary = launchButton;
    else if (customDirPage && customDirPage->visible)
        primary = customInstallButton;
    else if (installButton->visible)
        primary = installButton;
    if (primary) {
        window.Scene().FocusControl(primary);
        return;
    }
    const std::vector<UIE::CUiControl*> order = window.Scene().ShownControls(true);
    window.Scene().FocusControl(order.empty() ? nullptr : order.front());
}

void InstallerApp::UpdateDiskSpace(const std::wstring& path) {
    // Every key press lands here. The drive's answer is reused for a while, so a slow or
    // disconnected network drive stalls the window once, not on every character typed.
    constexpr ULONGLONG kFreeSpaceReuseMs = 3000;
    const std::wstring drive = DriveRootOf(path);
    const ULONGLONG now = GetTickCount64();
    if (!drive.empty() && (drive != freeSpace.drive || now - freeSpace.askedAt >= kFreeSpaceReuseMs)) {
        freeSpace.drive = drive;
        freeSpace.askedAt = now;
        freeSpace.known = AskFreeBytes(drive, freeSpace.bytes);
    }
    const bool known = !drive.empty() && freeSpace.known;
    diskSpaceLabel->SetText(DiskSpaceText(known ? &freeSpace.bytes : nullptr));
}

void InstallerApp::BrowseForDirectory() {
    BROWSEINFOW info = {};
    info.hwndOwner = window.Hwnd();
    info.lpszTitle = L"请选择安装目录";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (!chosen)
        return;
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(chosen, path)) {
        const std::wstring picked = PickedInstallRoot(path);
        pathEdit->SetText(picked);
        UpdateDiskSpace(picked);
    }
    CoTaskMemFree(chosen);
}

// ---------------------------------------------------------------------------------------------
// Installation
// ---------------------------------------------------------------------------------------------

// The main page's controls that only the ready state shows, and those only installing shows
// (besides the minimise button, which is also hidden from the start).
std::array<UIE::CUiControl*, 4> InstallerApp::ReadyControls() const {
    return {installButton, agreement, customDirButton, closeButton};
}
std::array<UIE::CUiControl*, 5> InstallerApp::InstallingControls() const {
    return {percentLabel, problemLabel, contactLink, progressBar, statusLabel};
}

void InstallerApp::ShowInstallingLook(bool installingLook) {
    for (UIE::CUiControl* control : ReadyControls())
        control->SetVisible(!installingLook);
    minimizeButton->SetVisible(installingLook);
    for (UIE::CUiControl* control : InstallingControls())
        control->SetVisible(installingLook);
}

void InstallerApp::StartInstall() {
    if (installing)
        return;
    const bool fromCustomPage = customDirPage->visible;
    if (!agreement->IsChecked()) {
        ShowMessage(kConsentMessage, MB_ICONINFORMATION);
        return;
    }
    // A refused folder never becomes the root: after "返回" the main page installs into the last
    // good one instead of repeating the warning.
    std::wstring root = fromCustomPage ? pathEdit->text : installRoot;
    TrimInstallRoot(root);
    if (!IsValidInstallRoot(root)) {
        ShowMessage(kInvalidRootMessage, MB_ICONWARNING);
        return;
    }
    if (!CanWriteInstallRoot(root)) {
        ShowMessage(kUnwritableRootMessage, MB_ICONWARNING);
        return;
    }
    installRoot = root;
    // The user has agreed to the device report by starting the installation. Without a data
    // folder there is nowhere to keep it: a bare file name would land in the Windows folder.
    const std::wstring dataDir = Engine::GetAppDataDir();
    if (!dataDir.empty()) {
        const std::wstring settings = Engine::JoinPath(dataDir, L"settings.ini");
        WritePrivateProfileStringW(L"privacy", L"networkConsent", L"1", settings.c_str());
    }
    if (fromCustomPage)
        HideCustomDirectoryPage();
    installing = true;
    ShowInstallingLook(true);
    progressBar->SetValue(0);
    percentLabel->SetText(L"0%");
    // A line left from an earlier, failed run must not stand for this one.
    statusLabel->SetText(L"");
    FocusPrimary();
    StartInstallWorker();
}

void InstallerApp::InstallProgress(int percent) {
    progressBar->SetValue(percent);
    wchar_t text[16];
    wsprintfW(text, L"%d%%", percent);
    percentLabel->SetText(text);
}

void InstallerApp::InstallStatusChanged(const Engine::InstallStatus& status) {
    statusLabel->SetText(InstallStatusText(status));
}

void InstallerApp::InstallFinished(bool success, const std::wstring& message) {
    installing = false;
    if (success) {
        window.SetCaptionDrag(false);
        finishPage->SetVisible(true);
        FocusPrimary();
        return;
    }
    messageBox(window.Hwnd(), message.c_str(), kInstallFailedCaption, MB_ICONERROR);
    ShowInstallingLook(false);
    FocusPrimary();
}

void InstallerApp::LaunchAndClose() {
    LaunchProduct();
    CloseWindow();
}

}  // namespace SetupUi
