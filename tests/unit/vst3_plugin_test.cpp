// The VST 3 object over a real instance: automation cut at sample offsets sounds like the
// VST 2.4 build cut at the same places, activation starts renders from the same point, the
// audio thread never waits for an editor holding the lock, and the editor's own changes
// reach the host as edits.
#include "editor/editor_events.h"
#include "host/entry.h"
#include "platform/headless_backend.h"
#include "vst3/plugin.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace vst3;

namespace {

struct Point {
    ParamID id;
    int32 offset;
    double value;
};

struct Queue final : IParamValueQueue {
    ParamID id = 0;
    std::vector<std::pair<int32, double>> points;
    tresult queryInterface(const TUID, void**) override { return kNoInterface; }
    uint32 addRef() override { return 1; }
    uint32 release() override { return 1; }
    ParamID getParameterId() override { return id; }
    int32 getPointCount() override { return static_cast<int32>(points.size()); }
    tresult getPoint(int32 i, int32& offset, double& value) override {
        offset = points[static_cast<std::size_t>(i)].first;
        value = points[static_cast<std::size_t>(i)].second;
        return kResultOk;
    }
    tresult addPoint(int32, double, int32&) override { return kNotImplemented; }
};

struct Changes final : IParameterChanges {
    std::vector<Queue> queues;
    explicit Changes(const std::vector<Point>& points) {
        for (const Point& p : points) {
            Queue* q = nullptr;
            for (Queue& existing : queues) {
                q = existing.id == p.id ? &existing : q;
            }
            if (q == nullptr) {
                queues.emplace_back();
                q = &queues.back();
                q->id = p.id;
            }
            q->points.emplace_back(p.offset, p.value);
        }
    }
    tresult queryInterface(const TUID, void**) override { return kNoInterface; }
    uint32 addRef() override { return 1; }
    uint32 release() override { return 1; }
    int32 getParameterCount() override { return static_cast<int32>(queues.size()); }
    IParamValueQueue* getParameterData(int32 i) override {
        return &queues[static_cast<std::size_t>(i)];
    }
    IParamValueQueue* addParameterData(const ParamID&, int32&) override { return nullptr; }
};

// Records what the editor reports, as a host's component handler would see it.
struct Handler final : IComponentHandler, IComponentHandler2 {
    std::vector<std::string> log;
    tresult queryInterface(const TUID iid, void** obj) override {
        if (sameUid(iid, kIComponentHandler2Iid)) {
            *obj = static_cast<IComponentHandler2*>(this);
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 addRef() override { return 1; }
    uint32 release() override { return 1; }
    tresult beginEdit(ParamID id) override { return note("begin " + std::to_string(id)); }
    tresult performEdit(ParamID id, ParamValue v) override {
        char text[48];
        std::snprintf(text, sizeof text, "perform %u %.3f", id, v);
        return note(text);
    }
    tresult endEdit(ParamID id) override { return note("end " + std::to_string(id)); }
    tresult restartComponent(int32) override { return kResultOk; }
    tresult setDirty(TBool state) override { return note("dirty " + std::to_string(state)); }
    tresult requestOpenEditor(FIDString) override { return kResultOk; }
    tresult startGroupEdit() override { return kResultOk; }
    tresult finishGroupEdit() override { return kResultOk; }
    tresult note(const std::string& s) {
        log.push_back(s);
        return kResultOk;
    }
};

std::vector<float> testSignal(int frames, int channel) {
    std::vector<float> s(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        const double t = i / 48000.0;
        s[static_cast<std::size_t>(i)] = static_cast<float>(
            0.3 * std::sin(6.283185307 * (110.0 + 40.0 * channel) * t) +
            0.2 * std::sin(6.283185307 * 2100.0 * t) * std::sin(6.283185307 * 3.0 * t));
    }
    return s;
}

struct Plugin {
    TolvanePlugin* p = new TolvanePlugin();
    ~Plugin() { p->release(); }
    void start(double rate = 48000.0) {
        ASSERT_EQ(p->initialize(nullptr), kResultOk);
        ProcessSetup setup{kRealtime, kSample32, 4096, rate};
        ASSERT_EQ(p->setupProcessing(setup), kResultOk);
        ASSERT_EQ(p->setActive(1), kResultOk);
        ASSERT_EQ(p->setProcessing(1), kResultOk);
    }
    // One process call over [from, from + frames) of the signal, in place.
    tresult block(std::vector<float>& l, std::vector<float>& r, int from, int frames,
                  const std::vector<Point>& points = {}) {
        Changes changes(points);
        float* in[2] = {l.data() + from, r.data() + from};
        AudioBusBuffers inBus{};
        inBus.numChannels = 2;
        inBus.channelBuffers32 = in;
        AudioBusBuffers outBus = inBus;
        ProcessData data{};
        data.symbolicSampleSize = kSample32;
        data.numSamples = frames;
        data.numInputs = 1;
        data.numOutputs = 1;
        data.inputs = &inBus;
        data.outputs = &outBus;
        data.inputParameterChanges = &changes;
        return p->process(data);
    }
};

// The VST 2.4 build over the same signal, with setParameter between blocks cut at `cuts`.
void renderVst24(std::vector<float>& l, std::vector<float>& r, const std::vector<int>& cuts,
                 const std::vector<Point>& points) {
    AEffect* effect = VSTPluginMain(nullptr);
    ASSERT_NE(effect, nullptr);
    effect->dispatcher(effect, 10 /* effSetSampleRate */, 0, 0, nullptr, 48000.0f);
    int at = 0;
    for (int cut : cuts) {
        for (const Point& p : points) {
            if (p.offset == at) {
                effect->setParameter(effect, static_cast<std::int32_t>(p.id),
                                     static_cast<float>(p.value));
            }
        }
        float* channels[2] = {l.data() + at, r.data() + at};
        effect->processReplacing(effect, channels, channels, cut - at);
        at = cut;
    }
    effect->dispatcher(effect, 1 /* effClose */, 0, 0, nullptr, 0.0f);
    releaseRecord(effect);
}

} // namespace

TEST(Vst3Plugin, AutomationAtOffsetsSoundsLikeVst24CutThere) {
    constexpr int kFrames = 4096;
    const std::vector<Point> points = {{0, 37, 0.8},   {3, 37, 0.3},   {4, 1000, 1.0},
                                       {4, 1500, 0.0}, {1, 2222, 0.2}, {0, 3001, 0.1}};
    std::vector<int> cuts;
    for (int b = 512; b <= kFrames; b += 512) {
        for (const Point& p : points) {
            if (p.offset > b - 512 && p.offset < b && (cuts.empty() || cuts.back() != p.offset)) {
                cuts.push_back(p.offset);
            }
        }
        cuts.push_back(b);
    }
    auto l24 = testSignal(kFrames, 0);
    auto r24 = testSignal(kFrames, 1);
    renderVst24(l24, r24, cuts, points);

    auto l3 = testSignal(kFrames, 0);
    auto r3 = testSignal(kFrames, 1);
    Plugin plugin;
    plugin.start();
    for (int b = 0; b < kFrames; b += 512) {
        std::vector<Point> inBlock;
        for (const Point& p : points) {
            if (p.offset >= b && p.offset < b + 512) {
                inBlock.push_back({p.id, p.offset - b, p.value});
            }
        }
        ASSERT_EQ(plugin.block(l3, r3, b, 512, inBlock), kResultOk);
    }
    int differing = 0;
    for (int i = 0; i < kFrames; ++i) {
        differing += l3[static_cast<std::size_t>(i)] != l24[static_cast<std::size_t>(i)] ||
                     r3[static_cast<std::size_t>(i)] != r24[static_cast<std::size_t>(i)];
    }
    EXPECT_EQ(differing, 0);
    // Bypassed between 1000 and 1500: the input itself.
    const auto dry = testSignal(kFrames, 0);
    EXPECT_EQ(l3[1200], dry[1200]);
    EXPECT_NE(l3[900], dry[900]);
}

TEST(Vst3Plugin, EachActivationStartsTheSameRender) {
    constexpr int kFrames = 3000;
    Plugin plugin;
    plugin.start();
    std::vector<std::vector<float>> renders;
    for (int round = 0; round < 2; ++round) {
        auto l = testSignal(kFrames, 0);
        auto r = testSignal(kFrames, 1);
        for (int at = 0; at < kFrames; at += 300) {
            ASSERT_EQ(plugin.block(l, r, at, 300, {{2, 10, 0.4 + 0.1 * round}}), kResultOk);
        }
        renders.push_back(l);
        ASSERT_EQ(plugin.p->setProcessing(0), kResultOk);
        ASSERT_EQ(plugin.p->setActive(0), kResultOk);
        ASSERT_EQ(plugin.p->setParamNormalized(2, 0.9), kResultOk); // back to the default
        ASSERT_EQ(plugin.p->setActive(1), kResultOk);
        ASSERT_EQ(plugin.p->setProcessing(1), kResultOk);
    }
    // Different automation, different sound; then the first render again, exactly.
    EXPECT_NE(renders[0], renders[1]);
    auto l = testSignal(kFrames, 0);
    auto r = testSignal(kFrames, 1);
    for (int at = 0; at < kFrames; at += 300) {
        ASSERT_EQ(plugin.block(l, r, at, 300, {{2, 10, 0.4}}), kResultOk);
    }
    EXPECT_EQ(l, renders[0]);
}

// An editor holding the lock never stalls the block, and the change still lands in it.
TEST(Vst3Plugin, AutomationWhileTheEditorHoldsTheLockDoesNotWait) {
    Plugin plugin;
    plugin.start();
    std::mutex gate;
    std::condition_variable cv;
    bool held = false;
    bool done = false;
    std::thread editor([&] {
        std::lock_guard<std::mutex> editing(plugin.p->inst->engine.lock);
        std::unique_lock<std::mutex> g(gate);
        held = true;
        cv.notify_all();
        cv.wait(g, [&] { return done; });
    });
    {
        std::unique_lock<std::mutex> g(gate);
        ASSERT_TRUE(cv.wait_for(g, std::chrono::seconds(30), [&] { return held; }));
    }
    auto l = testSignal(512, 0);
    auto r = testSignal(512, 1);
    const auto before = l;
    ASSERT_EQ(plugin.block(l, r, 0, 512, {{0, 100, 0.0}}), kResultOk); // trim to -12 dB
    {
        std::lock_guard<std::mutex> g(gate);
        done = true;
    }
    cv.notify_all();
    editor.join();
    // -12 dB from sample 100 on, although the editing side could not be touched.
    const double early = std::fabs(l[50] / before[50]);
    const double late = std::fabs(l[400] / before[400]);
    EXPECT_LT(late, early * 0.5);
    EXPECT_FLOAT_EQ(static_cast<float>(plugin.p->getParamNormalized(0)), 0.0f);
    // The next block finishes the edit on the editing side.
    ASSERT_EQ(plugin.block(l, r, 0, 512), kResultOk);
    std::lock_guard<std::mutex> editing(plugin.p->inst->engine.lock);
    EXPECT_EQ(param(plugin.p->inst->engine.edit, 0), 0.0f);
}

class Vst3EditorEdits : public ::testing::Test {
  protected:
    void SetUp() override {
        headlessEnable(true);
        headlessReset();
        ASSERT_EQ(plugin.p->setComponentHandler(&handler), kResultOk);
    }
    void TearDown() override {
        plugin.p->setComponentHandler(nullptr);
        headlessReset();
        headlessEnable(false);
    }
    void send(EditorEventKind kind, int x = 0, int y = 0) {
        EditorEvent e;
        e.kind = kind;
        e.x = x;
        e.y = y;
        e.time = clock += 10000;
        handleEditorEvent(window, plugin.p->inst->editor, e);
        plugin.p->editorEventHandled();
    }
    Plugin plugin;
    Handler handler;
    WindowHandle window = reinterpret_cast<WindowHandle>(std::uintptr_t{0x7000});
    std::uint32_t clock = 0;
};

// A knob drag is one edit; the bypass button is one edit of its own.
TEST_F(Vst3EditorEdits, KnobDragsAndTheBypassButtonReachTheHost) {
    send(EditorEventKind::Press, 385, 520); // the trim knob
    send(EditorEventKind::Move, 385, 507);
    send(EditorEventKind::Move, 385, 494);
    send(EditorEventKind::Release);
    send(EditorEventKind::Press, 840, 510); // the bypass button
    send(EditorEventKind::Release);
    const std::vector<std::string> expected = {"begin 0", "perform 0 0.600", "perform 0 0.700",
                                               "end 0",   "begin 4",         "perform 4 1.000",
                                               "end 4"};
    EXPECT_EQ(handler.log, expected);
}

// What the host set itself is not sent back as an edit.
TEST_F(Vst3EditorEdits, HostValuesAreNotEchoed) {
    ASSERT_EQ(plugin.p->setParamNormalized(1, 0.25), kResultOk);
    send(EditorEventKind::Tick);
    EXPECT_TRUE(handler.log.empty());
}

TEST_F(Vst3EditorEdits, BandEditsMarkTheProjectChanged) {
    EditorEvent wheel;
    wheel.kind = EditorEventKind::Wheel;
    wheel.x = 400;
    wheel.y = 200;
    wheel.wheelSteps = 1;
    handleEditorEvent(window, plugin.p->inst->editor, wheel); // the selected band's Q
    plugin.p->editorEventHandled();
    ASSERT_EQ(handler.log, std::vector<std::string>{"dirty 1"});
    send(EditorEventKind::Tick);
    EXPECT_EQ(handler.log.size(), 1u); // nothing new, nothing said
}
