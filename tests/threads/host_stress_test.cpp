// The audio callback running against host and editor edits on another thread. Under
// ThreadSanitizer any unguarded access to the shared instance is reported and fails the run.
#include "host/entry.h"
#include "host/plugin_instance.h"
#include "host/process_state.h"
#include "platform/headless_backend.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace {

constexpr int kBlock = 256;
constexpr float kTwoPi = 6.2831853f;

// A few partials with a decaying envelope and a little noise, re-struck every 4096 samples,
// so the detector, modulation and analyser all have something to follow.
void musicBlock(std::vector<float>& left, std::vector<float>& right, long& t, unsigned& noise) {
    for (int i = 0; i < kBlock; ++i, ++t) {
        const float s = static_cast<float>(t) / 48000.0f;
        const float envelope = std::exp(-static_cast<float>(t % 4096) / 1500.0f);
        noise = noise * 1664525u + 1013904223u;
        const float hiss = (static_cast<float>(noise >> 9) / 8388608.0f - 1.0f) * 0.02f;
        const float tone = 0.3f * std::sin(kTwoPi * 110.0f * s) +
                           0.2f * std::sin(kTwoPi * 440.0f * s) +
                           0.1f * std::sin(kTwoPi * 2900.0f * s);
        left[i] = envelope * tone + hiss;
        right[i] = envelope * 0.8f * tone - hiss;
    }
}

// What the host's UI thread and the editor do meanwhile: automation, rate changes, band
// edits, and reading the meters and parameters for display.
void editLoop(AEffect* effect, std::atomic<bool>& stop, std::atomic<float>& seen,
              std::atomic<int>& edits) {
    auto& inst = *static_cast<PluginInstance*>(effect->user);
    const float rates[] = {44100.0f, 48000.0f, 96000.0f, 22050.0f};
    for (int i = 0; !stop.load(); ++i) {
        effect->setParameter(effect, i % 5, static_cast<float>(i % 11) / 10.0f);
        seen.store(inst.engine.peakL.load(std::memory_order_relaxed) +
                   effect->getParameter(effect, 0));
        if (i % 7 == 0) {
            effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, rates[i % 4]);
        }
        if (i % 3 == 0) {
            // Editor-style band edit: change the list under the lock, redesign, release.
            std::lock_guard<std::mutex> guard(inst.engine.lock);
            if (inst.engine.edit.bands.size() < 20 && i % 2 == 0) {
                inst.engine.edit.bands.push_back(
                    inst.engine.edit.bands[static_cast<std::size_t>(i) % 7]);
            } else if (inst.engine.edit.bands.size() > 1) {
                inst.engine.edit.bands.pop_back();
            }
            rebuildFilters(inst.engine.edit);
        }
        edits.fetch_add(1);
        std::this_thread::yield();
    }
}

TEST(HostStress, AudioCallbackAgainstParameterRateAndBandEdits) {
    AEffect* effect = VSTPluginMain(nullptr);
    ASSERT_NE(effect, nullptr);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    std::atomic<bool> stop{false};
    std::atomic<float> seen{0.0f};
    std::atomic<int> edits{0};
    std::thread editor(editLoop, effect, std::ref(stop), std::ref(seen), std::ref(edits));

    std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    long t = 0;
    unsigned noise = 1;
    bool finite = true;
    // Process until the editing thread has had real overlap: at least kMinBlocks, and on
    // until kMinEdits edits have landed while this thread was processing. How many edits
    // fit into a number of blocks depends on the scheduler, and a loaded machine must not
    // turn that into a failure. The deadline only stops a wait for a thread that never runs.
    constexpr int kMinBlocks = 1500;
    constexpr int kMinEdits = 200;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    const int editsBefore = edits.load();
    for (int block = 0; block < kMinBlocks || (edits.load() - editsBefore < kMinEdits &&
                                               std::chrono::steady_clock::now() < deadline);
         ++block) {
        musicBlock(inL, inR, t, noise);
        float* in[2] = {inL.data(), inR.data()};
        float* out[2] = {outL.data(), outR.data()};
        effect->processReplacing(effect, in, out, kBlock);
        for (int i = 0; i < kBlock; ++i) {
            finite = finite && std::isfinite(outL[i]) && std::isfinite(outR[i]);
        }
    }
    const int editsWhileProcessing = edits.load() - editsBefore;
    stop.store(true);
    editor.join();
    EXPECT_GE(editsWhileProcessing, kMinEdits) << "the editing thread never got to run";
    EXPECT_TRUE(finite);
    EXPECT_TRUE(std::isfinite(seen.load()));
    auto& inst = *static_cast<PluginInstance*>(effect->user);
    EXPECT_TRUE(std::isfinite(inst.engine.peakL.load()));
    EXPECT_GT(inst.engine.peakL.load(), 0.0f);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    releaseRecord(effect);
}

// Hosts create and close instances on more than one thread; the instance count and the
// GDI+ session must come out balanced.
TEST(HostStress, InstancesCreatedAndClosedOnTwoThreads) {
    headlessEnable(true);
    headlessReset();
    auto churn = [] {
        for (int i = 0; i < 40; ++i) {
            AEffect* effect = VSTPluginMain(nullptr);
            ASSERT_NE(effect, nullptr);
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
            releaseRecord(effect);
        }
    };
    std::thread other(churn);
    churn();
    other.join();
    EXPECT_EQ(liveInstanceCount(), 0);
    EXPECT_EQ(currentGraphicsToken(), 0u);
    EXPECT_GE(headlessCount("startGraphicsSession"), 1);
    EXPECT_EQ(headlessCount("startGraphicsSession"), headlessCount("shutdownGraphicsSession"));
    headlessReset();
    headlessEnable(false);
}

} // namespace
