// Third-octave band levels of rendered WAV files, for comparing renders made by a host
// whose exports can't be compared sample by sample: the plug-in's band gains follow the
// programme and its modulation starts from whatever the host ran through it before the
// export, so two renders of the same session differ in their samples while their spectra
// agree closely.
//
//     third_octave levels FILE
//         prints the level of every band (25 Hz .. 16 kHz) of each channel
//     third_octave compare REFERENCE TEST [--tolerance DB]
//         exit 0 when every band of every channel is within DB (default 0.05) of the
//         reference's, 1 otherwise
//     third_octave differs REFERENCE TEST --at HZ --by DB
//         exit 0 when a band within a third of an octave of HZ differs by DB or more in
//         every channel, 1 otherwise
//     third_octave self-test
//         checks that both comparisons pass and fail where they must, on signals made here
//
// Levels come from a Welch average (Hann window, 65536 points, half overlap) summed over
// each band's bins, in dB relative to a full-scale square wave's power. A band at or below
// -150 dB counts as silent: comparing silence with silence proves nothing, so a silent band
// in either file fails compare and differs.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kFftSize = 65536;
constexpr double kSilentDb = -150.0;
// Base-two third-octave centres 1000 * 2^(k/3), k = -16 (24.8 Hz) .. 12 (16 kHz).
constexpr int kFirstBand = -16;
constexpr int kLastBand = 12;

struct Audio {
    int rate = 0;
    int channels = 0;
    std::vector<std::vector<double>> samples; // one vector per channel
};

struct Spectrum {
    std::vector<double> centres;
    std::vector<std::vector<double>> levels; // [channel][band], dB
};

std::optional<Audio> readWav(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "third_octave: cannot read %s: %s\n", path.c_str(),
                     sf_strerror(nullptr));
        return std::nullopt;
    }
    Audio audio;
    audio.rate = info.samplerate;
    audio.channels = info.channels;
    std::vector<double> interleaved(static_cast<std::size_t>(info.frames) *
                                    static_cast<std::size_t>(info.channels));
    const sf_count_t got = sf_readf_double(file, interleaved.data(), info.frames);
    sf_close(file);
    if (got != info.frames) {
        std::fprintf(stderr, "third_octave: %s: short read\n", path.c_str());
        return std::nullopt;
    }
    audio.samples.assign(static_cast<std::size_t>(info.channels),
                         std::vector<double>(static_cast<std::size_t>(info.frames)));
    for (std::size_t i = 0; i < static_cast<std::size_t>(info.frames); ++i) {
        for (std::size_t c = 0; c < audio.samples.size(); ++c) {
            audio.samples[c][i] = interleaved[i * audio.samples.size() + c];
        }
    }
    return audio;
}

// In-place iterative radix-2 FFT; the size is a power of two.
void fft(std::vector<std::complex<double>>& x) {
    const std::size_t n = x.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(x[i], x[j]);
        }
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2.0 * std::numbers::pi / static_cast<double>(len);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (std::size_t start = 0; start < n; start += len) {
            std::complex<double> w(1.0, 0.0);
            for (std::size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> a = x[start + k];
                const std::complex<double> b = x[start + k + len / 2] * w;
                x[start + k] = a + b;
                x[start + k + len / 2] = a - b;
                w *= step;
            }
        }
    }
}

// Mean power per bin (one-sided), scaled so that the bins of a band add up to the mean
// square of the signal within that band.
std::vector<double> welchPower(const std::vector<double>& signal) {
    std::vector<double> window(kFftSize);
    double windowPower = 0.0;
    for (std::size_t i = 0; i < kFftSize; ++i) {
        window[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) /
                                         static_cast<double>(kFftSize));
        windowPower += window[i] * window[i];
    }
    std::vector<double> power(kFftSize / 2 + 1, 0.0);
    std::vector<std::complex<double>> buffer(kFftSize);
    std::size_t segments = 0;
    for (std::size_t start = 0; start + kFftSize <= signal.size(); start += kFftSize / 2) {
        for (std::size_t i = 0; i < kFftSize; ++i) {
            buffer[i] = {signal[start + i] * window[i], 0.0};
        }
        fft(buffer);
        for (std::size_t k = 0; k < power.size(); ++k) {
            const double scale = (k == 0 || k == kFftSize / 2) ? 1.0 : 2.0;
            power[k] += scale * std::norm(buffer[k]);
        }
        ++segments;
    }
    for (double& p : power) {
        p /= static_cast<double>(segments) * static_cast<double>(kFftSize) * windowPower;
    }
    return power;
}

