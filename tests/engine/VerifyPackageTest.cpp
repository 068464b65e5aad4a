#include "engine/VerifyPackage.h"

#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <ostream>
#include <string>

#include "base/ScopedWin.h"
#include "engine/ExtractPackage.h"
#include "support/TestDirs.h"
#include "support/TestPackages.h"

using namespace Engine;
using namespace TestSupport;

// The packages are real zips of real PE files, signed with osslsigncode by certificates generated
// for this build (tools/testpkg/make_testpkg.py); the generated publisher is pinned.

namespace {

constexpr wchar_t kVersion[] = L"1.0.0.49";

class VerifyPackageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(TrustTestRootCertificate()); }

    void SetUp() override {
        root_ = MakeTempDir(L"verify");
        ASSERT_FALSE(root_.empty());
        ASSERT_EQ(40u, PublisherThumbprint().size());
    }
    void TearDown() override { RemoveTree(root_); }

    // Unpacks a package into its own directory and returns it.
    std::wstring Unpack(const std::wstring& package) {
        const std::wstring dir = root_ + L"\\" + package;
        EXPECT_TRUE(ExtractPackage(PackagePath(package), dir, nullptr)) << "cannot unpack " << package;
        return dir;
    }
    std::wstring FilterDll(const std::wstring& dir) { return dir + L"\\" + TestVerifyConfig().dllNames.back(); }

    std::wstring root_;
};

// ---------------------------------------------------------------------------------------------
// Whole packages
// ---------------------------------------------------------------------------------------------

TEST_F(VerifyPackageTest, CorrectPackagePasses) {
    EXPECT_TRUE(VerifyPackage(Unpack(L"good"), kVersion, TestVerifyConfig()));
}

