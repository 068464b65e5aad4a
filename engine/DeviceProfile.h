// The device profile: the 22-field compact JSON document the device report sends.
#pragma once

#include <string>

namespace Engine {

// Never fails: every probe that cannot answer contributes its empty or zero value. Worker thread.
std::string BuildDeviceProfile();

// The token as the document carries it: one character per byte (U+0000..U+00FF), in UTF-8.
std::string TokenAsProfileText(const std::string& token);

}  // namespace Engine
