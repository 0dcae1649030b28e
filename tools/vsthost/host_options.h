// The command line of qvhost.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "vsthost/signal_generator.h"

namespace qv::vsthost {

struct HostOptions {
    std::string pluginPath;
    std::string inputFile;                // --in: a WAV file to process
    std::optional<SignalSettings> signal;     // --signal and its settings
    std::optional<double> sampleRate;     // --rate; default the WAV's rate, else 44100
    int blockSize = 512;                  // --block
    std::optional<int> channels;          // --channels; default the effect's input count
    std::string outputFile;               // --out
    std::string saveInputFile;            // --save-input: the signal as it went in
    bool realTime = false;                // --realtime
    std::string saveChunkFile;            // --save-chunk: the chunk after processing
    std::string loadChunkFile;            // --load-chunk: handed to effSetChunk after opening
    std::string reportFile;               // --report: the report into a file, not standard output
    bool editorRect = false;              // --editor-rect: ask the editor size too
    bool editor = false;                  // --editor: open the editor in a frame window
    int editorCycles = 1;                 // --editor-cycles: open and close it this often
    double editorSeconds = -1.0;          // --editor-seconds: each opening; < 0 until closed
    std::string screenshotFile;           // --screenshot: PNG of the frame
    bool destroyFrameFirst = false;       // --destroy-frame-first
    bool help = false;

    bool processes() const { return !inputFile.empty() || signal.has_value(); }
};

// Parses the arguments after the program name. Returns nothing and a reason in *error for a
// command line that cannot be run.
std::optional<HostOptions> parseHostOptions(const std::vector<std::string>& args, std::string* error);

const char* hostUsage();

}  // namespace qv::vsthost
