// The audio a host plays through the plug-in while its editor is open: the music-like
// programme (for the picture) and a sine of adjustable frequency (for judging band edits
// by their sound). Every wait counts processed blocks, never time, so it does not matter
// how fast or how regularly the audio thread gets to run.
#pragma once

#include "host/vst_abi.h"

#include <atomic>
#include <cstdint>
#include <thread>

class EditorPump;

// Runs the programme's first `frames` through the plug-in on the calling thread: the
// analyser and the meters get the same music on every run, however busy the machine is.
void feedProgramme(AEffect* effect, std::uint64_t frames);

// Plays the programme on from `firstFrame` in real time on its own thread, the way a
// host's audio thread does.
class ProgrammeFeed {
  public:
    ProgrammeFeed(AEffect* effect, std::uint64_t firstFrame);
    ~ProgrammeFeed();
    ProgrammeFeed(const ProgrammeFeed&) = delete;
    ProgrammeFeed& operator=(const ProgrammeFeed&) = delete;
    long blocks() const { return blocks_.load(); }

  private:
    void loop(std::uint64_t firstFrame);

    AEffect* effect_;
    std::atomic<long> blocks_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A sine through the plug-in block after block, faster than real time, with the RMS of
// each output block published for the UI thread.
class ToneFeed {
  public:
    explicit ToneFeed(AEffect* effect);
    ~ToneFeed();
    ToneFeed(const ToneFeed&) = delete;
    ToneFeed& operator=(const ToneFeed&) = delete;

    void setFrequency(float hz) { hz_.store(hz); }
    long blocks() const { return blocks_.load(); }
    // The last block's level relative to the input, in dB.
    double lastBlockDb() const;
    double lastBlockRms() const { return lastRms_.load(); }

    // UI thread only: a wait for blocks ran out. Later waits then return at once, so the
    // run still ends with its tally before the test runner's timeout.
    bool stalled = false;

  private:
    void loop();

    AEffect* effect_;
    std::atomic<float> hz_{1000.0f};
    std::atomic<float> lastRms_{0.0f};
    std::atomic<long> blocks_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

constexpr float kToneAmplitude = 0.02f; // far below the output limiter's bend

// Waits for `n` more tone blocks while the editor is idled; false past the deadline (a
// failed check, once) or when the feed had stalled before.
bool waitToneBlocks(ToneFeed& feed, EditorPump& pump, long n);
// Level of the tone at `hz` after the plug-in, in dB relative to the input, once the
// filters and the programme detector have settled on it (60 blocks, then 8 averaged).
// Printed, so a near miss can be judged from the log.
double levelDb(ToneFeed& feed, EditorPump& pump, float hz);
