// Which records may travel between instances: the type and size checks made before a record is
// handed to another instance and again when it arrives.
#pragma once

#include <cstdint>

#include "core/instance_messages.h"

namespace qv {

// Records of every type are read through their first three fields; these read and write them
// without assuming which record type lies behind the pointer.
InstanceMessage messageHeader(const void* record);
void setMessageTarget(void* record, std::uint32_t target);

// Spectrum record (type 8): its size is 52 + 4 x count, with count at offset 24 and at most the
// bins of the largest transform.
bool isValidSpectrumMessage(const void* record);
// Types 2, 3, 4, 5, 8 and 32, each with its size.
bool isValidPost(const void* record);
// Types 1, 6 and 32, each with its size.
bool isValidQuery(const void* record);

}  // namespace qv
