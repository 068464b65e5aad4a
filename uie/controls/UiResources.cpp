#include "uie/controls/UiResources.h"

namespace UIE {

UiResourceBytes FindRcData(HMODULE module, unsigned id) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_RCDATA);
    if (!found)
        return {};
    const DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded || size == 0)
        return {};
    const void* data = LockResource(loaded);
    if (!data)
        return {};
    return {data, size};
}

}  // namespace UIE
