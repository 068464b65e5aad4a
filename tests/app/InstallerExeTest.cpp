// The built installer executable, run as its own process: single instance, exit codes and the
// resources it carries.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <algorithm>
#include <string>
#include <vector>
#include <thread>

#include "OrbBuildSettings.h"
#include "base/ScopedWin.h"
#include "support/TestDirs.h"

using namespace std::chrono_literals;

namespace {

std::wstring InstallerPath() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir = self;
    dir.resize(dir.find_last_of(L"\\/") + 1);
    return dir + ORB_INSTALLER_EXE;
}

struct Process {
    base::UniqueHandle process;
    base::UniqueHandle thread;
    DWORD id = 0;
};

Process Start(const std::wstring& exe) {
    Process started;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        started.process.Reset(pi.hProcess);
        started.thread.Reset(pi.hThread);
        started.id = pi.dwProcessId;
    }
    return started;
}

HWND WaitForWindowOf(DWORD pid) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
        HWND window = nullptr;
        while ((window = FindWindowExW(nullptr, window, L"Orb.UiWindow", nullptr)) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == pid && IsWindowVisible(window))
                return window;
        }
        std::this_thread::sleep_for(20ms);
    }
    return nullptr;
}

DWORD WaitForExit(const Process& p, DWORD ms) {
    if (WaitForSingleObject(p.process.Get(), ms) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(p.process.Get(), &code);
    return code;
}

int CountInstallerWindows() {
    int n = 0;
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"Orb.UiWindow", nullptr)) != nullptr)
        ++n;
    return n;
}

// Width and height from a PNG's IHDR chunk.
bool PngSize(const unsigned char* data, DWORD size, unsigned& width, unsigned& height) {
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size < 24 || memcmp(data, signature, 8) != 0 || memcmp(data + 12, "IHDR", 4) != 0)
        return false;
    auto be32 = [](const unsigned char* p) { return (unsigned(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; };
    width = be32(data + 16);
    height = be32(data + 20);
    return true;
}

}  // namespace

TEST(InstallerExe, SecondInstanceExitsWithZeroAndCloseEndsTheFirstWithZero) {
    Process first = Start(InstallerPath());
    ASSERT_TRUE(first.process) << "cannot start " << std::string(InstallerPath().begin(), InstallerPath().end());
    HWND window = WaitForWindowOf(first.id);
    ASSERT_NE(window, nullptr);

    Process second = Start(InstallerPath());
    ASSERT_TRUE(second.process);
    EXPECT_EQ(WaitForExit(second, 20000), 0u);
    EXPECT_EQ(CountInstallerWindows(), 1);
    EXPECT_EQ(WaitForExit(first, 0), static_cast<DWORD>(STILL_ACTIVE));

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForExit(first, 20000), 0u);
}

