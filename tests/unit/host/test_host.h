// A minimal in-process host for the adapter tests: answers the callback like a 2.4 host and
// records the calls the effect makes.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "host/vst_abi.h"

namespace qvtest {

struct HostCall {
    int opcode;
    int index;
    std::intptr_t value;
    float opt;
};

struct TestHost {
    static inline std::vector<HostCall> calls;
    static inline std::intptr_t version = 2400;
    static inline bool canReceiveMidi = false;

    static std::intptr_t callback(vst::AEffect*, std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                  void* ptr, float opt) {
        calls.push_back({opcode, index, value, opt});
        switch (opcode) {
            case vst::audioMasterVersion: return version;
            case vst::audioMasterCanDo:
                return ptr && canReceiveMidi && std::strcmp(static_cast<const char*>(ptr), "receiveVstMidiEvent") == 0 ? 1 : 0;
            default: return 0;
        }
    }
    static int count(int opcode) {
        int n = 0;
        for (const auto& c : calls) n += c.opcode == opcode;
        return n;
    }
    static void clear() {
        calls.clear();
        version = 2400;
        canReceiveMidi = false;
    }
};

inline std::intptr_t dispatch(vst::AEffect* e, int opcode, int index = 0, std::intptr_t value = 0, void* ptr = nullptr,
                              float opt = 0.0f) {
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

inline std::string text(vst::AEffect* e, int opcode, int index = 0) {
    char buffer[256];
    std::memset(buffer, 'x', sizeof(buffer));
    buffer[255] = 0;
    dispatch(e, opcode, index, 0, buffer);
    return buffer;
}

}  // namespace qvtest
