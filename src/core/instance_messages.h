// Records that analyzer instances in one process exchange: every one starts with its size, its
// type and the registry index it is addressed to. Little-endian, fixed layout. The band and
// spectrum records (types 4 and 8) live with the measurements in dsp/measurement_records.h.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace qv {

static_assert(std::endian::native == std::endian::little, "records are little-endian");

enum InstanceMessageType : std::uint32_t {
    kMsgMapQuery = 1,
    kMsgMapPost = 2,
    kMsgRenumber = 3,
    kMsgBandLevels = 4,
    kMsgSettingsPost = 5,
    kMsgSettingsQuery = 6,
    kMsgSpectrum = 8,
    kMsgNames = 32,
};

constexpr std::uint32_t kMaxRegistryInstances = 16;
constexpr std::uint32_t kInstanceNameBytes = 32;

struct InstanceMessage {
    std::uint32_t size;
    std::uint32_t type;
    std::uint32_t target;  // registry index
};
static_assert(sizeof(InstanceMessage) == 12);
static_assert(offsetof(InstanceMessage, type) == 4 && offsetof(InstanceMessage, target) == 8);

// Types 1 (query) and 2 (post: joining or leaving): who holds which instance number.
struct InstanceMapBlock {
    static constexpr std::uint32_t kSize = 88;

    InstanceMessage header;
    std::uint32_t unused12;
    std::uint32_t senderIndex;
    std::int32_t numbers[kMaxRegistryInstances];  // per registry index; -1 = no instance
    std::uint32_t leaving;                        // 1 when the sender leaves
};
static_assert(sizeof(InstanceMapBlock) == InstanceMapBlock::kSize);
static_assert(offsetof(InstanceMapBlock, unused12) == 12);
static_assert(offsetof(InstanceMapBlock, senderIndex) == 16);
static_assert(offsetof(InstanceMapBlock, numbers) == 20);
static_assert(offsetof(InstanceMapBlock, leaving) == 84);

// Type 3: renumbering of instances.
struct RenumberMessage {
    static constexpr std::uint32_t kSize = 28;
    static constexpr std::uint32_t kRename = 0;
    static constexpr std::uint32_t kSwap = 1;

    InstanceMessage header;
    std::uint32_t unused12;
    std::uint32_t mode;
    std::int32_t numberA;
    std::int32_t numberB;
};
static_assert(sizeof(RenumberMessage) == RenumberMessage::kSize);
static_assert(offsetof(RenumberMessage, unused12) == 12 && offsetof(RenumberMessage, mode) == 16);
static_assert(offsetof(RenumberMessage, numberA) == 20 && offsetof(RenumberMessage, numberB) == 24);

// Types 5 (post) and 6 (query): the settings common to all instances.
struct GlobalSettingsBlock {
    static constexpr std::uint32_t kSize = 96;

    InstanceMessage header;
    std::uint32_t unused12;
    std::uint32_t ecoMode;       // 0 HiRes, 1 Eco
    std::uint32_t fftSizeIndex;  // 0..5 for 512..16384 points
    std::uint32_t windowType;    // 0..5
    std::uint32_t unused28;
    std::uint32_t displayModes[kMaxRegistryInstances];  // per instance number: 0 bands, 1 FFT
};
static_assert(sizeof(GlobalSettingsBlock) == GlobalSettingsBlock::kSize);
static_assert(offsetof(GlobalSettingsBlock, unused12) == 12);
static_assert(offsetof(GlobalSettingsBlock, ecoMode) == 16);
static_assert(offsetof(GlobalSettingsBlock, fftSizeIndex) == 20);
static_assert(offsetof(GlobalSettingsBlock, windowType) == 24);
static_assert(offsetof(GlobalSettingsBlock, unused28) == 28);
static_assert(offsetof(GlobalSettingsBlock, displayModes) == 32);

// Type 32 (query or post): the 16 instance names, NUL-terminated within 32 bytes each.
struct InstanceNamesBlock {
    static constexpr std::uint32_t kSize = 528;

    InstanceMessage header;
    std::uint32_t unused12;
    char names[kMaxRegistryInstances][kInstanceNameBytes];
};
static_assert(sizeof(InstanceNamesBlock) == InstanceNamesBlock::kSize);
static_assert(offsetof(InstanceNamesBlock, unused12) == 12 && offsetof(InstanceNamesBlock, names) == 16);

// The size a record of a fixed-size type must carry; 0 for the variable spectrum record and for
// unknown types.
constexpr std::uint32_t fixedMessageSize(std::uint32_t type) {
    switch (type) {
        case kMsgMapQuery:
        case kMsgMapPost: return InstanceMapBlock::kSize;
        case kMsgRenumber: return RenumberMessage::kSize;
        case kMsgBandLevels: return 272;
        case kMsgSettingsPost:
        case kMsgSettingsQuery: return GlobalSettingsBlock::kSize;
        case kMsgNames: return InstanceNamesBlock::kSize;
        default: return 0;
    }
}

}  // namespace qv
