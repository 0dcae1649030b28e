// A minimal in-process host for the adapter tests: answers the callback like a 2.4 host and
// counts the calls the effect makes.
#pragma once

#include <cstdint>
#include <vector>

#include "host/vst_abi.h"

namespace qvtest {

struct TestHost {
    static inline std::vector<std::int32_t> calls;

    static std::intptr_t callback(vst::AEffect*, std::int32_t opcode, std::int32_t, std::intptr_t, void*, float) {
        calls.push_back(opcode);
        return opcode == vst::audioMasterVersion ? 2400 : 0;
    }
    static int count(std::int32_t opcode) {
        int n = 0;
        for (std::int32_t c : calls) n += c == opcode;
        return n;
    }
    static void clear() { calls.clear(); }
};

}  // namespace qvtest
