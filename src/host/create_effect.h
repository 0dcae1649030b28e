// Builds one instance for a host: checks the host, reads the channel configuration from the
// library's file name, creates the core and the adapter and returns the adapter's AEffect.
#pragma once

#include "host/vst_abi.h"

namespace qv {
// Never throws; null when the host gives no version or the instance cannot be built.
vst::AEffect* createEffectInstance(vst::audioMasterCallback audioMaster);
}

// Exported names of the entry point, unmangled.
#if defined(_WIN32)
#define QV_EXPORT extern "C" __declspec(dllexport)
#else
#define QV_EXPORT extern "C" __attribute__((visibility("default")))
#endif
