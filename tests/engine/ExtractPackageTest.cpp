#include "engine/ExtractPackage.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "support/DriveSnapshot.h"
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
// The hostile corpus (make_testpkg.py: UNSAFE_NAMES, hostile_cases): each archive holds
// "first.txt", the hostile entries, then "after.txt". Every run is watched from outside: the whole
// drive is listed before and after, with its root as the current directory so that names resolved
// against the current directory or drive land on the drive that is listed.
// ---------------------------------------------------------------------------------------------

enum class Outcome {
    kRefused,        // false, and nothing written at all: not even the target exists
    kFailsInTarget,  // false after unpacking some entries into the target
    kExtracted,      // true
};

struct HostileArchive {
    const wchar_t* name;
    Outcome outcome;
};

void PrintTo(const HostileArchive& archive, std::ostream* out) {
    *out << TestCaseName(archive.name);
}

std::uint64_t FreeBytes(const std::wstring& dir) {
    ULARGE_INTEGER available = {};
    GetDiskFreeSpaceExW(dir.c_str(), &available, nullptr, nullptr);
    return available.QuadPart;
}

// Not one hostile archive holds the installer up for long; the longest is the zip bomb where it fits.
constexpr ULONGLONG kLongestRunMs = 20000;

// Extracts `archive` into `target` (whose parent exists) while the whole drive is watched, and
// holds the result and every change on the drive to `outcome`.
void ExpectContainedRun(const std::wstring& archive, const std::wstring& target, Outcome outcome) {
    const std::wstring drive = DriveRootOf(target);
    const DriveSnapshot before = TakeSnapshot(drive);
    std::vector<int> progress;
    const ULONGLONG start = GetTickCount64();
    const bool extracted = ExtractPackage(ArchivePath(archive), target, [&](int p) { progress.push_back(p); });
    const ULONGLONG elapsed = GetTickCount64() - start;
    const std::vector<std::wstring> changed = ChangedPaths(before, TakeSnapshot(drive));

    EXPECT_EQ(outcome == Outcome::kExtracted, extracted) << "free bytes on " << drive << ": " << FreeBytes(drive);
    EXPECT_LT(elapsed, kLongestRunMs);
    if (outcome == Outcome::kRefused) {
        EXPECT_EQ(std::vector<std::wstring>{}, changed);
        EXPECT_FALSE(Exists(target));
        EXPECT_TRUE(progress.empty());
        return;
    }
    EXPECT_FALSE(changed.empty());
    for (const std::wstring& path : changed)
        EXPECT_TRUE(IsWithin(path, target)) << "written outside the target: " << path;
}

class HostileArchiveTest : public ExtractPackageTest, public ::testing::WithParamInterface<HostileArchive> {};

TEST_P(HostileArchiveTest, ChangesNothingOutsideTheTarget) {
    ScopedCurrentDirectory current(DriveRootOf(root_));
    ASSERT_TRUE(current.Entered());
    ExpectContainedRun(GetParam().name, target_, GetParam().outcome);
}

INSTANTIATE_TEST_SUITE_P(
    Corpus,
    HostileArchiveTest,
    ::testing::Values(
        // Names that leave the target: "../evil.dll", "..", "..\evil.dll", "a/../../b", "a\../..\b",
        // "/abs.dll", "\abs.dll", "C:x.dll", "C:\x.dll", "\\server\share\x.dll", "\\?\C:\x.dll",
        // "\\.\C:\x.dll", and the stream "Orbelin.exe:evil".
        HostileArchive{L"unsafe-parent", Outcome::kRefused},
        HostileArchive{L"unsafe-dotdot", Outcome::kRefused},
        HostileArchive{L"unsafe-dotdot-backslash", Outcome::kRefused},
        HostileArchive{L"unsafe-climb", Outcome::kRefused},
        HostileArchive{L"unsafe-mixed-climb", Outcome::kRefused},
        HostileArchive{L"unsafe-slash-root", Outcome::kRefused},
        HostileArchive{L"unsafe-backslash-root", Outcome::kRefused},
        HostileArchive{L"unsafe-drive-relative", Outcome::kRefused},
        HostileArchive{L"unsafe-drive-absolute", Outcome::kRefused},
        HostileArchive{L"unsafe-unc", Outcome::kRefused},
        HostileArchive{L"unsafe-win32-namespace", Outcome::kRefused},
        HostileArchive{L"unsafe-device-namespace", Outcome::kRefused},
        HostileArchive{L"unsafe-stream", Outcome::kRefused},
        // Names the file system rewrites: ".. \evil.dll", "...\evil.dll", "a. ", "x.dll."; and
        // names Windows cannot hold: "bell<BEL>.txt", "a<b>c|d?.txt".
        HostileArchive{L"unsafe-dotdot-space", Outcome::kRefused},
        HostileArchive{L"unsafe-three-dots", Outcome::kRefused},
        HostileArchive{L"unsafe-trailing-dot-space", Outcome::kRefused},
        HostileArchive{L"unsafe-trailing-dot", Outcome::kRefused},
        HostileArchive{L"unsafe-control-character", Outcome::kRefused},
        HostileArchive{L"unsafe-reserved-characters", Outcome::kRefused},
        // Devices: "NUL", "con.txt", "COM1", "lpt9.dll", "sub\aux", "sub/COM1.txt".
        HostileArchive{L"unsafe-nul", Outcome::kRefused},
        HostileArchive{L"unsafe-con-extension", Outcome::kRefused},
        HostileArchive{L"unsafe-com1", Outcome::kRefused},
        HostileArchive{L"unsafe-lpt9-extension", Outcome::kRefused},
        HostileArchive{L"unsafe-aux-in-folder", Outcome::kRefused},
        HostileArchive{L"unsafe-com1-in-folder", Outcome::kRefused},
        // Sizes: 2^50 bytes declared (zip64); 2^64-2 and 3, whose sum wraps to 1.
        HostileArchive{L"huge-declared-size", Outcome::kRefused},
        HostileArchive{L"wrapping-declared-sizes", Outcome::kRefused},
        // Structure: the central directory 40 bytes shorter than the end record says; no entries.
        HostileArchive{L"truncated-central-directory", Outcome::kRefused},
        HostileArchive{L"zero-entries", Outcome::kRefused},
        // Paths past MAX_PATH: a 300-character name, 356 characters in twelve folders; and an
        // encrypted entry.
        HostileArchive{L"long-component", Outcome::kRefused},
        HostileArchive{L"deep-path", Outcome::kRefused},
        HostileArchive{L"encrypted-entry", Outcome::kRefused},
        // Entries that fail as they are written: "d/" then a file "d"; a wrong CRC; garbage
        // deflate data; 256 MiB of zeros declared as 100 bytes.
        HostileArchive{L"dir-then-file", Outcome::kFailsInTarget},
        HostileArchive{L"crc-corrupt-entry", Outcome::kFailsInTarget},
        HostileArchive{L"corrupt-deflate", Outcome::kFailsInTarget},
        HostileArchive{L"understated-size", Outcome::kFailsInTarget},
        // Unpacked, and only into the target: one name twice, the second time in other case;
        // 256 MiB of zeros from 260 KB, where the drive has room for it.
        HostileArchive{L"duplicate-name", Outcome::kExtracted},
        HostileArchive{L"duplicate-name-case", Outcome::kExtracted},
        HostileArchive{L"zip-bomb", Outcome::kExtracted}),
    [](const ::testing::TestParamInfo<HostileArchive>& info) { return TestCaseName(info.param.name); });

