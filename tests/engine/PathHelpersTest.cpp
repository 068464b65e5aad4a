#include "engine/PathHelpers.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "support/TestDirs.h"

using Engine::EnsureDirectory;
using namespace TestSupport;

class EnsureDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = MakeTempDir(L"paths");
        ASSERT_FALSE(root_.empty());
    }
    void TearDown() override { RemoveTree(root_); }
    std::wstring root_;
};

TEST_F(EnsureDirectoryTest, CreatesMissingParents) {
    const std::wstring deep = root_ + L"\\a\\b/c\\d";
    EXPECT_TRUE(EnsureDirectory(deep));
    EXPECT_TRUE(IsDirectory(root_ + L"\\a\\b"));
    EXPECT_TRUE(IsDirectory(deep));
    EXPECT_TRUE(EnsureDirectory(deep));  // existing directory
}

TEST_F(EnsureDirectoryTest, NonAsciiNames) {
    const std::wstring dir = root_ + L"\\用户\\欧贝林\\1.0.0.49";
    EXPECT_TRUE(EnsureDirectory(dir));
    EXPECT_TRUE(IsDirectory(dir));
}

TEST_F(EnsureDirectoryTest, FailsWhereAFileStands) {
    const std::wstring file = root_ + L"\\file";
    ASSERT_TRUE(WriteFileBytes(file, "x"));
    EXPECT_FALSE(EnsureDirectory(file));
    EXPECT_FALSE(EnsureDirectory(file + L"\\child\\grandchild"));
    EXPECT_FALSE(Exists(file + L"\\child"));
}

TEST_F(EnsureDirectoryTest, EmptyPathFails) {
    EXPECT_FALSE(EnsureDirectory(L""));
}

TEST_F(EnsureDirectoryTest, TrailingSeparatorIsAccepted) {
    EXPECT_TRUE(EnsureDirectory(root_ + L"\\trail\\"));
    EXPECT_TRUE(IsDirectory(root_ + L"\\trail"));
}

TEST(GetAppDataDir, IsOrbelinUnderRoamingAppDataAndExists) {
    wchar_t roaming[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, roaming)));
    const std::wstring dir = Engine::GetAppDataDir();
    EXPECT_EQ(dir, std::wstring(roaming) + L"\\Orbelin");
    EXPECT_TRUE(IsDirectory(dir));
    EXPECT_EQ(Engine::GetAppDataDir(), dir);  // a second call finds it in place
}

TEST_F(EnsureDirectoryTest, RemovingATreeLeavesWhatItsLinksPointAt) {
    const std::wstring outside = root_ + L"\\outside";
    const std::wstring tree = root_ + L"\\tree";
    ASSERT_TRUE(EnsureDirectory(outside));
    ASSERT_TRUE(WriteFileBytes(outside + L"\\keep.txt", "keep"));
    ASSERT_TRUE(EnsureDirectory(tree + L"\\sub"));
    ASSERT_TRUE(WriteFileBytes(tree + L"\\sub\\a.bin", "a"));
    SetFileAttributesW((tree + L"\\sub\\a.bin").c_str(), FILE_ATTRIBUTE_READONLY);
    const bool linked = CreateSymbolicLinkW((tree + L"\\link").c_str(), outside.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
    EXPECT_TRUE(Engine::RemoveDirectoryTree(tree));
    EXPECT_FALSE(Exists(tree));
    EXPECT_EQ(ReadFileBytes(outside + L"\\keep.txt"), "keep");
    EXPECT_TRUE(linked) << "the link was not made, so only the read-only file was exercised";
    EXPECT_TRUE(Engine::RemoveDirectoryTree(tree));  // already gone
}
