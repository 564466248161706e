// The editor's own state: what is selected, what is being dragged, the previous press for
// the double-click rule, the window and its size. Owned by the UI thread (the thread that
// opened the editor); `window` is also read by host threads that ask for a repaint.
#pragma once

#include <atomic>
#include <cstdint>

struct InstanceEngine;
using WindowHandle = void*;

// The editor's size in the host's rectangle order (the VST ERect layout).
struct EditorRect {
    std::int16_t top = 0;
    std::int16_t left = 0;
    std::int16_t bottom = 580;
    std::int16_t right = 920;
};

struct EditorState {
    explicit EditorState(InstanceEngine& engineOfInstance) : engine(engineOfInstance) {}
    EditorState(const EditorState&) = delete;
    EditorState& operator=(const EditorState&) = delete;

    InstanceEngine& engine; // the instance's engine the editor edits and shows

    std::int32_t selectedBand = 4;
    std::int32_t presetIndex = 0;
    float animPhase = 0.0f;
    std::atomic<WindowHandle> window{nullptr};
    EditorRect rect{};

    // A band node or a knob being dragged (-1: none), and where a knob drag started.
    std::int32_t dragBand = -1;
    std::int32_t dragKnob = -1;
    std::int32_t knobDragStartY = 0;
    float knobDragStartValue = 0.0f;

    // The previous press, for the double-click rule.
    std::uint32_t lastClickTime = 0;
    std::int32_t lastClickX = 0;
    std::int32_t lastClickY = 0;
};
