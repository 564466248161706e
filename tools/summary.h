// The report tolvane-host prints after a run.
#pragma once

#include "host/vst_abi.h"
#include "tools/audio_file.h"

#include <string>

struct Levels {
    double peakDb = 0.0; // dBFS, -inf for silence
    double rmsDb = 0.0;
};

Levels measureLevels(const StereoAudio& audio);

void printPluginInfo(AEffect* effect);
void printParameters(AEffect* effect);
void printSourceInfo(const std::string& source, const StereoAudio& audio);
void printLevels(const char* label, const Levels& levels);
void printTiming(double audioSeconds, double processSeconds);
