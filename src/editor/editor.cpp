#include "editor/editor.h"

#include <bit>
#include <cstring>

#include "framework/editor_host.h"
#include "framework/plugin_base.h"

namespace qv {

CEditor::CEditor(std::uint64_t id, std::int32_t w, std::int32_t h, IEditorHost* editorHost, CPluginBase* pluginCore,
                 void* module)
    : host(editorHost), windowId(id), moduleHandle(module), core(pluginCore), width(w), height(h) {
    std::int32_t dw = -1, dh = -1;
    getDefaultSize(dw, dh);
    if (dw >= 1 && dh >= 1) {
        width = dw;
        height = dh;
    }
    parameterCount = core ? core->getNumParams() : 0;
}

CEditor::~CEditor() { close(); }

void CEditor::getRect(CRect& rect) const { rect = CRect{0, 0, width, height}; }

bool CEditor::open(void*, std::int32_t w, std::int32_t h) {
    if (w >= 1 && h >= 1) {
        width = w;
        height = h;
    }
    // The editor window arrives with the GUI layer; until then there is nothing to show.
    opened = false;
    return false;
}

void CEditor::close() {
    if (!opened) return;
    onClosing();
    opened = false;
}

float CEditor::getTimerPeriod() const { return 100.0f; }

void CEditor::getDefaultSize(std::int32_t& w, std::int32_t& h) const {
    if (core) {
        core->getEditorSize(w, h);
    } else {
        w = h = -1;
    }
}

void CEditor::setParameterAutomated(std::int32_t index, float value) {
    if (host) host->automateIfAllowed(index, value);
    if (core) core->setParameter(static_cast<std::uint32_t>(index), value, 0, false, true);
}

float CEditor::getParameter(std::int32_t index) const { return host ? host->getParameter(index) : 0.0f; }

void CEditor::receiveData(const void* request) {
    if (!request) return;
    std::uint32_t words[4];
    std::memcpy(words, request, sizeof(std::uint32_t) * 2);
    if (words[0] != 16 || words[1] != 4) return;
    std::memcpy(words, request, sizeof(words));
    setParameter(static_cast<std::int32_t>(words[2]), std::bit_cast<float>(words[3]));
}

bool CEditor::getData(void* request) { return request && core ? core->getData(request) : false; }
bool CEditor::putData(void* request) { return request && core ? core->putData(request) : false; }

void CEditor::beginEdit(std::int32_t index) {
    if (host && core && index >= 0 && static_cast<std::uint32_t>(index) < parameterCount &&
        (core->getParameterFlags(static_cast<std::uint32_t>(index)) & 2u)) {
        host->beginEdit(index);
    }
}

void CEditor::endEdit(std::int32_t index) {
    if (host && core && index >= 0 && static_cast<std::uint32_t>(index) < parameterCount &&
        (core->getParameterFlags(static_cast<std::uint32_t>(index)) & 2u)) {
        host->endEdit(index);
    }
}

}  // namespace qv
