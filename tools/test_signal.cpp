#include "tools/test_signal.h"

#include "tools/programme_signal.h"

StereoAudio generateTestSignal(double seconds, int sampleRate) {
    StereoAudio audio;
    audio.sampleRate = sampleRate;
    const auto frames = static_cast<std::size_t>(seconds * sampleRate);
    audio.left.resize(frames);
    audio.right.resize(frames);
    programme::render(0, frames, sampleRate, audio.left.data(), audio.right.data());
    return audio;
}
