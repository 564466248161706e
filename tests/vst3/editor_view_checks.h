// What the editor checks ask of the view the same way on X11 and on Windows: its sizes at
// each content scale, the scale 2 picture drawn at that scale, clicks reported as edits, a
// close from another thread, and the references it gives back. The window system's part
// (windows, pumping, input) is handed in by the check of each system.
#pragma once

#include "tests/vst3/editor_pictures.h"
#include "tests/vst3/host_checks.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace vst3check {

constexpr const char* kEditorGroup = "editor";

inline std::string sizeText(int w, int h) {
    return std::to_string(w) + "x" + std::to_string(h);
}

// Whether `calls` holds `want` in this order (other calls may come between).
inline bool inOrder(const std::vector<std::string>& calls, const std::vector<std::string>& want) {
    auto at = calls.begin();
    for (const std::string& w : want) {
        at = std::find(at, calls.end(), w);
        if (at == calls.end()) {
            return false;
        }
        ++at;
    }
    return true;
}

// The references others hold on `object` (one added and taken back to read the count).
inline vst3::uint32 referencesTo(vst3::FUnknown* object) {
    const vst3::uint32 refs = object->addRef() - 1;
    object->release();
    return refs;
}

// The host's side of one view: the view, its scale support and the frame it is given. The
// frame offers the run loop only where the system's views ask for one (Linux).
struct ViewParts {
    ViewParts(vst3host::Plugin& plugin, bool offerRunLoop)
        : plugin(plugin), frame(offerRunLoop ? &loop : nullptr) {}

    // createView, the frame, the scale; `width` and `height` then hold the view's size.
    bool create(float factor) {
        view = vst3host::Ref<vst3::IPlugView>::adopt(
            plugin.controller->createView(vst3::kEditorViewName));
        if (!view) {
            return false;
        }
        scale = vst3host::query<vst3::IPlugViewContentScaleSupport>(
            view.get(), vst3::kIPlugViewContentScaleSupportIid);
        view->setFrame(&frame);
        if (factor != 1.0f && (!scale || scale->setContentScaleFactor(factor) != vst3::kResultOk)) {
            return false;
        }
        vst3::ViewRect rect{};
        if (view->getSize(&rect) != vst3::kResultOk) {
            return false;
        }
        width = rect.right - rect.left;
        height = rect.bottom - rect.top;
        return true;
    }

    // removed() where attached, then the frame taken back and the view let go.
    void release() {
        if (attached) {
            view->removed();
            attached = false;
        }
        if (view) {
            view->setFrame(nullptr);
            scale.reset();
            view.reset();
        }
    }

    vst3host::Plugin& plugin;
    vst3host::RunLoop loop;
    vst3host::PlugFrame frame;
    vst3host::Ref<vst3::IPlugView> view;
    vst3host::Ref<vst3::IPlugViewContentScaleSupport> scale;
    int width = 0;
    int height = 0;
    bool attached = false;
};

// The size getSize answers at each content scale the view is set to.
inline void checkSizesAtEachScale(vst3::IPlugView& view,
                                  vst3::IPlugViewContentScaleSupport& scale) {
    const struct {
        float factor;
        int w;
        int h;
    } sizes[] = {{1.0f, 920, 580}, {1.25f, 1150, 725}, {1.5f, 1380, 870}, {2.0f, 1840, 1160}};
    for (const auto& z : sizes) {
        vst3::ViewRect rect{};
        expect(scale.setContentScaleFactor(z.factor) == vst3::kResultOk &&
                   view.getSize(&rect) == vst3::kResultOk && rect.left == 0 && rect.top == 0 &&
                   rect.right == z.w && rect.bottom == z.h,
               kEditorGroup,
               "factor " + str(z.factor) + ": size " + sizeText(rect.right, rect.bottom) +
                   ", want " + sizeText(z.w, z.h));
    }
}

// The scale 2 picture drawn at that scale: every one-pixel line of the scale 1 picture a
// sharp two-pixel line, and detail finer than doubled pixels.
inline void checkDrawnAtScaleTwo(const Image& one, const Image& two) {
    const std::vector<ThinLine> lines = thinLines(one);
    int sharp = 0;
    std::string firstBlur;
    for (const ThinLine& line : lines) {
        const std::string why = two.empty() ? "no picture" : sharpAtTwo(two, line);
        sharp += why.empty() ? 1 : 0;
        firstBlur = firstBlur.empty() ? why : firstBlur;
    }
    std::printf("scale 2: %d of %zu one-pixel lines drawn two pixels wide at full contrast\n",
                sharp, lines.size());
    expect(lines.size() >= 5 && sharp == static_cast<int>(lines.size()), kEditorGroup,
           "one-pixel lines are sharp two-pixel lines at scale 2 (" + std::to_string(sharp) +
               " of " + std::to_string(lines.size()) + "; " + firstBlur + ")");
    const double finer = two.empty() ? 0.0 : finerThanDoubled(two);
    std::printf("scale 2: %.1f%% of 2x2 blocks hold detail finer than a doubled pixel\n",
                100.0 * finer);
    expect(finer > 0.01, kEditorGroup,
           "scale 2 has detail finer than doubled pixels (" + str(100.0 * finer) + "% of blocks)");
}

// While the view is open, a change the host makes itself is not reported back as an edit.
inline void checkHostChangeNotReported(const vst3host::ComponentHandler& handler) {
    const std::vector<std::string> quiet = handler.calls();
    expect(std::none_of(quiet.begin(), quiet.end(),
                        [](const std::string& c) { return c.rfind("perform 0", 0) == 0; }),
           kEditorGroup, "the host's own change is not reported back as an edit");
}

// Two clicks on the bypass button (`click()` makes one where the system delivers input,
// `pumpUntil(done)` serves the view until `done()`): each reported as one edit of
// parameter 4, turning bypass on and off again.
template <typename Click, typename PumpUntil>
void checkBypassClicks(vst3host::Plugin& plugin, const vst3host::ComponentHandler& handler,
                       Click&& click, PumpUntil&& pumpUntil) {
    for (const char* want : {"perform 4 1.000000", "perform 4 0.000000"}) {
        click();
        const bool reported = pumpUntil([&] {
            const std::vector<std::string> calls = handler.calls();
            return std::find(calls.begin(), calls.end(), want) != calls.end() &&
                   calls.back() == "end 4";
        });
        expect(reported && inOrder(handler.calls(), {"begin 4", want, "end 4"}), kEditorGroup,
               std::string("a click on bypass reported as begin, ") + want + ", end");
    }
    expect(plugin.controller->getParamNormalized(4) == 0.0, kEditorGroup,
           "two clicks leave bypass off");
}

// removed() and setFrame(nullptr) on another thread while this one serves the view with
// `pumpUntil(done)`; whether they returned. The view counts as detached after.
template <typename PumpUntil> bool closeFromAnotherThread(ViewParts& s, PumpUntil&& pumpUntil) {
    std::atomic<bool> done{false};
    vst3::IPlugView* view = s.view.get();
    std::thread closer([&] {
        view->removed();
        view->setFrame(nullptr);
        done = true;
    });
    const bool closed = pumpUntil([&] { return done.load(); });
    closer.join();
    s.attached = false;
    expect(closed, kEditorGroup, "removed() from another thread returns");
    return closed;
}

} // namespace vst3check
