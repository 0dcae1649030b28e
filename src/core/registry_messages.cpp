#include "core/registry_messages.h"

#include <cstring>

#include "dsp/measurement_records.h"

namespace qv {

InstanceMessage messageHeader(const void* record) {
    InstanceMessage header{};
    std::memcpy(&header, record, sizeof(header));
    return header;
}

void setMessageTarget(void* record, std::uint32_t target) {
    std::memcpy(static_cast<unsigned char*>(record) + offsetof(InstanceMessage, target), &target, sizeof(target));
}

bool isValidSpectrumMessage(const void* record) {
    const InstanceMessage header = messageHeader(record);
    if (header.type != kMsgSpectrum || header.size < spectrumRecordBytes(0)) return false;
    std::uint32_t count = 0;
    std::memcpy(&count, static_cast<const unsigned char*>(record) + offsetof(SpectrumRecord, count), sizeof(count));
    // The bound comes first: 52 + 4 x count wraps around for huge counts.
    return count <= kSpectrumMaxBins && header.size == spectrumRecordBytes(count);
}

bool isValidPost(const void* record) {
    const InstanceMessage header = messageHeader(record);
    switch (header.type) {
        case kMsgMapPost:
        case kMsgRenumber:
        case kMsgBandLevels:
        case kMsgSettingsPost:
        case kMsgNames: return header.size == fixedMessageSize(header.type);
        case kMsgSpectrum: return isValidSpectrumMessage(record);
        default: return false;
    }
}

bool isValidQuery(const void* record) {
    const InstanceMessage header = messageHeader(record);
    switch (header.type) {
        case kMsgMapQuery:
        case kMsgSettingsQuery:
        case kMsgNames: return header.size == fixedMessageSize(header.type);
        default: return false;
    }
}

}  // namespace qv
