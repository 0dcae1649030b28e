// The host-facing adapter: one per instance. Gives the instance its identity and forwards every
// host request to the plug-in core; implements what the editor asks of the host.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/editor_host.h"
#include "framework/plugin_base.h"
#include "host/audio_effect_x.h"
#include "qv_version.h"

namespace qv {

class CPluginBase;
class CEditor;

class PluginVST : public AudioEffectX, public IEditorHost {
public:
    static constexpr std::int32_t kEditorWidth = 752;
    static constexpr std::int32_t kEditorHeight = 563;

    // Reports and throws 0 when the instance cannot be built (the core dies with it).
    PluginVST(vst::audioMasterCallback audioMaster, std::unique_ptr<CPluginBase> core, std::int32_t numPrograms,
              std::int32_t numParams);
    ~PluginVST() override;

    // Every host call, then the core's pending messages where the call leaves no lock held.
    vst::VstIntPtr dispatcher(std::int32_t opcode, std::int32_t index, vst::VstIntPtr value, void* ptr,
                              float opt) override;
    void suspend() override;
    void resume() override;
    void setSampleRate(float rate) override;
    void setBlockSize(std::int32_t frames) override;
    void processReplacing(float** inputs, float** outputs, std::int32_t frames) override;
    void processDoubleReplacing(double** inputs, double** outputs, std::int32_t frames) override;
    void setParameter(std::int32_t index, float value) override;
    float getParameter(std::int32_t index) override;
    void getParameterDisplay(std::int32_t index, char* text) override;
    void getParameterName(std::int32_t index, char* text) override;
    void getParameterLabel(std::int32_t index, char* text) override;
    std::int32_t getProgram() override;
    void setProgram(std::int32_t program) override;
    void setProgramName(const char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(std::int32_t category, std::int32_t index, char* text) override;
    std::int32_t beginSetProgram() override { return 0; }
    std::int32_t endSetProgram() override { return 0; }
    std::int32_t getChunk(void** data, bool isPreset) override;
    std::int32_t setChunk(void* data, std::int32_t size, bool isPreset) override;
    bool setBypass(bool on) override;
    std::int32_t processEvents(vst::VstEvents* events) override;
    std::int32_t canDo(const char* text) override;
    bool getEffectName(char* text) override;
    bool getProductString(char* text) override;
    bool getVendorString(char* text) override;
    // The product version as major * 1000 + minor * 100 + patch: 2.4.0 is 2400.
    std::int32_t getVendorVersion() override {
        return QV_VERSION_MAJOR * 1000 + QV_VERSION_MINOR * 100 + QV_VERSION_PATCH;
    }
    std::int32_t getVstVersion() override { return 2400; }
    std::int32_t getPlugCategory() override;
    std::int32_t getGetTailSize() override { return 0; }

    // What the editor asks of the host.
    void automateIfAllowed(std::int32_t index, float value) override;
    bool beginEdit(std::int32_t index) override { return AudioEffectX::beginEdit(index); }
    bool endEdit(std::int32_t index) override { return AudioEffectX::endEdit(index); }
    bool sizeWindow(std::int32_t width, std::int32_t height) override { return AudioEffectX::sizeWindow(width, height); }
    bool hostCanResize() override;
    void sendAutomation(std::int32_t index, float value);
    void setParameterFromEditor(std::int32_t index, float value);

    CEditor* getEditorView() const { return editorView; }
    CPluginBase* getCore() const { return core.get(); }

private:
    void constructRest();
    // "<product>_<in>in_<out>out", the name the host shows.
    void formatName(char* text, std::size_t hostSize) const;

    std::unique_ptr<CPluginBase> core;
    CEditor* editorView = nullptr;  // owned by the editor bridge
    std::uint8_t numInputs = 0;
    std::uint8_t numOutputs = 0;
    bool canBypass = false;
    bool receivesEvents = false;
    bool reservedFlag = false;
    std::unique_ptr<MidiEventRecord[]> eventScratch;  // one host event list, converted
};

}  // namespace qv
