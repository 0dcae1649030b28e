// What the analyzer's settings report to the instance that owns them. Every call is made inside
// the settings call that caused it, on the caller's thread, in the order listed per setting.
#pragma once

#include <cstdint>

#include "core/instance_messages.h"

namespace qv {

class ISettingsObserver {
public:
    virtual ~ISettingsObserver() = default;

    // An applied value, for the editor to show (its setParameter).
    virtual void notifyEditor(std::uint32_t id, float value) = 0;
    // A change made here (a write, Sync Others or a restored chunk) to the settings shared by all
    // instances: post the block as type 5 to every other registry index. Never called for a
    // block received from another instance.
    virtual void commonSettingsChanged(const GlobalSettingsBlock& block) = 0;
    // Eco mode or FFT size index written or received (the values may be unchanged).
    virtual void analysisSettingsChanged(std::uint32_t ecoMode, std::uint32_t fftSizeIndex) = 0;
    // Window type written or received: hand it to the measurement.
    virtual void windowTypeChanged(std::uint32_t windowType) = 0;
    // Own or another instance's display mode written or received: re-evaluate which analyses are
    // needed and the average memory.
    virtual void displayModeChanged() = 0;
    // The average switch was written: re-evaluate the average memory.
    virtual void averageSwitchChanged() = 0;
    // The editor asks for the 16 names: send them to it as a type-32 record.
    virtual void namesRequested() = 0;
    // Post the 16 names (type 32) to every registry index, own included.
    virtual void postNames() = 0;
    // A memory switch of instance (id - 91) / 8, memory (id - 91) % 8 was written; bits as received.
    virtual void memorySwitch(std::uint32_t id, std::uint32_t bits) = 0;
};

}  // namespace qv
