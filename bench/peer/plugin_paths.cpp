#include "bench/peer/plugin_paths.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>
#include <vector>

namespace peer {

namespace {

namespace fs = std::filesystem;

constexpr const char* kLspFile = "para-equalizer-x16-stereo.so";

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string askDpkg() {
    FILE* listing = popen("dpkg -L lsp-plugins-vst 2>/dev/null", "r");
    if (listing == nullptr) {
        return {};
    }
    std::string found;
    std::array<char, 4096> line{};
    while (std::fgets(line.data(), line.size(), listing) != nullptr) {
        std::string path(line.data());
        while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) {
            path.pop_back();
        }
        if (found.empty() && endsWith(path, std::string("/") + kLspFile)) {
            found = path;
        }
    }
    pclose(listing);
    return found;
}

std::vector<fs::path> vstFolders() {
    std::vector<fs::path> folders;
    if (const char* list = std::getenv("VST_PATH")) {
        std::stringstream entries(list);
        for (std::string entry; std::getline(entries, entry, ':');) {
            folders.emplace_back(entry);
        }
    }
    if (const char* home = std::getenv("HOME")) {
        folders.push_back(fs::path(home) / ".vst");
    }
    for (const char* lib : {"/usr/lib", "/usr/local/lib", "/usr/lib64", "/usr/local/lib64"}) {
        folders.push_back(fs::path(lib) / "vst");
    }
    return folders;
}

std::string searchFolders() {
    for (const fs::path& folder : vstFolders()) {
        std::error_code error;
        for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            if (it->path().filename() == kLspFile) {
                return it->path().string();
            }
        }
    }
    return {};
}

} // namespace

std::string defaultTolvanePath() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? "Tolvane-Q.so" : (self.parent_path() / "Tolvane-Q.so").string();
}

std::string defaultLspSettingsPath() {
    return (fs::path(TOLVANE_SOURCE_DIR) / ".." / "shared" / "bench" / "lsp-para-x16-7band.params")
        .lexically_normal()
        .string();
}

std::string findLspEqualizer() {
    const std::string packaged = askDpkg();
    return packaged.empty() ? searchFolders() : packaged;
}

} // namespace peer
