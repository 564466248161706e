// Plug-in settings as NAME=VALUE lines: NAME is a parameter's name as the plug-in reports
// it (effGetParamName), VALUE the normalised 0..1 value for setParameter; '#' starts a
// comment.
#pragma once

#include "host/vst_abi.h"

#include <string>
#include <vector>

namespace peer {

struct Setting {
    std::string name;
    float value;
};

// False with a message naming the line when the file is missing or a line is malformed.
bool readSettings(const std::string& path, std::vector<Setting>& settings, std::string& error);
// Sets every parameter it finds by name; answers the names the plug-in does not have.
std::vector<std::string> applySettings(AEffect* effect, const std::vector<Setting>& settings);

} // namespace peer
