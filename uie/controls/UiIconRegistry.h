// Named icons: "gear", "folder", ... resolved to SVG resources of the toolkit's module and kept for
// the life of the process. Buttons, links and edits look their icons up here by name.
//
// A name is looked up once: a known name whose resource is missing or not SVG is remembered as a
// failure and not retried. Names are case-sensitive. UI thread only.
#pragma once

#include <functional>
#include <string>

#include "uie/controls/SvgIcon.h"

namespace UIE {

// An embedding application's own source of icons, asked before the built-in table; a null answer
// falls through to it.
using UiIconResolver = std::function<SvgIcon*(const std::wstring& name)>;
void SetIconResolver(UiIconResolver resolver);

// The icon for `name`, owned by the registry, or null when there is none.
SvgIcon* FindIcon(const std::wstring& name);

// How many names the registry has looked up and kept (failures included).
size_t RegisteredIconCount();

}  // namespace UIE