std::optional<Spectrum> bandLevels(const Audio& audio) {
    if (audio.samples.empty() || audio.samples[0].size() < kFftSize) {
        std::fprintf(stderr, "third_octave: need at least %zu frames\n", kFftSize);
        return std::nullopt;
    }
    Spectrum spectrum;
    for (int k = kFirstBand; k <= kLastBand; ++k) {
        spectrum.centres.push_back(1000.0 * std::exp2(k / 3.0));
    }
    const double binHz = static_cast<double>(audio.rate) / static_cast<double>(kFftSize);
    for (const std::vector<double>& channel : audio.samples) {
        const std::vector<double> power = welchPower(channel);
        std::vector<double> levels;
        for (double centre : spectrum.centres) {
            const double low = centre * std::exp2(-1.0 / 6.0);
            const double high = centre * std::exp2(1.0 / 6.0);
            double sum = 0.0;
            for (std::size_t k = 0; k < power.size(); ++k) {
                const double f = static_cast<double>(k) * binHz;
                if (f >= low && f < high) {
                    sum += power[k];
                }
            }
            levels.push_back(sum > 0.0 ? std::max(10.0 * std::log10(sum), kSilentDb) : kSilentDb);
        }
        spectrum.levels.push_back(std::move(levels));
    }
    return spectrum;
}

std::optional<Spectrum> loadLevels(const std::string& path) {
    const std::optional<Audio> audio = readWav(path);
    if (!audio) {
        return std::nullopt;
    }
    return bandLevels(*audio);
}

void printLevels(const Spectrum& spectrum) {
    for (std::size_t b = 0; b < spectrum.centres.size(); ++b) {
        std::printf("%8.1f Hz", spectrum.centres[b]);
        for (const std::vector<double>& channel : spectrum.levels) {
            std::printf("  %8.3f dB", channel[b]);
        }
        std::printf("\n");
    }
}

bool matchingLayout(const Spectrum& a, const Spectrum& b) {
    if (a.levels.size() != b.levels.size()) {
        std::fprintf(stderr, "third_octave: %zu channels against %zu\n", a.levels.size(),
                     b.levels.size());
        return false;
    }
    return true;
}

bool anySilent(const Spectrum& spectrum, const char* name) {
    for (std::size_t c = 0; c < spectrum.levels.size(); ++c) {
        for (std::size_t b = 0; b < spectrum.centres.size(); ++b) {
            if (spectrum.levels[c][b] <= kSilentDb) {
                std::printf("%s: channel %zu is silent in the %.1f Hz band\n", name, c + 1,
                            spectrum.centres[b]);
                return true;
            }
        }
    }
    return false;
}

// Prints every band's difference (test - reference) and returns the largest magnitude.
double printDifferences(const Spectrum& reference, const Spectrum& test) {
    double worst = 0.0;
    std::printf("    band   difference per channel (test - reference)\n");
    for (std::size_t b = 0; b < reference.centres.size(); ++b) {
        std::printf("%8.1f Hz", reference.centres[b]);
        for (std::size_t c = 0; c < reference.levels.size(); ++c) {
            const double d = test.levels[c][b] - reference.levels[c][b];
            worst = std::max(worst, std::fabs(d));
            std::printf("  %+8.4f dB", d);
        }
        std::printf("\n");
    }
    return worst;
}

bool spectraMatch(const Spectrum& reference, const Spectrum& test, double tolerance) {
    if (!matchingLayout(reference, test)) {
        return false;
    }
    const bool silent = anySilent(reference, "reference") || anySilent(test, "test");
    const double worst = printDifferences(reference, test);
    std::printf("largest band difference: %.4f dB (tolerance %.4f dB)\n", worst, tolerance);
    return !silent && worst <= tolerance;
}

bool spectraDiffer(const Spectrum& reference, const Spectrum& test, double at, double by) {
    if (!matchingLayout(reference, test)) {
        return false;
    }
    const bool silent = anySilent(reference, "reference") || anySilent(test, "test");
    printDifferences(reference, test);
    bool everyChannel = true;
    for (std::size_t c = 0; c < reference.levels.size(); ++c) {
        double largest = 0.0;
        for (std::size_t b = 0; b < reference.centres.size(); ++b) {
            const double distance = std::fabs(std::log2(reference.centres[b] / at));
            if (distance <= 1.0 / 3.0 + 1e-9) {
                largest = std::max(largest, std::fabs(test.levels[c][b] - reference.levels[c][b]));
            }
        }
        std::printf("channel %zu: largest difference within a third of an octave of %.0f Hz: "
                    "%.3f dB (want at least %.3f dB)\n",
                    c + 1, at, largest, by);
        everyChannel = everyChannel && largest >= by;
    }
    return !silent && everyChannel;
}

int compare(const std::string& referencePath, const std::string& testPath, double tolerance) {
    const std::optional<Spectrum> reference = loadLevels(referencePath);
    const std::optional<Spectrum> test = loadLevels(testPath);
    if (!reference || !test || !spectraMatch(*reference, *test, tolerance)) {
        std::printf("FAIL: %s does not match %s\n", testPath.c_str(), referencePath.c_str());
        return 1;
    }
    std::printf("PASS: every band within %.4f dB\n", tolerance);
    return 0;
}

