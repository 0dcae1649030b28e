#include "framework/error_report.h"

#include <atomic>
#include <cmath>

#include "platform/message_box.h"

namespace qv {
namespace {

std::atomic<MessageSink> g_sink{nullptr};

const char* errorText(int code) {
    static const char* const texts[] = {
        "Not enough memory.",
        "Invalid memory deallocation.",
        "Null pointer problem.",
        "No audio buffer allocated.",
        "The bundled dynamic library is missing.",
        "Unable to initialize this instance.",
    };
    return code >= 0 && code <= 5 ? texts[code] : "";
}

}  // namespace

MessageSink setMessageSink(MessageSink sink) { return g_sink.exchange(sink); }

void showMessage(const char* title, const char* text) {
    const char* t = title ? title : "";
    const char* m = text ? text : "";
    if (MessageSink sink = g_sink.load()) {
        sink(t, m);
    } else {
        platform::showMessageBox(t, m);
    }
}

std::string formatErrorMessage(int code, const char* detail) {
    std::string message = errorText(code);
    message += ' ';
    message += detail ? detail : "";
    message += " - Please contact Nolvatek technical support.";
    return message;
}

void reportError(int code, const char* title, const char* detail) {
    showMessage(title, formatErrorMessage(code, detail).c_str());
}

void hsvToRgb(float& red, float& green, float& blue, float hue, float saturation, float value) {
    if (saturation == 0.0f) {
        red = green = blue = value;
        return;
    }
    const float h = hue / 60.0f;
    const float i = std::floor(h);
    const float f = h - i;
    const float p = value * (1.0f - saturation);
    const float q = value * (1.0f - saturation * f);
    const float t = value * (1.0f - saturation * (1.0f - f));
    switch (static_cast<int>(i)) {
        case 0: red = value; green = t; blue = p; break;
        case 1: red = q; green = value; blue = p; break;
        case 2: red = p; green = value; blue = t; break;
        case 3: red = p; green = q; blue = value; break;
        case 4: red = t; green = p; blue = value; break;
        default: red = value; green = p; blue = q; break;
    }
}

}  // namespace qv
