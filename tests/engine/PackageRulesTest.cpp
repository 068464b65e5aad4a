#include "engine/PackageRules.h"

#include <gtest/gtest.h>

using namespace Engine;

TEST(IsSafeEntryPath, RefusesNamesThatLeaveTheTarget) {
    EXPECT_FALSE(IsSafeEntryPath(L""));
    EXPECT_FALSE(IsSafeEntryPath(L"..\\evil.dll"));
    EXPECT_FALSE(IsSafeEntryPath(L"a\\..\\..\\b"));
    EXPECT_FALSE(IsSafeEntryPath(L"a\\.."));
    EXPECT_FALSE(IsSafeEntryPath(L".."));
    EXPECT_FALSE(IsSafeEntryPath(L"\\abs.dll"));
    EXPECT_FALSE(IsSafeEntryPath(L"/abs.dll"));
    EXPECT_FALSE(IsSafeEntryPath(L"C:x.dll"));
    EXPECT_FALSE(IsSafeEntryPath(L"C:\\x.dll"));
    EXPECT_FALSE(IsSafeEntryPath(L"file.txt:stream"));
    EXPECT_FALSE(IsSafeEntryPath(L"a/../b"));  // "/" separates components too
    EXPECT_FALSE(IsSafeEntryPath(L"\\\\server\\share\\x.dll"));
}

TEST(IsSafeEntryPath, RefusesDeviceNamesInAnyFolder) {
    for (const wchar_t* name :
         {L"CON", L"con.txt", L"sub\\NUL", L"a\\nul.dll", L"PRN.log", L"aux", L"COM1", L"x\\com9.txt", L"LPT1.dll",
          L"lpt5", L"COM1 .txt", L"CONIN$", L"conout$.x", L"COM\x00B9", L"a\\CON\\b.txt"})
        EXPECT_FALSE(IsSafeEntryPath(name)) << name;
}

TEST(IsSafeEntryPath, AcceptsNamesThatOnlyLookLikeDevices) {
    for (const wchar_t* name :
         {L"CONSOLE.txt", L"COM10", L"COM0x", L"nul2", L"aCOM1", L"LPT", L"icon.ico", L"aux_data\\x.bin", L"com1x.dll"})
        EXPECT_TRUE(IsSafeEntryPath(name)) << name;
}

TEST(IsSafeEntryPath, RefusesComponentsWindowsWouldRename) {
    for (const wchar_t* name : {L"...", L".. ", L". ", L"a.", L"b ", L"dir.\\x", L"dir \\x", L"x\\.. \\y", L"..a\\b..",
                                L"x\\...\\y", L"a. .", L"setup.exe.", L"setup.exe "})
        EXPECT_FALSE(IsSafeEntryPath(name)) << name;
}

TEST(IsSafeEntryPath, RefusesCharactersWindowsForbids) {
    for (const wchar_t* name : {L"a<b", L"a>b", L"a\"b", L"a|b", L"a?b", L"dir\\*.dll", L"tab\there", L"\x1f.txt",
                                L"x\\\x01\\y", L"new\nline"})
        EXPECT_FALSE(IsSafeEntryPath(name)) << name;
    EXPECT_FALSE(IsSafeEntryPath(std::wstring(L"a\0b", 3)));
}

TEST(IsSafeEntryPath, AcceptsRelativeNames) {
    EXPECT_TRUE(IsSafeEntryPath(L"Orbelin.exe"));
    EXPECT_TRUE(IsSafeEntryPath(L"a\\.\\b.dll"));
    EXPECT_TRUE(IsSafeEntryPath(L"a\\\\b.dll"));
    EXPECT_TRUE(IsSafeEntryPath(L"dir\\"));
    EXPECT_TRUE(IsSafeEntryPath(L"."));
    EXPECT_TRUE(IsSafeEntryPath(L"..a\\b..c"));
    EXPECT_TRUE(IsSafeEntryPath(L" lead\\.hidden\\a b.txt"));
    EXPECT_TRUE(IsSafeEntryPath(L"\x7f[x]{y}#!.txt"));
    EXPECT_TRUE(IsSafeEntryPath(L"欧贝林\\说明.txt"));
    EXPECT_TRUE(IsSafeEntryPath(L"\xFFFD\xFFFD.txt"));
}

TEST(ToBackslashes, TurnsEverySlash) {
    EXPECT_EQ(L"a\\b\\\\c\\", ToBackslashes(L"a/b//c/"));
    EXPECT_EQ(L"a\\b", ToBackslashes(L"a\\b"));
}

TEST(ExtractProgressAfter, ScalesToNinetyFiveTruncating) {
    EXPECT_EQ(31, ExtractProgressAfter(0, 3));
    EXPECT_EQ(63, ExtractProgressAfter(1, 3));
    EXPECT_EQ(95, ExtractProgressAfter(2, 3));
    EXPECT_EQ(0, ExtractProgressAfter(0, 200));
    EXPECT_EQ(95, ExtractProgressAfter(199, 200));
    EXPECT_EQ(95, ExtractProgressAfter(0, 1));
    EXPECT_EQ(95, ExtractProgressAfter(65534, 65535));
}

TEST(FormatFileVersion, FourPlainDecimalNumbers) {
    EXPECT_EQ(L"1.0.0.49", FormatFileVersion(0x00010000, 0x00000031));
    EXPECT_EQ(L"2.0.1.7", FormatFileVersion(0x00020000, 0x00010007));
    EXPECT_EQ(L"65535.65535.65535.65535", FormatFileVersion(0xFFFFFFFF, 0xFFFFFFFF));
    EXPECT_EQ(L"0.0.0.0", FormatFileVersion(0, 0));
}

TEST(ToLowerHex, TwoDigitsPerByte) {
    const unsigned char bytes[] = {0x00, 0x0A, 0xAB, 0xFF};
    EXPECT_EQ("000aabff", ToLowerHex(bytes, sizeof(bytes)));
    EXPECT_EQ("", ToLowerHex(bytes, 0));
}

TEST(ThumbprintMatches, IgnoresCaseAndNeedsTwentyBytes) {
    unsigned char hash[20];
    for (int i = 0; i < 20; ++i)
        hash[i] = static_cast<unsigned char>(0xA0 + i);
    const std::string lower = "a0a1a2a3a4a5a6a7a8a9aaabacadaeafb0b1b2b3";
    EXPECT_TRUE(ThumbprintMatches(hash, 20, lower));
    EXPECT_TRUE(ThumbprintMatches(hash, 20, "A0A1A2A3A4A5A6A7A8A9AAABACADAEAFB0B1B2B3"));
    EXPECT_FALSE(ThumbprintMatches(hash, 20, lower.substr(0, 38)));
    EXPECT_FALSE(ThumbprintMatches(hash, 20, lower + "00"));
    EXPECT_FALSE(ThumbprintMatches(hash, 20, "b0a1a2a3a4a5a6a7a8a9aaabacadaeafb0b1b2b3"));
    EXPECT_FALSE(ThumbprintMatches(hash, 19, lower.substr(0, 38)));
    EXPECT_FALSE(ThumbprintMatches(hash, 20, ""));
}
