#include "host/create_effect.h"

#include <memory>

#include "core/plugin.h"
#include "host/channel_config.h"
#include "host/plugin_vst.h"
#include "platform/module.h"

namespace qv {

vst::AEffect* createEffectInstance(vst::audioMasterCallback audioMaster) {
    try {
        if (!audioMaster || audioMaster(nullptr, vst::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
        const ChannelConfig channels = parseChannelConfig(platform::modulePath(), libraryExtension());
        auto core = std::make_unique<CPlugin>(0, channels.inputs, channels.outputs);
        CPlugin* corePointer = core.get();
        const auto programs = static_cast<std::int32_t>(core->getNumPrograms());
        const auto params = static_cast<std::int32_t>(core->getNumParams());
        auto* adapter = new PluginVST(audioMaster, std::move(core), programs, params);
        corePointer->setHostAdapter(adapter);
        return adapter->getAeffect();
    } catch (...) {
        return nullptr;
    }
}

}  // namespace qv
