// The S (solo) and M (mute) switches of the 16 instance numbers and the solo rule between them.
#pragma once

#include <array>
#include <cstdint>

namespace qv {

struct ShowSwitch {
    std::uint8_t state;        // a CShowSwitches::State
    std::uint8_t saved;        // the mute state (0 or 1) to return to when a solo ends
    std::uint8_t soloStarted;  // one-shot flags of the last S or M write
    std::uint8_t soloEnded;
};
static_assert(sizeof(ShowSwitch) == 4);

class CShowSwitches {
public:
    static constexpr std::uint32_t kCount = 16;

    enum State : std::uint8_t {
        kShown = 0,
        kMuted = 1,
        kDimmed = 3,       // another number is soloed
        kDimmedMuted = 4,  // dimmed and counted as muted
        kSoloed = 5,
        kSoloedMuted = 6,
    };

    // S switch of number j; returns false for j out of range.
    bool setSolo(std::uint32_t j, bool on);
    // M switch of number j; returns false for j out of range.
    bool setMute(std::uint32_t j, bool on);

    // What the S and M switch of number k show, and whether the display hides number k.
    bool soloShown(std::uint32_t k) const;
    bool muteShown(std::uint32_t k) const;
    bool hidden(std::uint32_t k) const { return muteShown(k); }

    const ShowSwitch& at(std::uint32_t k) const { return switches[k]; }
    std::int32_t soloCount() const { return count; }
    // The form kept in the state chunk: state + 8 * (saved & 1).
    std::uint32_t packed(std::uint32_t k) const;

private:
    void updateShowSwitches(std::uint32_t j);

    std::array<ShowSwitch, kCount> switches{};
    std::int32_t count = 0;
};

}  // namespace qv
