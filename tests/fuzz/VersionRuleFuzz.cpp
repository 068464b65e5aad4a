// Product versions: whatever IsValidProductVersion accepts, joined to the installation root, is
// exactly one new folder right below the root, with the name Windows will give it.
#include "FuzzSupport.h"

#include "engine/InstallRules.h"
#include "engine/PackageRules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring version = Fuzz::WideFromBytes(data, size);
    Fuzz::KeepInput(data, size, Fuzz::DescribeAsWide);
    if (!Engine::IsValidProductVersion(version))
        return 0;

    FUZZ_CHECK(!version.empty() && version.size() <= Engine::kMaxVersionLength);
    // A version is also a name the package could carry.
    FUZZ_CHECK(Engine::IsSafeEntryPath(version));
    FUZZ_CHECK(!Fuzz::ModelIsDeviceName(version));
    for (wchar_t c : version)
        FUZZ_CHECK(!Fuzz::ModelIsSeparator(c) && !Fuzz::ModelIsForbiddenNameChar(c));

    for (const wchar_t* root : {L"D:\\Apps", L"D:\\Apps\\", L"\\\\server\\share\\Apps"}) {
        const std::wstring rootText = root;
        const Fuzz::ModelPath parent = Fuzz::ResolveModel(rootText, 0);
        const Fuzz::ModelPath installDir =
            Fuzz::ResolveModel(Engine::JoinPath(rootText, version), parent.components.size());
        FUZZ_CHECK(!installDir.climbedOut && !installDir.strippedToNothing && !installDir.renamed);
        FUZZ_CHECK(installDir.components.size() == parent.components.size() + 1);
        FUZZ_CHECK(installDir.components.back() == version);
    }
    return 0;
}
