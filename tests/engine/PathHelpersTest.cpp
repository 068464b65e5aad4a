#include "engine/PathHelpers.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <iterator>
#include <vector>

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

TEST_F(EnsureDirectoryTest, WalkReportsEachEntryOnceInItsOrderWithoutEnteringLinks) {
    const std::wstring tree = root_ + L"\\tree";
    ASSERT_TRUE(EnsureDirectory(tree + L"\\sub\\deeper"));
    ASSERT_TRUE(WriteFileBytes(tree + L"\\sub\\deeper\\c.txt", "c"));
    ASSERT_TRUE(EnsureDirectory(root_ + L"\\outside"));
    ASSERT_TRUE(WriteFileBytes(root_ + L"\\outside\\o.txt", "o"));
    // Some Wine versions report success without making the link; then only order and completeness
    // are checked.
    CreateSymbolicLinkW((tree + L"\\link").c_str(), (root_ + L"\\outside").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
    const DWORD linkAttributes = GetFileAttributesW((tree + L"\\link").c_str());
    const bool linked =
        linkAttributes != INVALID_FILE_ATTRIBUTES && (linkAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    auto walk = [&tree](Engine::WalkOrder order, std::vector<std::wstring>& seen) {
        return Engine::WalkDirectory(tree, order, [&seen](const Engine::WalkEntry& entry) {
            seen.push_back(entry.relative);
            return Engine::WalkStep::Continue;
        });
    };
    std::vector<std::wstring> folderFirst, contentsFirst;
    ASSERT_TRUE(walk(Engine::WalkOrder::FolderFirst, folderFirst));
    ASSERT_TRUE(walk(Engine::WalkOrder::ContentsFirst, contentsFirst));
    const std::vector<std::wstring> chain = {L"sub", L"sub\\deeper", L"sub\\deeper\\c.txt"};
    auto inChain = [&chain](const std::wstring& relative) {
        return std::find(chain.begin(), chain.end(), relative) != chain.end();
    };
    std::vector<std::wstring> down, up;
    std::copy_if(folderFirst.begin(), folderFirst.end(), std::back_inserter(down), inChain);
    std::copy_if(contentsFirst.begin(), contentsFirst.end(), std::back_inserter(up), inChain);
    EXPECT_EQ(down, chain);
    EXPECT_EQ(up, std::vector<std::wstring>(chain.rbegin(), chain.rend()));
    // The link itself is reported; nothing behind it is.
    EXPECT_EQ(folderFirst.size(), chain.size() + (linked ? 1 : 0));

    EXPECT_FALSE(Engine::WalkDirectory(tree, Engine::WalkOrder::FolderFirst,
                                       [](const Engine::WalkEntry&) { return Engine::WalkStep::Stop; }));
    EXPECT_FALSE(Engine::WalkDirectory(root_ + L"\\absent", Engine::WalkOrder::FolderFirst,
                                       [](const Engine::WalkEntry&) { return Engine::WalkStep::Continue; }));
}
