#include "uie/controls/UiIconRegistry.h"

#include <map>
#include <memory>

#include "uie/core/UiGdiplusSession.h"

namespace UIE {

namespace {

struct NamedResource {
    const wchar_t* name;
    int resourceId;
};

constexpr NamedResource kBuiltInIcons[] = {
    {L"chrome_min", 106}, {L"chrome_max", 104}, {L"chrome_close", 103}, {L"chrome_menu", 105},
    {L"gear", 109},       {L"back", 102},       {L"folder", 108},       {L"arrow_down", 101},
};

struct Registry {
    Registry() {
        // The icons outlive every GDI+ session; their bitmaps must not.
        UiGdiplusSession::AddReleaseHook([this] {
            for (auto& named : icons)
                named.second->ReleaseBitmaps();
        });
    }
    UiIconResolver resolver;
    std::map<std::wstring, std::unique_ptr<SvgIcon>> icons;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

int BuiltInResourceId(const std::wstring& name) {
    for (const NamedResource& icon : kBuiltInIcons) {
        if (name == icon.name)
            return icon.resourceId;
    }
    return 0;
}

SvgIcon* Usable(SvgIcon* icon) {
    return icon && icon->HasImage() ? icon : nullptr;
}

}  // namespace

void SetIconResolver(UiIconResolver resolver) {
    TheRegistry().resolver = std::move(resolver);
}

SvgIcon* FindIcon(const std::wstring& name) {
    if (name.empty())
        return nullptr;
    Registry& registry = TheRegistry();
    if (registry.resolver) {
        if (SvgIcon* resolved = registry.resolver(name))
            return resolved;
    }
    auto found = registry.icons.find(name);
    if (found != registry.icons.end())
        return Usable(found->second.get());
    const int resourceId = BuiltInResourceId(name);
    if (resourceId == 0)
        return nullptr;
    auto icon = std::make_unique<SvgIcon>();
    icon->LoadFromResource(ToolkitModule(), resourceId);
    SvgIcon* stored = icon.get();
    registry.icons.emplace(name, std::move(icon));
    return Usable(stored);
}

size_t RegisteredIconCount() {
    return TheRegistry().icons.size();
}

}  // namespace UIE
