// Command-line options of tolvane-host.
#pragma once

#include <string>
#include <vector>

struct ParamSetting {
    std::string key; // a parameter name, or its index in decimal
    float value = 0.0f;
};

struct Options {
    std::string pluginPath;
    std::string inputPath;  // empty: process the generated test signal
    std::string outputPath; // empty: write nothing
    int blockSize = 512;
    double seconds = 5.0;
    int sampleRate = 48000;
    std::vector<ParamSetting> params;
    bool help = false;
};

// Fills `options` from the arguments; on a usage error returns false with `error` set.
bool parseOptions(int argc, char** argv, Options& options, std::string& error);

void printUsage(const char* program);
