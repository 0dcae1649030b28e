// WAV files through libsndfile. Reading accepts any format libsndfile reads and gives floats;
// writing stores 32-bit float samples, so audio that went in comes out with the same bits, and
// the same audio always gives the same file.
#pragma once

#include <string>

#include "vsthost/audio_buffer.h"

namespace qv::vsthost {

bool readWav(const std::string& path, AudioBuffer* audio, double* sampleRate, std::string* error);
bool writeWav(const std::string& path, const AudioBuffer& audio, double sampleRate, std::string* error);

}  // namespace qv::vsthost
