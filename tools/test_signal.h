// A deterministic, music-like stereo test signal: bass line, chords, a lead with vibrato,
// kick and hi-hat, so the plug-in's detector, modulation and analyser all have work to do.
#pragma once

#include "tools/audio_file.h"

StereoAudio generateTestSignal(double seconds, int sampleRate);
