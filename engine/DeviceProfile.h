// The device profile: the 22-field compact JSON document the device report sends.
#pragma once

#include <string>

namespace Engine {

// Never fails: every probe that cannot answer contributes its empty or zero value. Worker thread.
std::string BuildDeviceProfile();

}  // namespace Engine
