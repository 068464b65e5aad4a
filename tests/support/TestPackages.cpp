#include "support/TestPackages.h"

#include <windows.h>
#include <wincrypt.h>

#include <miniz.h>

#include "base/ScopedWin.h"
#include "engine/TextConversion.h"
#include "support/TestDirs.h"

#ifndef ORB_TESTPKG_DIR
#error "ORB_TESTPKG_DIR must name the folder make_testpkg.py builds into"
#endif

namespace TestSupport {

namespace {

// The build tree's Unix path as Wine's drive Z: shows it.
std::wstring PackageRoot() {
    std::wstring path = Engine::Utf8ToUtf16(ORB_TESTPKG_DIR);
    for (wchar_t& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    return L"Z:" + path;
}

std::string TrimmedFile(const std::wstring& path) {
    std::string text = ReadFileBytes(path);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

}  // namespace

std::wstring TestPackageFile(const std::wstring& relative) {
    return PackageRoot() + L"\\" + relative;
}

std::wstring PackagePath(const std::wstring& name) {
    return TestPackageFile(L"packages\\" + name + L".zip");
}

std::wstring ArchivePath(const std::wstring& name) {
    return TestPackageFile(L"zips\\" + name + L".zip");
}

std::string TestCaseName(const wchar_t* name) {
    std::string text;
    for (const wchar_t* c = name; *c; ++c)
        text.push_back(*c == L'-' ? '_' : static_cast<char>(*c));
    return text;
}

std::string PublisherThumbprint() {
    return TrimmedFile(TestPackageFile(L"certs\\publisher.thumbprint"));
}

std::string ForeignThumbprint() {
    return TrimmedFile(TestPackageFile(L"certs\\foreign.thumbprint"));
}

std::string UntrustedThumbprint() {
    return TrimmedFile(TestPackageFile(L"certs\\untrusted.thumbprint"));
}

Engine::VerifyConfig TestVerifyConfig() {
    Engine::VerifyConfig config = Engine::DefaultVerifyConfig();
    config.pinnedThumbprint = PublisherThumbprint();
    return config;
}

bool TrustTestRootCertificate() { return TrustRootCertificate(TestPackageFile(L"certs\\ca.der")); }

bool TrustRootCertificate(const std::wstring& derFile) {
    const std::string der = ReadFileBytes(derFile);
    if (der.empty())
        return false;
    base::UniqueCertStore root{CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root")};
    if (!root)
        return false;
    return CertAddEncodedCertificateToStore(root.Get(), X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                            static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                            nullptr) != FALSE;
}

bool WriteTestZip(const std::wstring& path, const std::vector<std::pair<std::string, std::string>>& entries) {
    mz_zip_archive zip = {};
    if (!mz_zip_writer_init_heap(&zip, 0, 0))
        return false;
    bool ok = true;
    for (const auto& entry : entries) {
        ok = ok && mz_zip_writer_add_mem(&zip, entry.first.c_str(), entry.second.data(), entry.second.size(),
                                         MZ_DEFAULT_COMPRESSION) != MZ_FALSE;
    }
    void* data = nullptr;
    size_t size = 0;
    ok = ok && mz_zip_writer_finalize_heap_archive(&zip, &data, &size);
    ok = ok && WriteFileBytes(path, std::string(static_cast<const char*>(data), size));
    mz_zip_writer_end(&zip);
    return ok;
}

}  // namespace TestSupport
