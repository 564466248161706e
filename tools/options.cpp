#include "tools/options.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool parseInt(const char* text, long low, long high, int& out) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < low || value > high) {
        return false;
    }
    out = static_cast<int>(value);
    return true;
}

bool parseDouble(const char* text, double low, double high, double& out) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !std::isfinite(value) || value < low ||
        value > high) {
        return false;
    }
    out = value;
    return true;
}

// "Name=value" or "index=value"; the last '=' splits, so names may contain one.
bool parseParam(const char* text, ParamSetting& out) {
    const char* split = std::strrchr(text, '=');
    double value = 0.0;
    if (split == nullptr || split == text || !parseDouble(split + 1, 0.0, 1.0, value)) {
        return false;
    }
    out.key.assign(text, split);
    out.value = static_cast<float>(value);
    return true;
}

bool parseValueOption(const std::string& name, const char* value, Options& options,
                      std::string& error) {
    bool ok = false;
    if (name == "--block") {
        ok = parseInt(value, 1, 1 << 20, options.blockSize);
    } else if (name == "--seconds") {
        ok = parseDouble(value, 0.001, 3600.0, options.seconds);
    } else if (name == "--rate") {
        ok = parseInt(value, 8000, 384000, options.sampleRate);
    } else if (name == "--output" || name == "-o") {
        options.outputPath = value;
        ok = !options.outputPath.empty();
    } else if (name == "--param") {
        ParamSetting setting;
        ok = parseParam(value, setting);
        options.params.push_back(setting);
    }
    if (!ok) {
        error = "invalid value for " + name + ": '" + value + "'";
    }
    return ok;
}

bool takesValue(const std::string& name) {
    return name == "--block" || name == "--seconds" || name == "--rate" || name == "--output" ||
           name == "-o" || name == "--param";
}

bool addPositional(const char* arg, Options& options, std::string& error) {
    if (options.pluginPath.empty()) {
        options.pluginPath = arg;
    } else if (options.inputPath.empty()) {
        options.inputPath = arg;
    } else {
        error = std::string("unexpected argument '") + arg + "'";
        return false;
    }
    return true;
}

} // namespace

bool parseOptions(int argc, char** argv, Options& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return true;
        }
        if (takesValue(arg)) {
            if (i + 1 >= argc) {
                error = "missing value after " + arg;
                return false;
            }
            if (!parseValueOption(arg, argv[++i], options, error)) {
                return false;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option '" + arg + "'";
            return false;
        } else if (!addPositional(argv[i], options, error)) {
            return false;
        }
    }
    if (options.pluginPath.empty()) {
        error = "no plug-in given";
        return false;
    }
    return true;
}

void printUsage(const char* program) {
    std::printf("Usage: %s [options] PLUGIN.so [INPUT]\n"
                "\n"
                "Loads a VST 2.4 plug-in like a host does and renders audio through it.\n"
                "INPUT is a WAV, AIFF or FLAC file (mono is played on both channels); without\n"
                "it a generated music-like test signal is processed.\n"
                "\n"
                "Options:\n"
                "  --block N          frames per processing call (default 512)\n"
                "  --param NAME=V     set a parameter (0..1) by name or index, e.g.\n"
                "                     --param \"Output Trim=0.75\" or --param 0=0.75; repeatable\n"
                "  -o, --output FILE  write the result (input's format; 32-bit float WAV for the\n"
                "                     test signal)\n"
                "  --seconds S        length of the test signal (default 5)\n"
                "  --rate R           sample rate of the test signal in Hz (default 48000)\n"
                "  -h, --help         show this help\n",
                program);
}
