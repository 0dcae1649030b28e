// The library's exported entry points.
#include "host/create_effect.h"

QV_EXPORT vst::AEffect* VSTPluginMain(vst::audioMasterCallback audioMaster) {
    return qv::createEffectInstance(audioMaster);
}

QV_EXPORT vst::AEffect* MAIN(vst::audioMasterCallback audioMaster) { return VSTPluginMain(audioMaster); }

// The oldest hosts look for an export named "main"; C++ reserves the name, so the symbol is
// given its name at assembly level.
QV_EXPORT vst::AEffect* qvMainEntry(vst::audioMasterCallback audioMaster) __asm__("main");
vst::AEffect* qvMainEntry(vst::audioMasterCallback audioMaster) { return VSTPluginMain(audioMaster); }
