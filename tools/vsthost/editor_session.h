// qvhost --editor: opens the plug-in's editor in a frame of the size effEditGetRect gives, pumps
// the frame's events and effEditIdle on this (the GUI) thread while an audio thread feeds the
// effect at real-time pace, resizes the frame when the plug-in asks (audioMasterSizeWindow),
// and can open and close the editor many times and save a screenshot of the frame.
#pragma once

#include <ostream>
#include <string>

#include "vsthost/audio_buffer.h"

namespace qv::vsthost {

class HostedEffect;

struct EditorSessionSettings {
    int cycles = 1;              // how often the editor is opened and closed
    double holdSeconds = -1.0;   // how long each opening lasts; below 0: until the frame is closed
    std::string screenshotFile;  // PNG of the frame, taken during the last opening
    bool destroyFrameFirst = false;  // the frame goes before effEditClose, as some hosts do it
    double sampleRate = 44100.0;
    int blockSize = 512;
};

// Returns the exit status: 0 done, 1 when the editor or the frame could not be opened or the
// screenshot not written. Lines of the report go to report, failures to err.
int runEditorSession(HostedEffect& effect, const AudioBuffer& input, const EditorSessionSettings& settings,
                     std::ostream& report, std::ostream& err);

}  // namespace qv::vsthost
