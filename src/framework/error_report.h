// Error reporting of the framework: the error codes, the message they put first, and the sink
// that shows a message (a message box on Windows, standard error elsewhere; tests capture it).
#pragma once

#include <string>

namespace qv {

enum enumErrorType : int {
    kErrNotEnoughMemory = 0,
    kErrInvalidDeallocation = 1,
    kErrNullPointer = 2,
    kErrNoAudioBuffer = 3,
    kErrLibraryMissing = 4,
    kErrCannotInitialize = 5,
};

// Receives every message shown to the user: (title, text).
using MessageSink = void (*)(const char* title, const char* text);

// Replaces the sink; null restores the platform's own. Returns the previous sink.
MessageSink setMessageSink(MessageSink sink);

// Shows a plain message (title, text) through the current sink.
void showMessage(const char* title, const char* text);

// The text of a report: the code's sentence, a blank, the detail and the support sentence.
std::string formatErrorMessage(int code, const char* detail);

// Builds the report of formatErrorMessage and shows it under title. The caller then throws.
void reportError(int code, const char* title, const char* detail);

// Hue in degrees, saturation and value 0..1, to red, green and blue 0..1.
void hsvToRgb(float& red, float& green, float& blue, float hue, float saturation, float value);

}  // namespace qv
