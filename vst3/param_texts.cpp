#include "vst3/param_texts.h"

#include "dsp/engine.h"
#include "host/parameters.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr std::size_t kTextUnits = 128;

bool validIndex(std::int32_t index) {
    return static_cast<std::uint32_t>(index) < static_cast<std::uint32_t>(kNumParams);
}

double clamp01(double v) {
    if (std::isnan(v)) {
        return 1.0; // as the VST 2.4 setter stores it
    }
    return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v);
}

// The text in lower-case ASCII with surrounding blanks removed; nothing if it holds a
// character outside ASCII (no value text has one).
std::optional<std::string> asciiText(const char16_t* text) {
    std::string s;
    for (std::size_t i = 0; i < kTextUnits && text[i] != 0; ++i) {
        if (text[i] > 0x7f) {
            return std::nullopt;
        }
        s.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(text[i]))));
    }
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string();
    }
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// A number, optionally followed by blanks and `unit`; nothing else may follow.
std::optional<double> numberWithUnit(const std::string& s, const char* unit) {
    if (s.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (end == s.c_str() || !std::isfinite(v)) {
        return std::nullopt;
    }
    std::string rest(end);
    rest.erase(0, rest.find_first_not_of(" \t") == std::string::npos
                      ? rest.size()
                      : rest.find_first_not_of(" \t"));
    if (!rest.empty() && rest != unit) {
        return std::nullopt;
    }
    return v;
}

std::optional<double> parseBypass(const std::string& s) {
    if (s == "bypass" || s == "on" || s == "1") {
        return 1.0;
    }
    if (s == "active" || s == "off" || s == "0") {
        return 0.0;
    }
    return std::nullopt;
}

} // namespace

void copyAsciiToUtf16(const char* text, char16_t* out, std::size_t units) {
    std::size_t i = 0;
    for (; i + 1 < units && text[i] != 0; ++i) {
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(text[i]));
    }
    for (; i < units; ++i) {
        out[i] = 0;
    }
}

void paramDisplayText(std::int32_t index, double normalized, char16_t* out) {
    char buffer[24];
    formatParamDisplay(index, static_cast<float>(clamp01(normalized)), buffer);
    copyAsciiToUtf16(buffer, out, kTextUnits);
}

std::optional<double> parseParamText(std::int32_t index, const char16_t* text) {
    if (!validIndex(index) || text == nullptr) {
        return std::nullopt;
    }
    const auto s = asciiText(text);
    if (!s) {
        return std::nullopt;
    }
    if (index == ParamBypass) {
        return parseBypass(*s);
    }
    auto plain = numberWithUnit(*s, index == ParamOutputTrim ? "db" : "%");
    if (!plain) {
        return std::nullopt;
    }
    if (index == ParamOutputTrim && *plain == 0.0 && std::signbit(*plain)) {
        // The display shows "-0.0" for trims just under 0 dB: read it back as one of them,
        // so the text round-trips.
        *plain = -0.01;
    }
    return plainToParam(index, *plain);
}

double paramToPlain(std::int32_t index, double normalized) {
    const double v = clamp01(normalized);
    switch (index) {
    case ParamOutputTrim:
        return v * 24.0 - 12.0;
    case ParamBypass:
        return v >= 0.5 ? 1.0 : 0.0;
    default:
        return v * 100.0;
    }
}

double plainToParam(std::int32_t index, double plain) {
    switch (index) {
    case ParamOutputTrim:
        return clamp01((plain + 12.0) / 24.0);
    case ParamBypass:
        return plain >= 0.5 ? 1.0 : 0.0;
    default:
        return clamp01(plain / 100.0);
    }
}
