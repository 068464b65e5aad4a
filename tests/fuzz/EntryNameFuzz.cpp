// Zip entry names: whatever IsSafeEntryPath accepts, joined under the target and resolved the way
// Windows could resolve it, stays inside the target and names files Windows keeps as named.
#include "FuzzSupport.h"

#include "engine/InstallRules.h"
#include "engine/PackageRules.h"

namespace {

const std::wstring kTarget = L"C:\\Orbelin\\1.0.0.49";
constexpr size_t kTargetComponents = 3;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring name = Fuzz::WideFromBytes(data, size);
    Fuzz::KeepInput(data, size, Fuzz::DescribeAsWide);
    const std::wstring backslashed = Engine::ToBackslashes(name);
    FUZZ_CHECK(backslashed.size() == name.size());
    for (size_t i = 0; i < name.size(); ++i)
        FUZZ_CHECK(backslashed[i] == (name[i] == L'/' ? L'\\' : name[i]));

    // The rule reads "/" as a separator too, so turning the slashes first changes nothing.
    const bool safe = Engine::IsSafeEntryPath(name);
    FUZZ_CHECK(safe == Engine::IsSafeEntryPath(backslashed));

    // The device check agrees with the model wherever no ":" makes the model cut the name short.
    std::wstring component;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !Fuzz::ModelIsSeparator(name[i])) {
            component += name[i];
            continue;
        }
        if (component.find(L':') == std::wstring::npos)
            FUZZ_CHECK(Engine::IsWindowsDeviceName(component) == Fuzz::ModelIsDeviceName(component));
        component.clear();
    }

    if (!safe)
        return 0;
    FUZZ_CHECK(!name.empty() && !Fuzz::ModelIsSeparator(name.front()));
    for (wchar_t c : name)
        FUZZ_CHECK(!Fuzz::ModelIsForbiddenNameChar(c));

    const Fuzz::ModelPath resolved = Fuzz::ResolveModel(Engine::JoinPath(kTarget, backslashed), kTargetComponents);
    FUZZ_CHECK(!resolved.climbedOut);
    FUZZ_CHECK(!resolved.strippedToNothing);
    FUZZ_CHECK(!resolved.renamed);
    FUZZ_CHECK(resolved.components.size() >= kTargetComponents);
    FUZZ_CHECK(resolved.components[0] == L"C:" && resolved.components[1] == L"Orbelin" &&
               resolved.components[2] == L"1.0.0.49");
    for (size_t i = kTargetComponents; i < resolved.components.size(); ++i) {
        FUZZ_CHECK(!resolved.components[i].empty());
        FUZZ_CHECK(!Fuzz::ModelIsDeviceName(resolved.components[i]));
    }
    return 0;
}
