// Returning an engine's running state (filter memories, detector, modulation, analyser,
// spectrum) to what a new instance starts with, keeping its bands, parameters and rate.
// VST 3 hosts activate a processor to start a render from a known point: after
// setActive(true) the output depends only on the input, the settings and the changes.
#pragma once

#include "dsp/engine.h"

// An engine as a new instance has it; built on first use. Call it once on an ordinary
// thread before the audio thread may need it.
const Engine& freshEngine();

// Audio thread (or whoever owns `engine`): no allocation, no lock.
void resetAudioEngine(Engine& engine) noexcept;

// The editing side's share (caller holds the instance lock): the spectrum the gain mapping
// reads goes back to a new instance's, and the filters are redesigned from it.
void resetEditingEngine(Engine& engine);
