// The installation root the user typed: trimming only removes trailing blanks and separators and
// leaves nothing more to remove, and a root the rule accepts is what InstallRootRules.h promises,
// a folder on a drive ("X:\...") or on a share ("\\server\share..."), shorter than MAX_PATH, not a
// drive root however Windows normalises it, and without "..".
#include "FuzzSupport.h"

#include <cwchar>

#include "app/InstallRootRules.h"

namespace {

bool IsAsciiLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

void CheckTrim(const std::wstring& typed, const std::wstring& trimmed) {
    FUZZ_CHECK(trimmed.size() <= typed.size());
    FUZZ_CHECK(typed.compare(0, trimmed.size(), trimmed) == 0);
    for (size_t i = trimmed.size(); i < typed.size(); ++i)
        FUZZ_CHECK(typed[i] == L' ' || Fuzz::ModelIsSeparator(typed[i]));
    std::wstring again = trimmed;
    SetupUi::TrimInstallRoot(again);
    FUZZ_CHECK(again == trimmed);
    if (!trimmed.empty())
        FUZZ_CHECK(trimmed.back() != L' ');
    if (trimmed.size() > 3)
        FUZZ_CHECK(!Fuzz::ModelIsSeparator(trimmed.back()));
}

void CheckValidRoot(const std::wstring& root) {
    FUZZ_CHECK(root.size() >= 4 && root.size() < 260);
    FUZZ_CHECK(root.find(L"..") == std::wstring::npos);
    for (size_t i = 0; i < root.size(); ++i) {  // only names Windows creates: the drive's colon aside
        FUZZ_CHECK(root[i] >= 0x20 && std::wcschr(L"<>\"|?*", root[i]) == nullptr);
        FUZZ_CHECK(root[i] != L':' || i == 1);
    }
    const bool onDrive = IsAsciiLetter(root[0]) && root[1] == L':' && Fuzz::ModelIsSeparator(root[2]);
    const bool onShare = root[0] == L'\\' && root[1] == L'\\';
    FUZZ_CHECK(onDrive || onShare);
    if (onDrive) {
        const Fuzz::ModelPath folder = Fuzz::ResolveModel(root, 1);
        FUZZ_CHECK(!folder.climbedOut && !folder.strippedToNothing);
        FUZZ_CHECK(folder.components.size() >= 2);  // the drive and at least one folder
        return;
    }
    // "\\server\share": a server that is not the "." (devices) or "?" (raw paths) namespace, then a
    // share, both names that survive normalisation.
    const std::wstring rest = root.substr(2);
    const size_t serverEnd = rest.find_first_of(L"\\/");
    const std::wstring server = rest.substr(0, serverEnd);
    FUZZ_CHECK(!server.empty() && server != L"." && server != L"?");
    FUZZ_CHECK(!Fuzz::StripTrailingDotsAndSpaces(server).empty());
    FUZZ_CHECK(serverEnd != std::wstring::npos);
    const Fuzz::ModelPath share = Fuzz::ResolveModel(rest, 1);
    FUZZ_CHECK(!share.climbedOut && !share.strippedToNothing);
    FUZZ_CHECK(share.components.size() >= 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring typed = Fuzz::WideFromBytes(data, size);
    Fuzz::KeepInput(data, size, Fuzz::DescribeAsWide);
    std::wstring root = typed;
    SetupUi::TrimInstallRoot(root);
    CheckTrim(typed, root);
    if (SetupUi::IsValidInstallRoot(root))
        CheckValidRoot(root);
    // The rule stands on its own too: an untrimmed text it accepts keeps the same promises.
    if (SetupUi::IsValidInstallRoot(typed))
        CheckValidRoot(typed);

    // A drive root picked in the dialog gets a folder of its own, which the rule then accepts.
    const std::wstring picked = SetupUi::PickedInstallRoot(typed);
    const bool pickedDriveRoot = typed.size() == 3 && typed[1] == L':' && typed[2] == L'\\';
    if (pickedDriveRoot && IsAsciiLetter(typed[0])) {
        std::wstring pickedRoot = picked;
        SetupUi::TrimInstallRoot(pickedRoot);
        FUZZ_CHECK(SetupUi::IsValidInstallRoot(pickedRoot));
    } else if (!pickedDriveRoot) {
        FUZZ_CHECK(picked == typed);
    }

    const std::wstring drive = SetupUi::DriveRootOf(typed);
    if (!drive.empty())
        FUZZ_CHECK(drive.size() == 3 && drive[0] == typed[0] && typed[1] == L':' && drive.substr(1) == L":\\");
    return 0;
}
