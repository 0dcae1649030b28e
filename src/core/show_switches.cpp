#include "core/show_switches.h"

namespace qv {

bool CShowSwitches::setSolo(std::uint32_t j, bool on) {
    if (j >= kCount) return false;
    ShowSwitch& s = switches[j];
    s.soloStarted = 0;
    s.soloEnded = 0;
    const bool soloed = s.state == kSoloed || s.state == kSoloedMuted;
    if (on && !soloed) {
        s.state = kSoloed;
        s.soloStarted = 1;
    } else if (!on && soloed) {
        s.soloEnded = 1;
        s.state = s.saved;
    }
    updateShowSwitches(j);
    return true;
}

bool CShowSwitches::setMute(std::uint32_t j, bool on) {
    if (j >= kCount) return false;
    ShowSwitch& s = switches[j];
    s.soloStarted = 0;
    s.soloEnded = 0;
    if (on) {
        switch (s.state) {
            case kShown:
                s.state = kMuted;
                s.saved = 1;
                break;
            case kDimmed: s.state = kDimmedMuted; break;
            case kSoloed: s.state = kSoloedMuted; break;
            default: break;
        }
    } else {
        switch (s.state) {
            case kMuted:
                s.state = kShown;
                s.saved = 0;
                break;
            case kDimmedMuted: s.state = kDimmed; break;
            case kSoloedMuted: s.state = kSoloed; break;
            default: break;
        }
    }
    updateShowSwitches(j);
    return true;
}

// The first solo dims every number that is not soloed; the last one to end restores every
// number's saved mute state; a solo that ends while others remain dims its own number.
void CShowSwitches::updateShowSwitches(std::uint32_t j) {
    ShowSwitch& s = switches[j];
    if (s.soloStarted) {
        if (++count == 1) {
            for (ShowSwitch& other : switches) {
                if (other.state < kDimmedMuted) other.state = kDimmedMuted;
            }
        }
    } else if (s.soloEnded) {
        if (--count < 1) {
            count = 0;
            for (ShowSwitch& other : switches) other.state = other.saved;
        } else if (s.state < kDimmedMuted) {
            s.state = kDimmedMuted;
        }
    }
}

bool CShowSwitches::soloShown(std::uint32_t k) const {
    return k < kCount && (switches[k].state == kSoloed || switches[k].state == kSoloedMuted);
}

bool CShowSwitches::muteShown(std::uint32_t k) const {
    if (k >= kCount) return false;
    const std::uint8_t st = switches[k].state;
    return st == kMuted || st == kDimmedMuted || st == kSoloedMuted;
}

std::uint32_t CShowSwitches::packed(std::uint32_t k) const {
    if (k >= kCount) return 0;
    return switches[k].state + 8u * (switches[k].saved & 1u);
}

}  // namespace qv
