#include "engine/ExtractPackage.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/TestDirs.h"
#include "support/TestPackages.h"

using Engine::ExtractPackage;
using namespace TestSupport;

// The archives come from tools/testpkg/make_testpkg.py (extraction_archives); each is described
// where it is used. Every entry carries the local time 2024-05-17 12:34:56.

namespace {

class ExtractPackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = MakeTempDir(L"extract");
        ASSERT_FALSE(root_.empty());
        target_ = root_ + L"\\target";
    }
    void TearDown() override { RemoveTree(root_); }

    bool Extract(const std::wstring& archive) {
        return ExtractPackage(ArchivePath(archive), target_, [this](int p) { progress_.push_back(p); });
    }
    std::string Read(const std::wstring& relative) { return ReadFileBytes(target_ + L"\\" + relative); }

    std::wstring root_;
    std::wstring target_;
    std::vector<int> progress_;
};

// ---------------------------------------------------------------------------------------------
// Entry names
// ---------------------------------------------------------------------------------------------

// Each archive holds "first.txt", the unsafe entry, then "after.txt".
class UnsafeEntryTest : public ExtractPackageTest, public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(UnsafeEntryTest, RefusesTheArchiveBeforeWritingAnything) {
    EXPECT_FALSE(Extract(GetParam()));
    EXPECT_TRUE(ListDir(root_).empty());  // not even the target folder
    EXPECT_FALSE(Exists(L"C:\\abs.dll"));
    EXPECT_FALSE(Exists(L"C:\\x.dll"));
    EXPECT_TRUE(progress_.empty());
}

// ../evil.dll, a/../../b, \abs.dll, /abs.dll, C:x.dll, sub/COM1.txt (the serial port)
INSTANTIATE_TEST_SUITE_P(Names,
                         UnsafeEntryTest,
                         ::testing::Values(L"unsafe-parent",
                                           L"unsafe-climb",
                                           L"unsafe-backslash-root",
                                           L"unsafe-slash-root",
                                           L"unsafe-drive",
                                           L"unsafe-device"));

TEST_F(ExtractPackageTest, DotComponentIsExtracted) {  // "a/./b.dll"
    EXPECT_TRUE(Extract(L"dot-component"));
    EXPECT_EQ("dot", Read(L"a\\b.dll"));
}

TEST_F(ExtractPackageTest, DoubledSeparatorIsExtracted) {  // "a//b.dll"
    EXPECT_TRUE(Extract(L"double-separator"));
    EXPECT_EQ("double", Read(L"a\\b.dll"));
}

TEST_F(ExtractPackageTest, BackslashSeparatorsAreFolders) {  // "win\style\name.txt"
    EXPECT_TRUE(Extract(L"backslash-separators"));
    EXPECT_TRUE(IsDirectory(target_ + L"\\win\\style"));
    EXPECT_EQ("backslash", Read(L"win\\style\\name.txt"));
}

