// Edits and checks the VST 3 build's saved state inside an Ardour session file. The band
// list reaches the VST 3 plug-in only through its saved state (no parameter carries it),
// so a session with edited bands is made by rewriting the state Ardour saved.
//
//     ardour_state_tool show  SESSION.ardour
//     ardour_state_tool edit  SESSION.ardour --band N --frequency HZ --gain DB
//     ardour_state_tool check SESSION.ardour --band N --frequency HZ --gain DB
//
// Ardour 7 keeps a VST 3 plug-in's state as base64 in a <chunk> element of its
// <Processor type="vst3">: a container of Ardour's own holding the component's and the
// controller's state streams, each of which is (or holds) the plug-in's state record.
// `edit` decodes every state record of the Tolvane-Q processors, moves band N, encodes the
// record again with the plug-in's own encoder and writes it back in place; the band count
// is kept, so the record keeps its size and the container's offsets stay right. `check`
// exits 0 only when there is at least one record and every one holds band N at the given
// frequency and gain. Both print the records they read. Exit status: 0 done, 1 not.
#include "vst3/state_record.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::optional<std::vector<std::uint8_t>> decodeBase64(const std::string& text) {
    std::vector<std::uint8_t> out;
    std::uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        if (c == '=' || c == '\n' || c == '\r' || c == ' ' || c == '\t') {
            continue;
        }
        const char* at = c == '\0' ? nullptr : std::strchr(kBase64, c);
        if (at == nullptr) {
            return std::nullopt;
        }
        bits = (bits << 6) | static_cast<std::uint32_t>(at - kBase64);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<std::uint8_t>(bits >> count));
        }
    }
    return out;
}

std::string encodeBase64(const std::vector<std::uint8_t>& data) {
    std::string out;
    for (std::size_t i = 0; i < data.size(); i += 3) {
        const std::size_t left = data.size() - i;
        std::uint32_t chunk = static_cast<std::uint32_t>(data[i]) << 16;
        if (left > 1) {
            chunk |= static_cast<std::uint32_t>(data[i + 1]) << 8;
        }
        if (left > 2) {
            chunk |= data[i + 2];
        }
        out += kBase64[(chunk >> 18) & 63];
        out += kBase64[(chunk >> 12) & 63];
        out += left > 1 ? kBase64[(chunk >> 6) & 63] : '=';
        out += left > 2 ? kBase64[chunk & 63] : '=';
    }
    return out;
}

struct Chunk {
    std::size_t begin; // offset of the base64 text in the session file
    std::size_t end;
};

// The <chunk> text of every Tolvane-Q VST 3 processor in the session file.
std::vector<Chunk> findChunks(const std::string& xml) {
    std::vector<Chunk> chunks;
    std::size_t at = 0;
    while ((at = xml.find("<Processor ", at)) != std::string::npos) {
        const std::size_t tagEnd = xml.find('>', at);
        const std::size_t close = xml.find("</Processor>", at);
        if (tagEnd == std::string::npos || close == std::string::npos) {
            break;
        }
        const std::string tag = xml.substr(at, tagEnd - at);
        if (tag.find("type=\"vst3\"") != std::string::npos &&
            tag.find("name=\"Tolvane-Q\"") != std::string::npos) {
            const std::size_t open = xml.find("<chunk>", tagEnd);
            if (open != std::string::npos && open < close) {
                const std::size_t begin = open + std::strlen("<chunk>");
                const std::size_t end = xml.find("</chunk>", begin);
                if (end != std::string::npos && end < close) {
                    chunks.push_back({begin, end});
                }
            }
        }
        at = tagEnd;
    }
    return chunks;
}

struct Record {
    std::size_t offset;
    std::size_t size;
    SavedState state;
};

// Every complete, valid state record inside a chunk.
std::vector<Record> findRecords(const std::vector<std::uint8_t>& data) {
    std::vector<Record> records;
    for (std::size_t i = 0; i + kStateHeaderBytes <= data.size(); ++i) {
        if (std::memcmp(data.data() + i, "TQST", 4) != 0) {
            continue;
        }
        const auto payload = statePayloadBytes(data.data() + i, data.size() - i);
        if (!payload || kStateHeaderBytes + *payload > data.size() - i) {
            continue;
        }
        const std::size_t size = kStateHeaderBytes + *payload;
        if (auto state = decodeStateRecord(data.data() + i, size)) {
            records.push_back({i, size, std::move(*state)});
            i += size - 1;
        }
    }
    return records;
}

