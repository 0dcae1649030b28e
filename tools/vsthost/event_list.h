// A VstEvents list of any length, laid out as the VST 2.4 record: a count, a reserved word and
// as many event pointers as there are events.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "host/vst_abi.h"

namespace qv::vsthost {

class EventList {
public:
    explicit EventList(std::vector<vst::VstMidiEvent> events);
    // A MIDI event of three bytes at the given frame offset.
    static vst::VstMidiEvent midi(std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                                  vst::VstInt32 deltaFrames);

    vst::VstEvents* get() { return reinterpret_cast<vst::VstEvents*>(storage_.get()); }
    std::size_t size() const { return events_.size(); }

private:
    std::vector<vst::VstMidiEvent> events_;
    std::unique_ptr<std::uintptr_t[]> storage_;
};

}  // namespace qv::vsthost
