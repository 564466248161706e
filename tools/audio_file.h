// Stereo audio in memory, and reading and writing it with libsndfile.
#pragma once

#include <string>
#include <vector>

struct StereoAudio {
    int sampleRate = 48000;
    int sourceChannels = 2; // 1 when a mono file was duplicated to both channels
    int format = 0;         // libsndfile format of the source file, 0 for generated audio
    std::vector<float> left;
    std::vector<float> right;

    std::size_t frames() const { return left.size(); }
};

// Reads a mono or stereo WAV, AIFF, FLAC (anything libsndfile knows).
bool readAudioFile(const std::string& path, StereoAudio& audio, std::string& error);

// Writes both channels in `format`, or as 32-bit float WAV when format is 0 or cannot hold
// two channels. Samples beyond full scale are clipped for integer formats.
bool writeAudioFile(const std::string& path, const StereoAudio& audio, int format,
                    std::string& error);
