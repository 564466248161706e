// Running audio through a loaded plug-in in host-sized blocks, the way a DAW does.
#pragma once

#include "host/vst_abi.h"
#include "tools/audio_file.h"
#include "tools/options.h"

#include <string>
#include <vector>

// effSetSampleRate, effSetBlockSize, the parameter settings (by name or index).
bool preparePlugin(AEffect* effect, int sampleRate, int blockSize,
                   const std::vector<ParamSetting>& params, std::string& error);

// effMainsChanged 1, processReplacing per block, effMainsChanged 0. Returns the output
// and the seconds spent inside the processing calls.
StereoAudio renderAudio(AEffect* effect, const StereoAudio& input, int blockSize, double& seconds);