TEST_F(ExtractPackageTest, NonAsciiNamesUnderNonAsciiRoot) {
    // As for a Windows user named 张三: the archive itself and the target both lie below him.
    const std::wstring home = root_ + L"\\用户\\张三";
    ASSERT_TRUE(CreateDirectoryW((root_ + L"\\用户").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(home.c_str(), nullptr));
    const std::wstring archive = home + L"\\安装包.zip";
    ASSERT_TRUE(CopyFileW(ArchivePath(L"non-ascii-names").c_str(), archive.c_str(), FALSE));
    const std::wstring target = home + L"\\欧贝林\\1.0.0.49";

    EXPECT_TRUE(ExtractPackage(archive, target, nullptr));
    EXPECT_EQ("说明", ReadFileBytes(target + L"\\欧贝林\\说明.txt"));
    EXPECT_EQ("数据", ReadFileBytes(target + L"\\数据.dll"));
}

TEST_F(ExtractPackageTest, LegacyCodePageNameBecomesReplacementCharacters) {  // GBK bytes, no UTF-8 flag
    EXPECT_TRUE(Extract(L"legacy-codepage-name"));
    const std::vector<std::wstring> names = ListDir(target_);
    ASSERT_EQ(1u, names.size());
    EXPECT_NE(std::wstring::npos, names[0].find(L'\xFFFD'));
    EXPECT_EQ(L".txt", names[0].substr(names[0].size() - 4));
    EXPECT_EQ("legacy", Read(names[0]));
}

// ---------------------------------------------------------------------------------------------
// Layout and content
// ---------------------------------------------------------------------------------------------

TEST_F(ExtractPackageTest, FilesOnlyInSubFoldersGetTheirParents) {  // no directory entries at all
    EXPECT_TRUE(Extract(L"subfolders-only"));
    EXPECT_EQ("deep", Read(L"x\\y\\z\\deep.txt"));
    EXPECT_EQ("other", Read(L"x\\other.txt"));
    EXPECT_EQ("v", Read(L"w\\v.txt"));
}

TEST_F(ExtractPackageTest, DirectoryEntriesBecomeDirectories) {  // "emptydir/", "d/", "d/f.txt"
    EXPECT_TRUE(Extract(L"directory-entries"));
    EXPECT_TRUE(IsDirectory(target_ + L"\\emptydir"));
    EXPECT_TRUE(ListDir(target_ + L"\\emptydir").empty());
    EXPECT_EQ("f", Read(L"d\\f.txt"));
}

TEST_F(ExtractPackageTest, CreatesAMissingNestedTarget) {
    target_ = root_ + L"\\root\\1.0.0.49";
    EXPECT_TRUE(Extract(L"three-entries"));
    EXPECT_EQ(std::string(100, '1'), Read(L"one.txt"));
}

TEST_F(ExtractPackageTest, ReplacesExistingFiles) {  // "same.txt" holding "new"
    ASSERT_TRUE(CreateDirectoryW(target_.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(target_ + L"\\same.txt", "an older and longer content"));
    EXPECT_TRUE(Extract(L"replace"));
    EXPECT_EQ("new", Read(L"same.txt"));
}

TEST_F(ExtractPackageTest, ContentAndModificationTimeOfEachEntry) {
    // "one.txt" (100 x '1'), "sub/two.txt" (200 x '2'), "three.bin" (3000 x '3', stored)
    EXPECT_TRUE(Extract(L"three-entries"));
    EXPECT_EQ(std::string(100, '1'), Read(L"one.txt"));
    EXPECT_EQ(std::string(200, '2'), Read(L"sub\\two.txt"));
    EXPECT_EQ(std::string(3000, '3'), Read(L"three.bin"));

    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW((target_ + L"\\sub\\two.txt").c_str(), GetFileExInfoStandard, &data));
    FILETIME local;
    SYSTEMTIME time;
    ASSERT_TRUE(FileTimeToLocalFileTime(&data.ftLastWriteTime, &local));
    ASSERT_TRUE(FileTimeToSystemTime(&local, &time));
    EXPECT_EQ(2024, time.wYear);
    EXPECT_EQ(5, time.wMonth);
    EXPECT_EQ(17, time.wDay);
    EXPECT_EQ(12, time.wHour);
    EXPECT_EQ(34, time.wMinute);
    EXPECT_EQ(56, time.wSecond);
}

// ---------------------------------------------------------------------------------------------
// Progress
// ---------------------------------------------------------------------------------------------

TEST_F(ExtractPackageTest, ThreeEntriesReportThirdsThenNinetyFiveAgain) {
    EXPECT_TRUE(Extract(L"three-entries"));
    EXPECT_EQ((std::vector<int>{31, 63, 95, 95}), progress_);
}

TEST_F(ExtractPackageTest, TwoHundredEntriesStartAtZero) {
    EXPECT_TRUE(Extract(L"two-hundred-entries"));
    ASSERT_EQ(201u, progress_.size());
    EXPECT_EQ(0, progress_.front());
    EXPECT_EQ(95, progress_[199]);
    EXPECT_EQ(95, progress_[200]);
    EXPECT_EQ("file 199", Read(L"many\\f199.txt"));
}

TEST_F(ExtractPackageTest, WorksWithoutAProgressCallback) {
    EXPECT_TRUE(ExtractPackage(ArchivePath(L"three-entries"), target_, nullptr));
    EXPECT_TRUE(Exists(target_ + L"\\three.bin"));
}

// ---------------------------------------------------------------------------------------------
// Failures
// ---------------------------------------------------------------------------------------------

TEST_F(ExtractPackageTest, ZeroEntriesFail) {
    EXPECT_FALSE(Extract(L"zero-entries"));
    EXPECT_TRUE(progress_.empty());
}

// "plain.txt", then "secret.txt" (encrypted with traditional PKWARE encryption), then "after.txt".
TEST_F(ExtractPackageTest, EncryptedEntryFails) {
    EXPECT_FALSE(Extract(L"encrypted-entry"));
    EXPECT_EQ("plain", Read(L"plain.txt"));
    EXPECT_FALSE(Exists(target_ + L"\\secret.txt"));
    EXPECT_FALSE(Exists(target_ + L"\\after.txt"));
    EXPECT_EQ((std::vector<int>{31, 63}), progress_);  // the failing entry still reports
}

// "good.txt", then "bad.txt" (stored, one byte changed after its CRC was taken), then "after.txt".
TEST_F(ExtractPackageTest, CrcMismatchFailsAndLeavesNoBadFile) {
    EXPECT_FALSE(Extract(L"crc-corrupt-entry"));
    EXPECT_EQ("good", Read(L"good.txt"));
    EXPECT_FALSE(Exists(target_ + L"\\bad.txt"));
    EXPECT_FALSE(Exists(target_ + L"\\after.txt"));
    EXPECT_EQ((std::vector<int>{31, 63}), progress_);
}

// "good.txt", then "broken.bin" whose deflate stream is garbage, then "after.txt".
TEST_F(ExtractPackageTest, CorruptDeflateDataFails) {
    EXPECT_FALSE(Extract(L"corrupt-deflate"));
    EXPECT_EQ("good", Read(L"good.txt"));
    EXPECT_FALSE(Exists(target_ + L"\\broken.bin"));
    EXPECT_FALSE(Exists(target_ + L"\\after.txt"));
}

TEST_F(ExtractPackageTest, MissingArchiveFails) {
    EXPECT_FALSE(ExtractPackage(root_ + L"\\absent.zip", target_, nullptr));
}

TEST_F(ExtractPackageTest, NotAZipFails) {
    const std::wstring tiny = root_ + L"\\tiny.zip";
    const std::wstring text = root_ + L"\\text.zip";
    ASSERT_TRUE(WriteFileBytes(tiny, "PK\x05\x06"));  // shorter than an end record
    ASSERT_TRUE(WriteFileBytes(text, std::string(4096, 'z')));
    EXPECT_FALSE(ExtractPackage(tiny, target_, nullptr));
    EXPECT_FALSE(ExtractPackage(text, target_, nullptr));
}

TEST_F(ExtractPackageTest, TargetThatCannotBeCreatedFails) {
    ASSERT_TRUE(WriteFileBytes(root_ + L"\\file", "x"));
    target_ = root_ + L"\\file\\1.0.0.49";
    EXPECT_FALSE(Extract(L"three-entries"));
    EXPECT_TRUE(progress_.empty());
}

TEST_F(ExtractPackageTest, UnwritableFileFails) {
    ASSERT_TRUE(CreateDirectoryW(target_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((target_ + L"\\one.txt").c_str(), nullptr));  // a folder where a file goes
    EXPECT_FALSE(Extract(L"three-entries"));
    // The writer finds the folder while later entries are being inflated, so how far the progress
    // got depends on timing; the closing 95 of a complete run never comes.
    const std::vector<int> complete{31, 63, 95};
    ASSERT_FALSE(progress_.empty());
    ASSERT_LE(progress_.size(), complete.size());
    EXPECT_TRUE(std::equal(progress_.begin(), progress_.end(), complete.begin()));
}

// Files past a few MiB are inflated and written in pieces.
TEST_F(ExtractPackageTest, LargeEntryArrivesWhole) {
    std::string large(9 << 20, '\0');
    for (size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    const std::wstring zip = root_ + L"\\large.zip";
    ASSERT_TRUE(WriteTestZip(zip, {{"big/large.bin", large}, {"small.txt", "small"}}));
    EXPECT_TRUE(ExtractPackage(zip, target_, nullptr));
    EXPECT_TRUE(Read(L"big\\large.bin") == large);
    EXPECT_EQ(Read(L"small.txt"), "small");
}

// The disk fills while a large file is being written: that file is removed, and the result says so.
TEST_F(ExtractPackageTest, DiskFillingUpDuringALargeFile) {
    const char* drive = std::getenv("ORB_TEST_SMALL_DRIVE");
    if (!drive)
        GTEST_SKIP() << "no small drive mapped (tools/test.sh maps one where it may mount a tmpfs)";
    std::vector<std::pair<std::string, std::string>> entries;
    for (int i = 0; i < 1200; ++i)  // a block each: about 5 MiB of the 8
        entries.emplace_back("small/f" + std::to_string(i), "x");
    entries.emplace_back("large.bin", std::string(5 << 20, 'L'));
    const std::wstring zip = root_ + L"\\fills.zip";
    ASSERT_TRUE(WriteTestZip(zip, entries));
    const std::wstring target = std::wstring(drive, drive + 2) + L"\\fills";
    EXPECT_FALSE(ExtractPackage(zip, target, nullptr));
    EXPECT_FALSE(Exists(target + L"\\large.bin"));
    RemoveTree(target);
}

}  // namespace
