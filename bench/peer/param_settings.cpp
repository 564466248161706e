#include "bench/peer/param_settings.h"

#include "bench/peer/vst_peer.h"

#include <cstdlib>
#include <fstream>
#include <map>

namespace peer {

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool parseLine(const std::string& raw, std::vector<Setting>& settings, std::string& error) {
    const std::string line = trimmed(raw.substr(0, raw.find('#')));
    if (line.empty()) {
        return true;
    }
    const auto equals = line.find('=');
    const std::string name = equals == std::string::npos ? "" : trimmed(line.substr(0, equals));
    const std::string text = equals == std::string::npos ? "" : trimmed(line.substr(equals + 1));
    char* end = nullptr;
    const float value = std::strtof(text.c_str(), &end);
    if (name.empty() || text.empty() || *end != '\0' || !(value >= 0.0f && value <= 1.0f)) {
        error = "expected NAME=VALUE with VALUE in 0..1: " + line;
        return false;
    }
    settings.push_back(Setting{name, value});
    return true;
}

} // namespace

bool readSettings(const std::string& path, std::vector<Setting>& settings, std::string& error) {
    std::ifstream file(path);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        if (!parseLine(line, settings, error)) {
            error = path + ":" + std::to_string(number) + ": " + error;
            return false;
        }
    }
    return true;
}

std::vector<std::string> applySettings(AEffect* effect, const std::vector<Setting>& settings) {
    // One pass over the names: a plug-in with hundreds of parameters answers each query
    // through its dispatcher.
    std::map<std::string, int> indices;
    for (int i = 0; i < effect->numParams; ++i) {
        indices.emplace(queryText(effect, effGetParamName, i), i);
    }
    std::vector<std::string> missing;
    for (const Setting& setting : settings) {
        const auto found = indices.find(setting.name);
        if (found == indices.end()) {
            missing.push_back(setting.name);
        } else {
            effect->setParameter(effect, found->second, setting.value);
        }
    }
    return missing;
}

} // namespace peer