TEST_F(VerifyPackageTest, PinConfiguredInUpperCaseStillMatches) {
    VerifyConfig config = TestVerifyConfig();
    std::transform(config.pinnedThumbprint.begin(), config.pinnedThumbprint.end(), config.pinnedThumbprint.begin(),
                   [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
    ASSERT_NE(PublisherThumbprint(), config.pinnedThumbprint);
    EXPECT_TRUE(VerifyPackage(Unpack(L"good"), kVersion, config));
}

TEST_F(VerifyPackageTest, AnotherPinnedPublisherRefusesTheCorrectPackage) {
    const std::wstring dir = Unpack(L"good");
    VerifyConfig config = TestVerifyConfig();
    config.pinnedThumbprint = ForeignThumbprint();
    EXPECT_FALSE(VerifyPackage(dir, kVersion, config));
    // The installer's own build pins a different certificate than the tests generate.
    EXPECT_FALSE(VerifyPackage(dir, kVersion));
}

TEST_F(VerifyPackageTest, ValidForeignSignatureFails) {
    const std::wstring dir = Unpack(L"foreign-signature");
    EXPECT_FALSE(VerifyPackage(dir, kVersion, TestVerifyConfig()));
    // Only the pin tells it apart: the signature itself is valid and trusted.
    VerifyConfig foreign = TestVerifyConfig();
    foreign.pinnedThumbprint = ForeignThumbprint();
    EXPECT_TRUE(VerifyPackage(dir, kVersion, foreign));
}

TEST_F(VerifyPackageTest, SignatureUnderASelfMadeRootFails) {
    // Anyone can make a CA and sign with it; under Wine that signature even passes WinVerifyTrust
    // (see below), so the pin is what keeps it out.
    const std::wstring dir = Unpack(L"untrusted-root");
    EXPECT_FALSE(VerifyPackage(dir, kVersion, TestVerifyConfig()));
    EXPECT_FALSE(VerifyFileSignature(dir + L"\\Orbelin.exe", PublisherThumbprint()));
    EXPECT_TRUE(MatchesPinnedPublisher(dir + L"\\Orbelin.exe", UntrustedThumbprint()));
}

TEST_F(VerifyPackageTest, UnsignedFilterLibraryFails) {
    const std::wstring dir = Unpack(L"unsigned-filter");
    EXPECT_FALSE(VerifyPackage(dir, kVersion, TestVerifyConfig()));
    EXPECT_FALSE(VerifyFileSignature(FilterDll(dir), PublisherThumbprint()));
    EXPECT_TRUE(VerifyFileSignature(dir + L"\\Orbelin.exe", PublisherThumbprint()));
}

TEST_F(VerifyPackageTest, TamperedFilterLibraryFails) {
    const std::wstring dir = Unpack(L"tampered-filter");
    EXPECT_FALSE(VerifyPackage(dir, kVersion, TestVerifyConfig()));
    EXPECT_FALSE(VerifyFileSignature(FilterDll(dir), PublisherThumbprint()));
}

TEST_F(VerifyPackageTest, MissingFilterLibraryFails) {
    const std::wstring dir = Unpack(L"missing-filter");
    ASSERT_FALSE(Exists(FilterDll(dir)));
    EXPECT_FALSE(VerifyPackage(dir, kVersion, TestVerifyConfig()));
}

TEST_F(VerifyPackageTest, OnlyTheExactVersionTextPasses) {
    const std::wstring dir = Unpack(L"good");
    for (const wchar_t* version : {L"1.0.0.049", L"1.0.0", L"1.0.0.49 ", L"1.0.0.48", L""})
        EXPECT_FALSE(VerifyPackage(dir, version, TestVerifyConfig())) << std::wstring(version);
    EXPECT_TRUE(VerifyPackage(dir, kVersion, TestVerifyConfig()));
}

TEST_F(VerifyPackageTest, RightProductVersionButWrongFileVersionFails) {
    // Orbelin.exe: file version 1.0.0.48, product version 1.0.0.49, correctly signed.
    const std::wstring dir = Unpack(L"wrong-file-version");
    EXPECT_FALSE(VerifyPackage(dir, kVersion, TestVerifyConfig()));
    EXPECT_TRUE(FileVersionEquals(dir + L"\\Orbelin.exe", L"1.0.0.48"));
    EXPECT_TRUE(VerifyPackage(dir, L"1.0.0.48", TestVerifyConfig()));
}

// ---------------------------------------------------------------------------------------------
// Files planted beside the genuine ones (make_testpkg.py: hostile_packages): every PE image
// counts, wherever it lies and whatever it is called, and nothing else does.
// ---------------------------------------------------------------------------------------------

struct PlantedFile {
    const wchar_t* package;
    const wchar_t* path;  // relative to the package's folder
    bool passes;
};

void PrintTo(const PlantedFile& planted, std::ostream* out) {
    *out << TestCaseName(planted.package);
}

class PlantedFileTest : public VerifyPackageTest, public ::testing::WithParamInterface<PlantedFile> {};

TEST_P(PlantedFileTest, OnlyImagesNeedThePinnedSignature) {
    const std::wstring dir = Unpack(GetParam().package);
    ASSERT_TRUE(Exists(dir + L"\\" + GetParam().path));
    EXPECT_EQ(GetParam().passes, VerifyPackage(dir, kVersion, TestVerifyConfig()));
}

INSTANTIATE_TEST_SUITE_P(
    Packages,
    PlantedFileTest,
    ::testing::Values(PlantedFile{L"planted-unsigned-dll", L"version.dll", false},
                      PlantedFile{L"planted-foreign-codec", L"plugins\\codec.bin", false},  // signed, not by us
                      PlantedFile{L"nested-manifest-name", L"sub\\Uninstall.exe", false},   // unsigned
                      PlantedFile{L"harmless-dll-name", L"notes.dll", true}),               // plain text
    [](const ::testing::TestParamInfo<PlantedFile>& info) { return TestCaseName(info.param.package); });

TEST_F(VerifyPackageTest, ImageThatCannotBeOpenedFails) {
    // As an antivirus scanner holds a fresh file: opened with no sharing while verification runs.
    const std::wstring dir = Unpack(L"planted-unsigned-dll");
    base::UniqueFile held{CreateFileW((dir + L"\\version.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr)};
    ASSERT_TRUE(held);
    EXPECT_FALSE(VerifyPackage(dir, kVersion, TestVerifyConfig()));
}

// ---------------------------------------------------------------------------------------------
// Single files
// ---------------------------------------------------------------------------------------------

TEST_F(VerifyPackageTest, ManifestIsTheTwoProgramsThenTheNineLibrariesInOrder) {
    const VerifyConfig config = DefaultVerifyConfig();
    const std::vector<std::wstring> files = ManifestFiles(config);
    ASSERT_EQ(11u, files.size());
    EXPECT_EQ(L"Orbelin.exe", files[0]);
    EXPECT_EQ(L"Uninstall.exe", files[1]);
    EXPECT_TRUE(std::equal(config.dllNames.begin(), config.dllNames.end(), files.begin() + 2));
    EXPECT_EQ(40u, config.pinnedThumbprint.size());
}

TEST_F(VerifyPackageTest, PublisherPinReadsTheSignersCertificate) {
    const std::wstring dir = Unpack(L"good");
    EXPECT_TRUE(MatchesPinnedPublisher(dir + L"\\Uninstall.exe", PublisherThumbprint()));
    EXPECT_FALSE(MatchesPinnedPublisher(dir + L"\\Uninstall.exe", ForeignThumbprint()));
    EXPECT_FALSE(MatchesPinnedPublisher(dir + L"\\Uninstall.exe", PublisherThumbprint().substr(0, 39)));
    const std::wstring unsigned_ = Unpack(L"unsigned-filter");
    EXPECT_FALSE(MatchesPinnedPublisher(FilterDll(unsigned_), PublisherThumbprint()));
    EXPECT_FALSE(MatchesPinnedPublisher(root_ + L"\\absent.dll", PublisherThumbprint()));
}

TEST_F(VerifyPackageTest, FileVersionOfFilesWithoutOne) {
    ASSERT_TRUE(WriteFileBytes(root_ + L"\\plain.txt", "no version here"));
    EXPECT_FALSE(FileVersionEquals(root_ + L"\\plain.txt", L"0.0.0.0"));
    EXPECT_FALSE(FileVersionEquals(root_ + L"\\absent.exe", L"0.0.0.0"));
}

// ---------------------------------------------------------------------------------------------
// What WinVerifyTrust itself says under Wine (the facts the checks above rely on)
// ---------------------------------------------------------------------------------------------

TEST_F(VerifyPackageTest, WinVerifyTrustVerdictsUnderWine) {
    const std::wstring good = Unpack(L"good");
    EXPECT_EQ(0, AuthenticodeVerdict(good + L"\\Orbelin.exe"));
    EXPECT_EQ(0, AuthenticodeVerdict(FilterDll(good)));
    EXPECT_EQ(0, AuthenticodeVerdict(Unpack(L"foreign-signature") + L"\\Orbelin.exe"));
    EXPECT_EQ(TRUST_E_NOSIGNATURE, AuthenticodeVerdict(FilterDll(Unpack(L"unsigned-filter"))));
    EXPECT_EQ(TRUST_E_BAD_DIGEST, AuthenticodeVerdict(FilterDll(Unpack(L"tampered-filter"))));
    // Wine 8 does not hold the chain's root against the trusted roots: a signature under a root
    // nobody trusts verifies (Windows answers CERT_E_UNTRUSTEDROOT). Publisher identity under Wine
    // rests on the pinned thumbprint alone.
    EXPECT_EQ(0, AuthenticodeVerdict(Unpack(L"untrusted-root") + L"\\Orbelin.exe"));
}

}  // namespace
