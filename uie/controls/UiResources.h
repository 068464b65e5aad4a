// The bytes of an RCDATA resource, for the loaders of pictures and icons.
#pragma once

#include <windows.h>

#include <cstddef>

namespace UIE {

struct UiResourceBytes {
    const void* data = nullptr;  // null when the resource is missing or empty
    size_t size = 0;
};

// RCDATA `id` of `module`; the bytes stay valid while the module is loaded.
UiResourceBytes FindRcData(HMODULE module, unsigned id);

}  // namespace UIE
