#include "tests/x11/audio_feeds.h"

#include "tests/x11/editor_pump.h"
#include "tests/x11/x11_plugin.h"
#include "tools/programme_signal.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr double kTwoPi = 6.283185307179586;

// One block of the programme from `frame` on through the plug-in, as a host calls it.
struct ProgrammeBlock {
    std::vector<float> inL = std::vector<float>(kBlock), inR = std::vector<float>(kBlock);
    std::vector<float> outL = std::vector<float>(kBlock), outR = std::vector<float>(kBlock);

    void process(AEffect* effect, std::uint64_t frame) {
        programme::render(frame, kBlock, kSampleRate, inL.data(), inR.data());
        float* inputs[2] = {inL.data(), inR.data()};
        float* outputs[2] = {outL.data(), outR.data()};
        effect->processReplacing(effect, inputs, outputs, kBlock);
    }
};

} // namespace

void feedProgramme(AEffect* effect, std::uint64_t frames) {
    ProgrammeBlock block;
    for (std::uint64_t frame = 0; frame < frames; frame += kBlock) {
        block.process(effect, frame);
    }
}

ProgrammeFeed::ProgrammeFeed(AEffect* effect, std::uint64_t firstFrame)
    : effect_(effect), thread_([this, firstFrame] { loop(firstFrame); }) {}

ProgrammeFeed::~ProgrammeFeed() {
    stop_.store(true);
    thread_.join();
}

void ProgrammeFeed::loop(std::uint64_t frame) {
    ProgrammeBlock block;
    const auto period =
        std::chrono::microseconds(1000000LL * kBlock / static_cast<long long>(kSampleRate));
    auto next = std::chrono::steady_clock::now();
    while (!stop_.load()) {
        block.process(effect_, frame);
        frame += kBlock;
        blocks_.fetch_add(1);
        next += period;
        std::this_thread::sleep_until(next);
    }
}

ToneFeed::ToneFeed(AEffect* effect) : effect_(effect), thread_([this] { loop(); }) {}

ToneFeed::~ToneFeed() {
    stop_.store(true);
    thread_.join();
}

double ToneFeed::lastBlockDb() const {
    const double inputRms = kToneAmplitude / std::sqrt(2.0);
    return 20.0 * std::log10(static_cast<double>(lastRms_.load()) / inputRms + 1e-30);
}

void ToneFeed::loop() {
    std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    float* inputs[2] = {inL.data(), inR.data()};
    float* outputs[2] = {outL.data(), outR.data()};
    double phase = 0.0;
    while (!stop_.load()) {
        const double step = kTwoPi * hz_.load() / kSampleRate;
        for (int i = 0; i < kBlock; ++i, phase += step) {
            inL[i] = inR[i] = kToneAmplitude * static_cast<float>(std::sin(phase));
        }
        phase = std::fmod(phase, kTwoPi);
        effect_->processReplacing(effect_, inputs, outputs, kBlock);
        double sum = 0.0;
        for (float v : outL) {
            sum += static_cast<double>(v) * v;
        }
        lastRms_.store(static_cast<float>(std::sqrt(sum / kBlock)));
        blocks_.fetch_add(1);
        // Faster than real time, but never a busy loop on the shared machine. Only the
        // pace depends on this pause; the checks wait for blocks, however long they take.
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
}

bool waitToneBlocks(ToneFeed& feed, EditorPump& pump, long n) {
    if (feed.stalled) {
        return false;
    }
    const long target = feed.blocks() + n;
    feed.stalled = !pump.until([&] { return feed.blocks() >= target; });
    if (feed.stalled) {
        xcheck::check(false, "audio thread processes blocks (none for a minute)");
    }
    return !feed.stalled;
}

double levelDb(ToneFeed& feed, EditorPump& pump, float hz) {
    feed.setFrequency(hz);
    waitToneBlocks(feed, pump, 60);
    double sum = 0.0;
    for (int i = 0; i < 8; ++i) {
        waitToneBlocks(feed, pump, 1);
        sum += feed.lastBlockRms();
    }
    const double inputRms = kToneAmplitude / std::sqrt(2.0);
    const double level = 20.0 * std::log10(sum / 8.0 / inputRms);
    std::printf("level at %.0f Hz: %+.2f dB\n", static_cast<double>(hz), level);
    return level;
}
