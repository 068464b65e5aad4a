#include "engine/GpuSelection.h"

namespace Engine {

void AdapterPicker::Offer(const std::wstring& description,
                          uint32_t vendorId,
                          uint32_t deviceId,
                          uint64_t dedicatedBytes) {
    failuresInARow_ = 0;
    const bool basicRenderAdapter = vendorId == 0x1414 && deviceId == 0x8C;
    if (basicRenderAdapter || dedicatedBytes < best_)
        return;
    best_ = dedicatedBytes;
    picked_.name = description;
    picked_.memoryMb = static_cast<int32_t>(dedicatedBytes >> 20);
}

bool DisplayClassMatcher::Offer(const std::wstring& description, const std::wstring& driverVersion) {
    if (description.empty())
        return false;
    if (firstDescription_.empty())
        firstDescription_ = description;
    if (!info_.name.empty() && info_.name == description) {
        info_.driver = driverVersion;
        return true;
    }
    return false;
}

GpuInfo DisplayClassMatcher::Result() const {
    GpuInfo result = info_;
    if (result.name.empty())
        result.name = firstDescription_;
    return result;
}

}  // namespace Engine