// The file that ships is the i686 build, whichever flavour these tests were built as.
TEST(InstallerExe, ShippedFileIsA32BitGuiProgram) {
    const std::string bytes = TestSupport::ReadFileBytes(ORB_SHIPPED_INSTALLER);
    ASSERT_GT(bytes.size(), sizeof(IMAGE_DOS_HEADER));
    IMAGE_DOS_HEADER dos;
    memcpy(&dos, bytes.data(), sizeof(dos));
    ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
    ASSERT_GE(dos.e_lfanew, 0);
    ASSERT_LE(size_t(dos.e_lfanew) + sizeof(IMAGE_NT_HEADERS32), bytes.size());
    IMAGE_NT_HEADERS32 nt;
    memcpy(&nt, bytes.data() + dos.e_lfanew, sizeof(nt));
    EXPECT_EQ(nt.Signature, DWORD{IMAGE_NT_SIGNATURE});
    EXPECT_EQ(nt.FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(nt.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    EXPECT_EQ(nt.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    // Every user downloads it before anything else happens. Getting through real networks costs
    // about 57 KB of it (resuming, the system proxy and PAC, libcurl's SSPI proxy logon), and the
    // manifest, the version resource and the system-folder loading a little more: 1,057,792 bytes.
    EXPECT_LE(bytes.size(), 1070000u);
}

TEST(InstallerExe, CarriesItsPicturesAndVersion) {
    const std::wstring shipped = ORB_SHIPPED_INSTALLER;
    base::UniqueModule image{
        LoadLibraryExW(shipped.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)};
    ASSERT_TRUE(image);
    auto resource = [&](int id, LPCWSTR type, DWORD& size) -> const unsigned char* {
        HRSRC found = FindResourceW(image.Get(), MAKEINTRESOURCEW(id), type);
        if (!found)
            return nullptr;
        size = SizeofResource(image.Get(), found);
        return static_cast<const unsigned char*>(LockResource(LoadResource(image.Get(), found)));
    };

    DWORD size = 0;
    // The icon group: a 6-byte header, then 14-byte entries whose first byte is the width (0 = 256).
    const unsigned char* icons = resource(101, RT_GROUP_ICON, size);
    ASSERT_NE(icons, nullptr);
    ASSERT_GE(size, 6u);
    std::vector<unsigned> widths;
    for (unsigned i = 0; i < icons[4] && 6 + (i + 1) * 14 <= size; ++i)
        widths.push_back(icons[6 + i * 14] == 0 ? 256u : icons[6 + i * 14]);
    std::sort(widths.begin(), widths.end());
    EXPECT_EQ(widths, (std::vector<unsigned>{16, 24, 32, 48, 64, 128, 256}));
    // The entries are PNG images; the system still makes icons of them at the sizes it asks for.
    for (int side : {16, 32, 48}) {
        HICON icon = static_cast<HICON>(LoadImageW(image.Get(), MAKEINTRESOURCEW(101), IMAGE_ICON, side, side, 0));
        EXPECT_NE(icon, nullptr) << side;
        if (icon)
            DestroyIcon(icon);
    }
    // The header and the logo, and both again at their size on a 96 DPI screen.
    const struct {
        int id;
        unsigned width, height;
    } pictures[] = {{102, 1040, 520}, {104, 512, 512}, {110, 520, 260}, {111, 24, 24}};
    for (const auto& picture : pictures) {
        unsigned width = 0, height = 0;
        const unsigned char* png = resource(picture.id, RT_RCDATA, size);
        ASSERT_NE(png, nullptr) << picture.id;
        ASSERT_TRUE(PngSize(png, size, width, height)) << picture.id;
        EXPECT_EQ(width, picture.width) << picture.id;
        EXPECT_EQ(height, picture.height) << picture.id;
    }
    const unsigned char* badge = resource(105, RT_RCDATA, size);
    ASSERT_NE(badge, nullptr);
    const std::string svg(reinterpret_cast<const char*>(badge), size);
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("width=\"56\""), std::string::npos);
    EXPECT_NE(svg.find("height=\"56\""), std::string::npos);

    DWORD ignored = 0;
    const DWORD infoSize = GetFileVersionInfoSizeW(shipped.c_str(), &ignored);
    ASSERT_GT(infoSize, 0u);
    std::string info(infoSize, '\0');
    ASSERT_TRUE(GetFileVersionInfoW(shipped.c_str(), 0, infoSize, &info[0]));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(VerQueryValueW(&info[0], L"\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000031u);  // 0.49
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000031u);
    auto text = [&](const wchar_t* name) {
        wchar_t* value = nullptr;
        UINT length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
        if (!VerQueryValueW(&info[0], path.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
            return std::wstring();
        return std::wstring(value);
    };
    EXPECT_EQ(text(L"ProductName"), L"欧贝林视频格式转换器");
    EXPECT_EQ(text(L"CompanyName"), ORB_MAKER);
    EXPECT_EQ(text(L"FileVersion"), ORB_VERSION);
    EXPECT_EQ(text(L"ProductVersion"), ORB_VERSION);
}