int differs(const std::string& referencePath, const std::string& testPath, double at, double by) {
    const std::optional<Spectrum> reference = loadLevels(referencePath);
    const std::optional<Spectrum> test = loadLevels(testPath);
    if (!reference || !test || !spectraDiffer(*reference, *test, at, by)) {
        std::printf("FAIL: %s is not %.3f dB away from %s around %.0f Hz\n", testPath.c_str(), by,
                    referencePath.c_str(), at);
        return 1;
    }
    std::printf("PASS\n");
    return 0;
}

// Stereo white noise from a fixed seed, gain applied, plus an optional sine: the
// comparisons' own check signals.
Audio checkSignal(double gain, double sineHz, double sineAmplitude) {
    constexpr int kRate = 48000;
    constexpr std::size_t kFrames = 4 * kRate;
    Audio audio;
    audio.rate = kRate;
    audio.channels = 2;
    audio.samples.assign(2, std::vector<double>(kFrames));
    std::uint32_t seed = 12345;
    for (std::size_t i = 0; i < kFrames; ++i) {
        for (std::vector<double>& channel : audio.samples) {
            seed = seed * 1664525u + 1013904223u;
            const double white = static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
            const double sine = sineAmplitude * std::sin(2.0 * std::numbers::pi * sineHz *
                                                         static_cast<double>(i) / kRate);
            channel[i] = gain * 0.25 * white + sine;
        }
    }
    return audio;
}

// The comparisons must be able to fail: each case below states the verdict it must give.
int selfTest() {
    const Spectrum base = *bandLevels(checkSignal(1.0, 0.0, 0.0));
    const Spectrum same = *bandLevels(checkSignal(1.0, 0.0, 0.0));
    const Spectrum louder = *bandLevels(checkSignal(std::pow(10.0, 0.1 / 20.0), 0.0, 0.0));
    const Spectrum tone = *bandLevels(checkSignal(1.0, 2000.0, 0.1));
    const Spectrum silent = *bandLevels(checkSignal(0.0, 0.0, 0.0));
    struct Case {
        const char* name;
        bool verdict;
        bool want;
    };
    const Case cases[] = {
        {"identical signals match within 0.05 dB", spectraMatch(base, same, 0.05), true},
        {"0.1 dB louder does not match within 0.05 dB", spectraMatch(base, louder, 0.05), false},
        {"0.1 dB louder matches within 0.15 dB", spectraMatch(base, louder, 0.15), true},
        {"silence never matches silence", spectraMatch(silent, silent, 0.05), false},
        {"a 2 kHz tone differs by 3 dB at 2 kHz", spectraDiffer(base, tone, 2000.0, 3.0), true},
        {"the tone does not differ by 3 dB at 250 Hz", spectraDiffer(base, tone, 250.0, 3.0),
         false},
        {"identical signals do not differ", spectraDiffer(base, same, 2000.0, 3.0), false},
    };
    bool all = true;
    for (const Case& c : cases) {
        const bool ok = c.verdict == c.want;
        std::printf("%s: %s\n", ok ? "ok  " : "FAIL", c.name);
        all = all && ok;
    }
    std::printf(all ? "PASS: self-test\n" : "FAIL: self-test\n");
    return all ? 0 : 1;
}

std::optional<double> number(const char* text) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

int usage() {
    std::fprintf(stderr, "usage: third_octave levels FILE\n"
                         "       third_octave compare REFERENCE TEST [--tolerance DB]\n"
                         "       third_octave differs REFERENCE TEST --at HZ --by DB\n"
                         "       third_octave self-test\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "self-test") {
        return selfTest();
    }
    if (args.size() == 2 && args[0] == "levels") {
        const std::optional<Spectrum> spectrum = loadLevels(args[1]);
        if (!spectrum) {
            return 1;
        }
        printLevels(*spectrum);
        return 0;
    }
    if (args.size() < 3) {
        return usage();
    }
    std::optional<double> tolerance = 0.05;
    std::optional<double> at;
    std::optional<double> by;
    for (std::size_t i = 3; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) {
            return usage();
        }
        const std::optional<double> value = number(args[i + 1].c_str());
        if (!value || *value < 0.0) {
            return usage();
        }
        if (args[i] == "--tolerance") {
            tolerance = value;
        } else if (args[i] == "--at" && *value > 0.0) {
            at = value;
        } else if (args[i] == "--by") {
            by = value;
        } else {
            return usage();
        }
    }
    if (args[0] == "compare" && !at && !by) {
        return compare(args[1], args[2], *tolerance);
    }
    if (args[0] == "differs" && at && by) {
        return differs(args[1], args[2], *at, *by);
    }
    return usage();
}
