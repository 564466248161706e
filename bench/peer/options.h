// The peer benchmark's command line.
#pragma once

#include <string>

namespace peer {

struct Options {
    std::string tolvanePath; // Tolvane-Q.so to dlopen
    std::string lspPath;     // empty: found through dpkg or the VST folders
    std::string lspSettings; // NAME=VALUE file for the peer's seven bands
    int rounds = 21;
    double secondsPerRound = 2.0;
    double warmUpSeconds = 0.5;
    double worstBlockSeconds = 10.0;
    double signalSeconds = 4.0;
    bool whichPath = false; // print the vector path the engine runs and stop
};

// False (after printing usage or the error) when the program should stop; `exitCode` is
// what it should return then.
bool parseOptions(int argc, char** argv, Options& options, int& exitCode);

} // namespace peer
