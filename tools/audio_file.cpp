#include "tools/audio_file.h"

#include <sndfile.h>

#include <algorithm>

namespace {

// About 35 minutes of stereo at 48 kHz; longer input is refused rather than risking memory.
constexpr sf_count_t kMaxFrames = 100'000'000;
constexpr sf_count_t kChunkFrames = 65536;

void appendFrames(StereoAudio& audio, const std::vector<float>& interleaved, sf_count_t frames,
                  int channels) {
    for (sf_count_t i = 0; i < frames; ++i) {
        const float left = interleaved[static_cast<std::size_t>(i * channels)];
        audio.left.push_back(left);
        audio.right.push_back(
            channels == 2 ? interleaved[static_cast<std::size_t>(i * channels + 1)] : left);
    }
}

bool readFrames(SNDFILE* file, int channels, StereoAudio& audio, std::string& error) {
    std::vector<float> chunk(static_cast<std::size_t>(kChunkFrames * channels));
    sf_count_t got = 0;
    while ((got = sf_readf_float(file, chunk.data(), kChunkFrames)) > 0) {
        if (static_cast<sf_count_t>(audio.frames()) + got > kMaxFrames) {
            error = "input is too long";
            return false;
        }
        appendFrames(audio, chunk, got, channels);
    }
    if (sf_error(file) != SF_ERR_NO_ERROR) {
        error = std::string("read error: ") + sf_strerror(file);
        return false;
    }
    return true;
}

int outputFormat(int format, int sampleRate) {
    SF_INFO probe = {};
    probe.samplerate = sampleRate;
    probe.channels = 2;
    probe.format = format;
    return format != 0 && sf_format_check(&probe) ? format : (SF_FORMAT_WAV | SF_FORMAT_FLOAT);
}

} // namespace

bool readAudioFile(const std::string& path, StereoAudio& audio, std::string& error) {
    SF_INFO info = {};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        error = "cannot read " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    bool ok = false;
    if (info.channels < 1 || info.channels > 2) {
        error = path + " has " + std::to_string(info.channels) + " channels; mono or stereo only";
    } else if (info.samplerate < 1000 || info.samplerate > 768000) {
        error = path + " has an unusable sample rate of " + std::to_string(info.samplerate);
    } else {
        audio.sampleRate = info.samplerate;
        audio.sourceChannels = info.channels;
        audio.format = info.format;
        ok = readFrames(file, info.channels, audio, error);
    }
    sf_close(file);
    if (ok && audio.frames() == 0) {
        error = path + " contains no audio";
        ok = false;
    }
    return ok;
}

bool writeAudioFile(const std::string& path, const StereoAudio& audio, int format,
                    std::string& error) {
    SF_INFO info = {};
    info.samplerate = audio.sampleRate;
    info.channels = 2;
    info.format = outputFormat(format, audio.sampleRate);
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        error = "cannot write " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    // Without this libsndfile wraps out-of-range floats around in integer formats.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    std::vector<float> interleaved(audio.frames() * 2);
    for (std::size_t i = 0; i < audio.frames(); ++i) {
        interleaved[2 * i] = audio.left[i];
        interleaved[2 * i + 1] = audio.right[i];
    }
    const sf_count_t frames = static_cast<sf_count_t>(audio.frames());
    const bool ok = sf_writef_float(file, interleaved.data(), frames) == frames;
    if (!ok) {
        error = "write error on " + path + ": " + sf_strerror(file);
    }
    sf_close(file);
    return ok;
}
