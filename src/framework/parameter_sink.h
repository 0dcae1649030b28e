// Where the core reports applied setting values and records meant for the editor. The editor
// implements it; the host adapter connects the two while both exist.
#pragma once

#include <cstdint>

namespace qv {

class IParameterSink {
public:
    virtual ~IParameterSink() = default;
    virtual void setParameter(std::int32_t index, float value) = 0;
    virtual void receiveData(const void* record) = 0;
};

}  // namespace qv
