// One analyzer instance: passes the host's audio through unchanged and measures it.
#pragma once

#include <cstdint>
#include <memory>

#include "core/state_chunk.h"
#include "framework/plugin_base.h"

namespace qv {

class CPlugin : public CPluginBase {
public:
    static constexpr std::int32_t kMaxChannels = 32;
    static constexpr std::int32_t kEditorWidth = 752;
    static constexpr std::int32_t kEditorHeight = 563;
    static constexpr std::int32_t kCompactWidth = 650;
    static constexpr std::int32_t kCompactHeight = 335;

    // Negative channel counts select the default of 2 inputs and 2 outputs.
    CPlugin(std::intptr_t hostArgument, std::int32_t inputs, std::int32_t outputs);
    ~CPlugin() override;

    void getEditorSize(std::int32_t& width, std::int32_t& height) const override;
    void notifyEditor(std::uint32_t index, float value) override;
    void getProductName(char* buffer, std::size_t capacity) const override;
    std::int32_t getChunk(void** data, bool isPreset) override;
    std::int32_t setChunk(const void* data, std::int32_t size, bool isPreset) override;
    void onReset(bool suspending) override;
    std::int32_t processAudio(void** inputs, void** outputs, std::int32_t numIn, std::int32_t numOut,
                              std::int32_t frames, int precision, std::int32_t flag) override;

    std::uint8_t inputCount() const { return numInputs; }
    std::uint8_t outputCount() const { return numOutputs; }

private:
    std::uint8_t numInputs;
    std::uint8_t numOutputs;
    bool compactLayout = false;
    StateChunk chunk{};
};

// Copies every input to its output; a single input goes to every output, and outputs beyond
// the inputs are silenced, so no host output is ever left unwritten.
template <typename Sample>
void passThrough(Sample* const* inputs, Sample* const* outputs, std::int32_t numIn, std::int32_t numOut, std::int32_t frames);

}  // namespace qv
