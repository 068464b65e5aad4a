// The installation folder's trimming and validity, and the disk-space line.
#include "app/InstallRootRules.h"

#include <gtest/gtest.h>

using namespace SetupUi;

TEST(InstallRootRulesTest, TrimsThenValidates) {
    struct Case {
        std::wstring typed;
        std::wstring trimmed;
        bool valid;
    };
    const std::wstring share = L"\\\\server\\share";
    const Case cases[] = {
        {L"C:\\", L"C:\\", false},  // a drive root
        {L"C:\\\\\\", L"C:\\", false},
        {L"C:\\   ", L"C:\\", false},
        {L"C:\\x", L"C:\\x", true},
        {L"D:/Apps/", L"D:/Apps", true},
        {share, share, true},
        {L"\\\\ab", L"\\\\ab", false},  // two backslashes and two letters
        {L"C:\\a..b", L"C:\\a..b", false},
        {L"C:\\x\\..\\y", L"C:\\x\\..\\y", false},
        {L"abc", L"abc", false},  // relative
        {L"C:x\\y", L"C:x\\y", false},
        {L"C:\\" + std::wstring(256, L'a'), L"C:\\" + std::wstring(256, L'a'), true},   // 259
        {L"C:\\" + std::wstring(257, L'a'), L"C:\\" + std::wstring(257, L'a'), false},  // 260
        {L"C:\\" + std::wstring(256, L'a') + L"\\ ", L"C:\\" + std::wstring(256, L'a'), true},
        {L"D:\\Apps \\ ", L"D:\\Apps", true},  // blanks and separators in any order
        {L"C:\\ \\", L"C:\\", false},
        {L"C:\\\\", L"C:\\", false},
        {L"1:\\abc", L"1:\\abc", false},  // not a drive letter
        {L"C:\\.", L"C:\\.", false},      // Windows reads these as the drive root
        {L"C:\\. .", L"C:\\. .", false},
        {L"C:\\ \\.\\ ", L"C:\\ \\.", false},
        {L"C:\\a\\.\\b", L"C:\\a\\.\\b", false},
        {L"C:\\a. b\\c", L"C:\\a. b\\c", true},
        {L"C:/Program Files (x86)/Orbelin", L"C:/Program Files (x86)/Orbelin", true},
        {L"\\\\server", L"\\\\server", false},  // a server without a share
        {L"\\\\server\\", L"\\\\server", false},
        {L"\\\\server/share\\x", L"\\\\server/share\\x", true},
        {L"\\\\\\server\\share", L"\\\\\\server\\share", false},
        {L"\\\\.\\pipe", L"\\\\.\\pipe", false},  // the device namespace
        {L"\\\\?\\C:\\x", L"\\\\?\\C:\\x", false},
        {L"\\\\?x\\share", L"\\\\?x\\share", false},
        // Names Windows cannot create as typed.
        {L"C:\\a<b", L"C:\\a<b", false},
        {L"C:\\a\"b", L"C:\\a\"b", false},
        {L"C:\\a|b\\c", L"C:\\a|b\\c", false},
        {L"C:\\a*", L"C:\\a*", false},
        {L"C:\\x\\a:b", L"C:\\x\\a:b", false},  // only the drive's colon
        {L"\\\\server\\share>x", L"\\\\server\\share>x", false},
        {L"C:\\a\tb", L"C:\\a\tb", false},
        {L"C:\\CON", L"C:\\CON", false},
        {L"C:\\Apps\\nul.txt\\x", L"C:\\Apps\\nul.txt\\x", false},
        {L"D:/com1", L"D:/com1", false},
        {L"C:\\Lpt9.log", L"C:\\Lpt9.log", false},
        {L"C:\\aux\\x", L"C:\\aux\\x", false},
        {L"\\\\server\\prn", L"\\\\server\\prn", false},
        {L"C:\\COM0", L"C:\\COM0", true},
        {L"C:\\console", L"C:\\console", true},
        {L"C:\\Apps.\\x", L"C:\\Apps.\\x", false},
        {L"C:\\Apps \\x", L"C:\\Apps \\x", false},
        {L"C:\\Apps.", L"C:\\Apps.", false},
    };
    for (const Case& c : cases) {
        std::wstring root = c.typed;
        TrimInstallRoot(root);
        EXPECT_EQ(root, c.trimmed) << root.size();
        EXPECT_EQ(IsValidInstallRoot(root), c.valid) << root.size();
    }
}

TEST(InstallRootRulesTest, DiskSpaceLineAndPickedFolders) {
    const uint64_t free = 12345678901ull;
    EXPECT_EQ(DiskSpaceText(&free), L"所需空间：150 MB     可用空间：11.5 GB");
    EXPECT_EQ(DiskSpaceText(nullptr), L"所需空间：150 MB     可用空间：--");
    EXPECT_EQ(DriveRootOf(L"D:\\Apps"), L"D:\\");
    EXPECT_EQ(DriveRootOf(L"abc"), L"");
    EXPECT_EQ(DriveRootOf(L"D:"), L"");
    EXPECT_EQ(PickedInstallRoot(L"E:\\"), L"E:\\Orbelin");
    EXPECT_EQ(PickedInstallRoot(L"E:\\Games"), L"E:\\Games");
}