void printRecord(const SavedState& state) {
    std::printf("  parameters");
    for (float p : state.params) {
        std::printf(" %.6f", static_cast<double>(p));
    }
    std::printf("; preset %d; selected band %d\n", state.presetIndex, state.selectedBand);
    for (std::size_t b = 0; b < state.bands.size(); ++b) {
        const Band& band = state.bands[b];
        std::printf("  band %zu: %s type %u, %.3f Hz, %+.3f dB, Q %.3f%s\n", b,
                    band.enabled ? "on " : "off", band.type, band.frequency, band.gain, band.q,
                    band.dynamic ? ", dynamic" : "");
    }
}

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool writeFile(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".edit";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            return false;
        }
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

struct BandEdit {
    std::size_t band = 0;
    double frequency = 0.0;
    double gain = 0.0;
};

bool sameValue(double a, double b) {
    return std::fabs(a - b) <= 1e-9 * std::fmax(1.0, b);
}

int run(const std::string& command, const std::string& path, const BandEdit& edit) {
    const std::optional<std::string> xml = readFile(path);
    if (!xml) {
        std::fprintf(stderr, "ardour_state_tool: cannot read %s\n", path.c_str());
        return 1;
    }
    std::string out = *xml;
    const std::vector<Chunk> chunks = findChunks(*xml);
    std::size_t recordCount = 0;
    bool allMatch = true;
    // Back to front, so that a chunk's new text never moves the ones still to do.
    for (auto chunk = chunks.rbegin(); chunk != chunks.rend(); ++chunk) {
        auto data = decodeBase64(xml->substr(chunk->begin, chunk->end - chunk->begin));
        if (!data) {
            std::fprintf(stderr, "ardour_state_tool: a <chunk> is not base64\n");
            return 1;
        }
        for (Record& record : findRecords(*data)) {
            ++recordCount;
            std::printf("state record at byte %zu of a %zu-byte chunk:\n", record.offset,
                        data->size());
            printRecord(record.state);
            if (command == "show") {
                continue;
            }
            if (edit.band >= record.state.bands.size()) {
                std::fprintf(stderr, "ardour_state_tool: the record has no band %zu\n", edit.band);
                return 1;
            }
            Band& band = record.state.bands[edit.band];
            if (command == "check") {
                allMatch = allMatch && sameValue(band.frequency, edit.frequency) &&
                           sameValue(band.gain, edit.gain);
                continue;
            }
            band.frequency = edit.frequency;
            band.gain = edit.gain;
            const std::vector<std::uint8_t> encoded = encodeStateRecord(record.state);
            if (encoded.size() != record.size) {
                std::fprintf(stderr, "ardour_state_tool: the edited record changed size\n");
                return 1;
            }
            std::memcpy(data->data() + record.offset, encoded.data(), encoded.size());
            std::printf("edited to:\n");
            printRecord(record.state);
        }
        if (command == "edit") {
            out.replace(chunk->begin, chunk->end - chunk->begin, encodeBase64(*data));
        }
    }
    if (recordCount == 0) {
        std::fprintf(stderr, "ardour_state_tool: no Tolvane-Q VST 3 state in %s\n", path.c_str());
        return 1;
    }
    if (command == "edit" && !writeFile(path, out)) {
        std::fprintf(stderr, "ardour_state_tool: cannot write %s\n", path.c_str());
        return 1;
    }
    if (command == "check" && !allMatch) {
        std::printf("FAIL: band %zu is not at %.3f Hz, %+.3f dB in every record\n", edit.band,
                    edit.frequency, edit.gain);
        return 1;
    }
    return 0;
}

std::optional<double> number(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

int usage() {
    std::fprintf(stderr,
                 "usage: ardour_state_tool show SESSION.ardour\n"
                 "       ardour_state_tool edit|check SESSION.ardour --band N --frequency HZ "
                 "--gain DB\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "show") {
        return run(args[0], args[1], BandEdit{});
    }
    if (args.size() != 8 || (args[0] != "edit" && args[0] != "check")) {
        return usage();
    }
    BandEdit edit;
    bool haveBand = false;
    bool haveFrequency = false;
    bool haveGain = false;
    for (std::size_t i = 2; i + 1 < args.size(); i += 2) {
        const std::optional<double> value = number(args[i + 1]);
        if (!value) {
            return usage();
        }
        if (args[i] == "--band" && *value >= 0.0 && *value == std::floor(*value)) {
            edit.band = static_cast<std::size_t>(*value);
            haveBand = true;
        } else if (args[i] == "--frequency") {
            edit.frequency = *value;
            haveFrequency = true;
        } else if (args[i] == "--gain") {
            edit.gain = *value;
            haveGain = true;
        } else {
            return usage();
        }
    }
    if (!haveBand || !haveFrequency || !haveGain) {
        return usage();
    }
    return run(args[0], args[1], edit);
}
