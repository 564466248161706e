#include "bench/peer/signals.h"

#include "tools/programme_signal.h"

#include <cmath>
#include <random>

namespace peer {

namespace {

// Paul Kellet's refined pink filter: seven first-order sections whose sum falls at
// -3 dB per octave within about 0.05 dB across the audio band.
class PinkFilter {
  public:
    double next(double white) {
        b_[0] = 0.99886 * b_[0] + white * 0.0555179;
        b_[1] = 0.99332 * b_[1] + white * 0.0750759;
        b_[2] = 0.96900 * b_[2] + white * 0.1538520;
        b_[3] = 0.86650 * b_[3] + white * 0.3104856;
        b_[4] = 0.55000 * b_[4] + white * 0.5329522;
        b_[5] = -0.7616 * b_[5] - white * 0.0168980;
        const double pink = b_[0] + b_[1] + b_[2] + b_[3] + b_[4] + b_[5] + b_[6] + white * 0.5362;
        b_[6] = white * 0.115926;
        return pink;
    }

  private:
    double b_[7] = {};
};

// mt19937_64's sequence is fixed by the standard; the distributions are not, so the bits
// are turned into [-1, 1) here.
double whiteSample(std::mt19937_64& generator) {
    return static_cast<double>(generator() >> 11) * (2.0 / 9007199254740992.0) - 1.0;
}

std::vector<float> pinkChannel(std::size_t frames, double rmsDbfs, std::uint64_t seed) {
    std::mt19937_64 generator(seed);
    PinkFilter filter;
    // The slowest section needs a few thousand samples to reach its steady level.
    for (int i = 0; i < 48000; ++i) {
        filter.next(whiteSample(generator));
    }
    std::vector<double> pink(frames);
    double energy = 0.0;
    for (double& sample : pink) {
        sample = filter.next(whiteSample(generator));
        energy += sample * sample;
    }
    const double target = std::pow(10.0, rmsDbfs / 20.0);
    const double scale = target / std::sqrt(energy / static_cast<double>(frames));
    std::vector<float> out(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        out[i] = static_cast<float>(pink[i] * scale);
    }
    return out;
}

} // namespace

StereoSignal makePinkNoise(std::size_t frames, double rmsDbfs, std::uint64_t seed) {
    return StereoSignal{"pink", pinkChannel(frames, rmsDbfs, seed),
                        pinkChannel(frames, rmsDbfs, seed + 1)};
}

StereoSignal makeProgramme(std::size_t frames, double sampleRate) {
    StereoSignal signal{"music", std::vector<float>(frames), std::vector<float>(frames)};
    programme::render(0, frames, sampleRate, signal.left.data(), signal.right.data());
    return signal;
}

double rmsDbfs(const std::vector<float>& samples) {
    double energy = 0.0;
    for (float s : samples) {
        energy += static_cast<double>(s) * s;
    }
    const double mean = energy / static_cast<double>(samples.empty() ? 1 : samples.size());
    return 10.0 * std::log10(mean + 1e-30);
}

} // namespace peer