// "dup.txt" holding "earlier", then "dup.txt" holding "later"; the same as "Dup.txt" and "DUP.TXT",
// which the file system takes for one name.
TEST_F(ExtractPackageTest, TheLaterOfTwoEntriesWithOneNameWins) {
    for (const wchar_t* archive : {L"duplicate-name", L"duplicate-name-case"}) {
        SCOPED_TRACE(TestCaseName(archive));
        RemoveTree(target_);
        ASSERT_TRUE(Extract(archive));
        const std::vector<std::wstring> names = ListDir(target_);
        ASSERT_EQ(3u, names.size());
        EXPECT_EQ("later", Read(std::wstring(archive) == L"duplicate-name" ? L"dup.txt" : L"DUP.TXT"));
    }
}

// ---------------------------------------------------------------------------------------------
// A drive without room: ORB_TEST_SMALL_DRIVE names a Wine drive ("S:") with less free space
// than the zip bomb expands to, such as a small tmpfs that tools/test.sh maps. On other drives
// the corpus above meets only sizes larger than any disk.
// ---------------------------------------------------------------------------------------------

class SmallDriveTest : public ::testing::TestWithParam<HostileArchive> {
protected:
    void SetUp() override {
        const std::wstring drive = SmallTestDrive();
        if (drive.empty())
            GTEST_SKIP() << "ORB_TEST_SMALL_DRIVE names no small drive (such as S:); the free-space "
                            "refusal is tested with sizes larger than any disk only";
        root_ = drive + L"\\orbtest-small-" + std::to_wstring(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryW(root_.c_str(), nullptr)) << "cannot write to the small drive";
        ASSERT_LT(FreeBytes(root_), kZipBombBytes) << "the small drive has room for the zip bomb";
    }
    void TearDown() override {
        if (!root_.empty())
            RemoveTree(root_);
    }

    std::wstring root_;
};

TEST_P(SmallDriveTest, NothingIsWrittenForWhatDoesNotFit) {
    ExpectContainedRun(GetParam().name, root_ + L"\\target", GetParam().outcome);
}

INSTANTIATE_TEST_SUITE_P(
    Archives,
    SmallDriveTest,
    ::testing::Values(HostileArchive{L"three-entries", Outcome::kExtracted},  // the drive takes files
                      HostileArchive{L"zip-bomb", Outcome::kRefused},
                      HostileArchive{L"understated-size", Outcome::kFailsInTarget}),
    [](const ::testing::TestParamInfo<HostileArchive>& info) { return TestCaseName(info.param.name); });

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

// "plain.txt", then "secret.txt" (encrypted with traditional PKWARE encryption), then "after.txt".
TEST_F(ExtractPackageTest, EncryptedEntryRefusesTheArchive) {
    EXPECT_FALSE(Extract(L"encrypted-entry"));
    EXPECT_FALSE(Exists(target_));
    EXPECT_TRUE(progress_.empty());
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
    const std::wstring drive = SmallTestDrive();
    if (drive.empty())
        GTEST_SKIP() << "no small drive mapped (tools/test.sh maps one where it may mount a tmpfs)";
    std::vector<std::pair<std::string, std::string>> entries;
    for (int i = 0; i < 1200; ++i)  // a block each: about 5 MiB of the 8
        entries.emplace_back("small/f" + std::to_string(i), "x");
    entries.emplace_back("large.bin", std::string(5 << 20, 'L'));
    const std::wstring zip = root_ + L"\\fills.zip";
    ASSERT_TRUE(WriteTestZip(zip, entries));
    const std::wstring target = drive + L"\\fills";
    EXPECT_FALSE(ExtractPackage(zip, target, nullptr));
    EXPECT_FALSE(Exists(target + L"\\large.bin"));
    RemoveTree(target);
}

}  // namespace
