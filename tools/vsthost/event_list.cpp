#include "vsthost/event_list.h"

#include <cstddef>
#include <cstring>

namespace qv::vsthost {

EventList::EventList(std::vector<vst::VstMidiEvent> events) : events_(std::move(events)) {
    const std::size_t pointerBytes = sizeof(vst::VstEvent*) * (events_.size() < 2 ? 2 : events_.size());
    const std::size_t bytes = offsetof(vst::VstEvents, events) + pointerBytes;
    const std::size_t words = (bytes + sizeof(std::uintptr_t) - 1) / sizeof(std::uintptr_t);
    storage_ = std::make_unique<std::uintptr_t[]>(words);  // zeroed
    auto* base = reinterpret_cast<unsigned char*>(storage_.get());
    const vst::VstInt32 count = static_cast<vst::VstInt32>(events_.size());
    std::memcpy(base + offsetof(vst::VstEvents, numEvents), &count, sizeof count);
    for (std::size_t i = 0; i < events_.size(); ++i) {
        auto* event = reinterpret_cast<vst::VstEvent*>(&events_[i]);
        std::memcpy(base + offsetof(vst::VstEvents, events) + i * sizeof event, &event, sizeof event);
    }
}

vst::VstMidiEvent EventList::midi(std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                                  vst::VstInt32 deltaFrames) {
    vst::VstMidiEvent event{};
    event.type = vst::kVstMidiType;
    event.byteSize = static_cast<vst::VstInt32>(sizeof(vst::VstMidiEvent));
    event.deltaFrames = deltaFrames;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    return event;
}

}  // namespace qv::vsthost
