// The audio thread never waits for an editing thread, an edit reaches the audio at the
// next block once the lock is free, and effClose waits for calls already inside. Each
// case waits for the event it needs (with a generous deadline), never for a fixed time.
#include "host/entry.h"
#include "host/plugin_instance.h"
#include "host/record_gate.h"
#include "tools/programme_signal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

namespace {

constexpr int kBlock = 512;
constexpr auto kDeadline = std::chrono::seconds(60);

struct Plugin {
    Plugin() : effect(VSTPluginMain(nullptr)) {
        effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
        effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    }
    ~Plugin() {
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
        releaseRecord(effect);
    }
    PluginInstance& inst() const { return *static_cast<PluginInstance*>(effect->user); }

    // One block of the programme starting at `frame`; answers both output channels.
    std::vector<float> block(long frame) const {
        std::vector<float> in(2 * kBlock), out(2 * kBlock);
        programme::render(static_cast<std::size_t>(frame), kBlock, 48000.0, in.data(),
                          in.data() + kBlock);
        float* inputs[2] = {in.data(), in.data() + kBlock};
        float* outputs[2] = {out.data(), out.data() + kBlock};
        effect->processReplacing(effect, inputs, outputs, kBlock);
        return out;
    }

    AEffect* effect;
};

// The editor's kind of edit: change a band under the lock and redesign.
void boostBand(PluginInstance& inst) {
    inst.engine.edit.bands[4].gain = 9.0;
    rebuildFilters(inst.engine.edit);
}

// While an editing thread holds the lock, blocks complete with the settings the audio
// already has (identical to a twin that never saw the edit); the block after the lock is
// released sounds the edit (identical to a twin that got it before that block).
TEST(AudioHandoff, BlocksNeverWaitForAnEditAndHearItNextBlock) {
    Plugin edited, twin;
    // Without coupling the designed gains do not follow the spectrum, so the two copies of
    // the same edit, made a few blocks apart, design identical filters.
    for (const Plugin* p : {&edited, &twin}) {
        p->effect->setParameter(p->effect, ParamCoupling, 0.0f);
    }
    long frame = 0;
    for (; frame < 40 * kBlock; frame += kBlock) {
        ASSERT_EQ(edited.block(frame), twin.block(frame));
    }
    {
        std::unique_lock<std::mutex> held(edited.inst().engine.lock);
        boostBand(edited.inst());
        for (int i = 0; i < 3; ++i, frame += kBlock) {
            auto audio = std::async(std::launch::async, [&] { return edited.block(frame); });
            const bool done = audio.wait_for(kDeadline) == std::future_status::ready;
            if (!done) {
                held.unlock(); // let a waiting callback finish so the test can end
            }
            ASSERT_TRUE(done) << "the audio callback waited for the editing thread";
            EXPECT_EQ(audio.get(), twin.block(frame)) << "block " << i << " under the lock";
        }
    }
    {
        std::lock_guard<std::mutex> held(twin.inst().engine.lock);
        boostBand(twin.inst());
    }
    const std::vector<float> heard = edited.block(frame);
    EXPECT_EQ(heard, twin.block(frame));
    // The editor draws what the audio uses: the published coefficients are the audio's.
    std::lock_guard<std::mutex> held(edited.inst().engine.lock);
    for (std::size_t i = 0; i < edited.inst().engine.edit.filters.size(); ++i) {
        const BiquadCoefficients& shown = edited.inst().engine.edit.filters[i].coeffs;
        const BiquadCoefficients& used = edited.inst().engine.audio.filters[i].coeffs;
        EXPECT_TRUE(shown.b0 == used.b0 && shown.a1 == used.a1 && shown.a2 == used.a2) << i;
    }
}

// A call that is inside the instance (here a parameter change blocked on the lock this
// thread holds) keeps effClose from deleting the instance under it; under the thread
// sanitizer a deletion during the call would be reported.
TEST(AudioHandoff, CloseWaitsForTheCallsInside) {
    AEffect* effect = VSTPluginMain(nullptr);
    ASSERT_NE(effect, nullptr);
    auto* inst = static_cast<PluginInstance*>(effect->user);
    HostRecord& record = hostRecord(*effect);
    std::atomic<bool> closed{false};
    std::thread close;
    {
        std::unique_lock<std::mutex> held(inst->engine.lock);
        std::thread automation([&] { effect->setParameter(effect, 0, 0.25f); });
        const auto deadline = std::chrono::steady_clock::now() + kDeadline;
        while (record.callsInside.load() == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        EXPECT_EQ(record.callsInside.load(), 1) << "the parameter call never arrived";
        close = std::thread([&] {
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
            closed.store(true);
        });
        while (std::atomic_ref<void*>(effect->user).load() != nullptr &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        // Unlinked, but the parameter call is still inside: the instance must still live.
        EXPECT_FALSE(closed.load());
        EXPECT_EQ(inst->effect, effect);
        held.unlock();
        automation.join();
    }
    close.join();
    EXPECT_TRUE(closed.load());
    EXPECT_EQ(record.callsInside.load(), 0);
    EXPECT_EQ(effect->getParameter(effect, 0), 0.0f); // closed: the slots answer nothing
    releaseRecord(effect);
}

} // namespace
