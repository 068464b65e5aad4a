// Which graphics adapter the device profile reports, and its driver version. Pure rules: the
// probe feeds them what DXGI and the display-adapter class key say.
#pragma once

#include <cstdint>
#include <string>

namespace Engine {

struct GpuInfo {
    std::wstring name;
    int32_t memoryMb = 0;
    std::wstring driver;
};

// First stage: DXGI adapters in enumeration order. The software basic render adapter is skipped;
// otherwise the adapter with the most dedicated memory wins, ties going to the later one.
class AdapterPicker {
public:
    void Offer(const std::wstring& description, uint32_t vendorId, uint32_t deviceId, uint64_t dedicatedBytes);
    // An index that could not be described. False once kMaxFailuresInARow have failed in a row: a
    // broken driver may fail every index without ever answering "not found", and the walk must
    // end long before 2^32 calls.
    bool Failure() { return ++failuresInARow_ < kMaxFailuresInARow; }
    const GpuInfo& Picked() const { return picked_; }

    static constexpr int kMaxFailuresInARow = 8;

private:
    GpuInfo picked_;
    uint64_t best_ = 0;
    int failuresInARow_ = 0;
};

// Second stage: the display-adapter class subkeys in enumeration order. Remembers the first
// non-empty description; takes the driver version of the subkey whose description equals the
// first stage's name exactly, at which point enumeration can stop.
class DisplayClassMatcher {
public:
    explicit DisplayClassMatcher(GpuInfo fromAdapters) : info_(std::move(fromAdapters)) {}
    // Returns true when the matching subkey was found and enumeration should stop.
    bool Offer(const std::wstring& description, const std::wstring& driverVersion);
    // The final answer: without a first-stage name, the first description seen.
    GpuInfo Result() const;

private:
    GpuInfo info_;
    std::wstring firstDescription_;
};

}  // namespace Engine
