#include "engine/VerifyPackage.h"

#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <cstring>
#include <vector>

#include "OrbBuildSettings.h"
#include "base/ScopedWin.h"
#include "engine/InstallConstants.h"
#include "engine/PackageRules.h"
#include "engine/PathHelpers.h"

namespace Engine {

namespace {

// {00AAC56B-CD44-11D0-8CC2-00C04FC295EE}
constexpr GUID kGenericVerifyV2 = {0x00AAC56B, 0xCD44, 0x11D0, {0x8C, 0xC2, 0x00, 0xC0, 0x4F, 0xC2, 0x95, 0xEE}};
constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The message's first signer: its issuer and serial number name the signing certificate.
bool ReadFirstSigner(HCRYPTMSG message, std::vector<unsigned char>& buffer) {
    DWORD size = 0;
    if (!CryptMsgGetParam(message, CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size) || size == 0)
        return false;
    buffer.assign(size, 0);
    return CryptMsgGetParam(message, CMSG_SIGNER_INFO_PARAM, 0, buffer.data(), &size) != FALSE;
}

base::UniqueCertContext FindSignerCertificate(HCERTSTORE store, const CMSG_SIGNER_INFO& signer) {
    CERT_ID id = {};
    id.dwIdChoice = CERT_ID_ISSUER_SERIAL_NUMBER;
    id.IssuerSerialNumber.Issuer = signer.Issuer;
    id.IssuerSerialNumber.SerialNumber = signer.SerialNumber;
    return base::UniqueCertContext{CertFindCertificateInStore(store, kEncoding, 0, CERT_FIND_CERT_ID, &id, nullptr)};
}

bool IsOneOf(const std::wstring& name, const std::vector<std::wstring>& names) {
    for (const std::wstring& candidate : names) {
        if (CompareStringOrdinal(name.c_str(), -1, candidate.c_str(), -1, TRUE) == CSTR_EQUAL)
            return true;
    }
    return false;
}

enum class ImageKind { NotImage, Image, Unreadable };

// "MZ", then a PE signature where the DOS header's e_lfanew points: what the loader would map,
// whatever the file is called. A file that cannot be opened or read is not taken for harmless: a
// scanner's or another program's lock now says nothing about what the product will load later.
ImageKind ClassifyImage(const std::wstring& path) {
    base::UniqueFile file{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!file)
        return ImageKind::Unreadable;
    unsigned char dos[64] = {};
    DWORD read = 0;
    if (!ReadFile(file.Get(), dos, sizeof(dos), &read, nullptr))
        return ImageKind::Unreadable;
    if (read != sizeof(dos) || dos[0] != 'M' || dos[1] != 'Z')
        return ImageKind::NotImage;
    LARGE_INTEGER offset;
    offset.QuadPart = dos[0x3C] | (dos[0x3D] << 8) | (dos[0x3E] << 16) | (static_cast<LONGLONG>(dos[0x3F]) << 24);
    unsigned char signature[4] = {};
    if (!SetFilePointerEx(file.Get(), offset, nullptr, FILE_BEGIN) ||
        !ReadFile(file.Get(), signature, sizeof(signature), &read, nullptr))
        return ImageKind::Unreadable;
    return read == sizeof(signature) && std::memcmp(signature, "PE\0\0", 4) == 0 ? ImageKind::Image
                                                                                 : ImageKind::NotImage;
}

bool ImageSignedOrNone(const std::wstring& path, const std::string& pinnedThumbprint) {
    switch (ClassifyImage(path)) {
        case ImageKind::NotImage:
            return true;
        case ImageKind::Image:
            return VerifyFileSignature(path, pinnedThumbprint);
        case ImageKind::Unreadable:
            break;
    }
    return false;
}

// Every PE image below `dir` carries the pinned signature: the product loads libraries from its own
// folder first, so one unsigned DLL in the package would run with the product. Links are not
// followed (an archive cannot make them, and nothing outside the folder is the package's). Names in
// `checked` (top level only) have been verified already. A listing cut short leaves files unseen.
bool EveryImageSigned(const std::wstring& dir,
                      const std::string& pinnedThumbprint,
                      const std::vector<std::wstring>& checked) {
    return WalkDirectory(dir, WalkOrder::FolderFirst, [&](const WalkEntry& entry) {
        if (entry.link || IsOneOf(entry.relative, checked))
            return WalkStep::SkipFolder;
        if (entry.directory || ImageSignedOrNone(entry.path, pinnedThumbprint))
            return WalkStep::Continue;
        return WalkStep::Stop;
    });
}

}  // namespace

VerifyConfig DefaultVerifyConfig() {
    return VerifyConfig{ORB_PUBLISHER_THUMBPRINT, std::vector<std::wstring> ORB_MANIFEST_DLLS};
}

std::vector<std::wstring> ManifestFiles(const VerifyConfig& config) {
    std::vector<std::wstring> files{kMainExeName, kUninstallerName};
    files.insert(files.end(), config.dllNames.begin(), config.dllNames.end());
    return files;
}

bool VerifyPackage(const std::wstring& installDir, const std::wstring& expectedVersion) {
    return VerifyPackage(installDir, expectedVersion, DefaultVerifyConfig());
}

bool VerifyPackage(const std::wstring& installDir, const std::wstring& expectedVersion, const VerifyConfig& config) {
    const std::vector<std::wstring> manifest = ManifestFiles(config);
    for (const std::wstring& name : manifest) {
        const std::wstring path = installDir + L"\\" + name;
        if (!Exists(path) || !VerifyFileSignature(path, config.pinnedThumbprint))
            return false;
    }
    if (!EveryImageSigned(installDir, config.pinnedThumbprint, manifest))
        return false;
    return FileVersionEquals(installDir + L"\\" + kMainExeName, expectedVersion);
}

long AuthenticodeVerdict(const std::wstring& path) {
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    // Only certificate material already on the machine counts: no fetch from the network.
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
    data.dwUIContext = 0;
    // The verification state is released when this scope ends, whatever the result.
    base::WinTrustVerification verification(kGenericVerifyV2, data);
    return verification.Verify();
}

bool VerifyFileSignature(const std::wstring& path, const std::string& pinnedThumbprint) {
    return AuthenticodeVerdict(path) == 0 && MatchesPinnedPublisher(path, pinnedThumbprint);
}

bool MatchesPinnedPublisher(const std::wstring& path, const std::string& pinnedThumbprint) {
    base::UniqueCertStore store;
    base::UniqueCryptMsg message;
    if (!CryptQueryObject(CERT_QUERY_OBJECT_FILE, path.c_str(), CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
                          CERT_QUERY_FORMAT_FLAG_BINARY, 0, nullptr, nullptr, nullptr, store.Put(), message.Put(),
                          nullptr))
        return false;

    std::vector<unsigned char> signerBuffer;
    if (!ReadFirstSigner(message.Get(), signerBuffer))
        return false;
    const auto* signer = reinterpret_cast<const CMSG_SIGNER_INFO*>(signerBuffer.data());
    base::UniqueCertContext certificate = FindSignerCertificate(store.Get(), *signer);
    if (!certificate)
        return false;

    BYTE hash[kSha1Size] = {};
    DWORD hashSize = sizeof(hash);
    if (!CryptHashCertificate(0, CALG_SHA1, 0, certificate.Get()->pbCertEncoded, certificate.Get()->cbCertEncoded, hash,
                              &hashSize))
        return false;
    return ThumbprintMatches(hash, hashSize, pinnedThumbprint);
}

bool FileVersionEquals(const std::wstring& path, const std::wstring& expectedVersion) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0)
        return false;
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data()))
        return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) || !fixed || fixedSize == 0)
        return false;
    return FormatFileVersion(fixed->dwFileVersionMS, fixed->dwFileVersionLS) == expectedVersion;
}

}  // namespace Engine
