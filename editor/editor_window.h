// Painting the editor. Its input arrives as neutral events (editor/editor_events.h); the
// platform's paint frame delivers a Paint event, or calls paintEditor directly.
#pragma once

#include <cstdint>

struct Canvas;
struct EditorState;

// UI thread. Draws the whole picture; takes a snapshot of the instance under its lock
// first and draws with the lock released.
void paintEditor(Canvas* canvas, std::int32_t width, std::int32_t height, EditorState& ed);
