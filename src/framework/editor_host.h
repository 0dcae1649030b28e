// What the editor asks of the host adapter: automation, edit gestures, window size and values.
// The adapter implements it, so the editor needs no knowledge of the host protocol.
#pragma once

#include <cstdint>

namespace qv {

class IEditorHost {
public:
    virtual ~IEditorHost() = default;
    // Sends automation when the core allows it for index (never for a setting identifier).
    virtual void automateIfAllowed(std::int32_t index, float value) = 0;
    virtual bool beginEdit(std::int32_t index) = 0;
    virtual bool endEdit(std::int32_t index) = 0;
    virtual bool sizeWindow(std::int32_t width, std::int32_t height) = 0;
    virtual bool hostCanResize() = 0;
    virtual float getParameter(std::int32_t index) = 0;
};

}  // namespace qv
