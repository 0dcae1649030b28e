// Placeholder entry until the adapter lands.
#include "host/vst_abi.h"
extern "C" __attribute__((visibility("default"))) vst::AEffect* VSTPluginMain(vst::audioMasterCallback) { return nullptr; }
