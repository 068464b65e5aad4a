#include "engine/InstallRules.h"

#include <gtest/gtest.h>

using Engine::IsValidProductVersion;
using Engine::JoinPath;

TEST(JoinPath, AddsOneBackslashOnlyWhenNeeded) {
    EXPECT_EQ(JoinPath(L"D:\\Apps", L"2.0.1.7"), L"D:\\Apps\\2.0.1.7");
    EXPECT_EQ(JoinPath(L"D:\\Apps\\", L"2.0.1.7"), L"D:\\Apps\\2.0.1.7");
    EXPECT_EQ(JoinPath(L"D:/Apps/", L"x"), L"D:/Apps/x");
    EXPECT_EQ(JoinPath(L"", L"token.dat"), L"token.dat");
}

TEST(JoinPath, DoesNotNormalise) {
    EXPECT_EQ(JoinPath(L"a\\\\", L"b"), L"a\\\\b");
    EXPECT_EQ(JoinPath(L"a", L"\\b"), L"a\\\\b");
    EXPECT_EQ(JoinPath(L"a", L""), L"a\\");
    EXPECT_EQ(JoinPath(L".\\Orbelin", L".."), L".\\Orbelin\\..");
}

TEST(ProductVersion, AcceptsPlainComponents) {
    EXPECT_TRUE(IsValidProductVersion(L"1.0.0.49"));
    EXPECT_TRUE(IsValidProductVersion(L"1.2.3.4"));
    EXPECT_TRUE(IsValidProductVersion(L"a_b-C.9"));
    EXPECT_TRUE(IsValidProductVersion(L"x"));
    EXPECT_TRUE(IsValidProductVersion(L".5-beta_2"));
    EXPECT_TRUE(IsValidProductVersion(L"CONSOLE"));
    EXPECT_TRUE(IsValidProductVersion(L"COM10"));
    EXPECT_TRUE(IsValidProductVersion(std::wstring(32, L'7')));
    EXPECT_TRUE(IsValidProductVersion(L"0123456789abcdefghijklmnopqrstuv"));
}

TEST(ProductVersion, RejectsAnythingThatCouldLeaveTheRoot) {
    EXPECT_FALSE(IsValidProductVersion(L""));
    EXPECT_FALSE(IsValidProductVersion(std::wstring(33, L'7')));
    EXPECT_FALSE(IsValidProductVersion(L".."));
    EXPECT_FALSE(IsValidProductVersion(L"1..2"));
    EXPECT_FALSE(IsValidProductVersion(L"..."));
    EXPECT_FALSE(IsValidProductVersion(L"1/2"));
    EXPECT_FALSE(IsValidProductVersion(L"1\\2"));
    EXPECT_FALSE(IsValidProductVersion(L"1 2"));
    EXPECT_FALSE(IsValidProductVersion(L"1.0.0.49 "));
    EXPECT_FALSE(IsValidProductVersion(L"C:1"));
    EXPECT_FALSE(IsValidProductVersion(L"版本1"));
    EXPECT_FALSE(IsValidProductVersion(L"1.0\u00e9"));
    EXPECT_FALSE(IsValidProductVersion(std::wstring(L"1\0" L"2", 3)));
}

TEST(ProductVersion, RejectsNamesWindowsWouldChange) {
    for (const wchar_t* version : {L".", L"1.0.", L"2.0.1.7.", L"a."})
        EXPECT_FALSE(IsValidProductVersion(version)) << version;
}

TEST(ProductVersion, RejectsDeviceNames) {
    for (const wchar_t* version :
         {L"NUL", L"nul", L"CON", L"aux", L"PRN", L"COM1", L"lpt9", L"nul.txt", L"COM1.2.3", L"LPT1.0", L"Con.1"})
        EXPECT_FALSE(IsValidProductVersion(version)) << version;
}

TEST(ProgressMapping, DownloadAndExtractionBands) {
    EXPECT_EQ(Engine::MapDownloadProgress(0), 5);
    EXPECT_EQ(Engine::MapDownloadProgress(1), 5);   // 5 + 80/100 truncates
    EXPECT_EQ(Engine::MapDownloadProgress(2), 6);
    EXPECT_EQ(Engine::MapDownloadProgress(45), 41);
    EXPECT_EQ(Engine::MapDownloadProgress(90), 77);
    EXPECT_EQ(Engine::MapExtractProgress(0), 88);
    EXPECT_EQ(Engine::MapExtractProgress(9), 88);
    EXPECT_EQ(Engine::MapExtractProgress(10), 89);
    EXPECT_EQ(Engine::MapExtractProgress(31), 91);
    EXPECT_EQ(Engine::MapExtractProgress(63), 94);
    EXPECT_EQ(Engine::MapExtractProgress(95), 97);
}

TEST(ProgressMapping, NeverDecreasesOverTheServiceRanges) {
    for (int p = 1; p <= 90; ++p)
        EXPECT_GE(Engine::MapDownloadProgress(p), Engine::MapDownloadProgress(p - 1)) << p;
    for (int p = 1; p <= 95; ++p)
        EXPECT_GE(Engine::MapExtractProgress(p), Engine::MapExtractProgress(p - 1)) << p;
    EXPECT_LT(Engine::MapDownloadProgress(90), Engine::MapExtractProgress(0));
}
