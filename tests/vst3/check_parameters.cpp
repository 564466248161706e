// The five parameters as a host lists, shows, parses and sets them. The texts are held to
// the VST 2.4 build's own (a project moved between the two must read the same), and to
// the display mapping written out here.
#include "tests/vst3/host_checks.h"

#include <cmath>
#include <cstdio>
#include <cstring>

using namespace vst3;
using namespace vst3host;

namespace vst3check {

namespace {

constexpr const char* kGroup = "parameters";

struct Expected {
    const char* title;
    const char* units;
    double defaultValue;
};
const Expected kParams[5] = {{"Output Trim", "dB", 0.5},
                             {"VAVU Coupling", "%", 0.85},
                             {"172 Sieve", "%", 0.9},
                             {"580 Limiter", "%", 0.92},
                             {"Bypass", "", 0.0}};

// The display text of each parameter: the trim in dB from -12 to +12 with one decimal,
// the three amounts in whole percent, the bypass as a state. Worked out as the VST 2.4
// build does, in single precision where it is.
std::string displayText(int index, double normalized) {
    const float v = static_cast<float>(normalized);
    char text[32];
    if (index == 0) {
        std::snprintf(text, sizeof text, "%+.1f", static_cast<double>(v) * 24.0 - 12.0);
    } else if (index == 4) {
        std::snprintf(text, sizeof text, "%s", v >= 0.5f ? "BYPASS" : "ACTIVE");
    } else {
        std::snprintf(text, sizeof text, "%.0f", static_cast<double>(v * 100.0f));
    }
    return text;
}

std::string textOf(IEditController* controller, ParamID id, double value) {
    String128 text;
    std::fill(text, text + 128, u'\x55');
    if (controller->getParamStringByValue(id, value, text) != kResultOk) {
        return "(refused)";
    }
    return narrow(text);
}

// How far a value may move through its own text and back: half a display step.
double halfStep(int index) {
    return index == 0 ? 0.05 / 24.0 : index == 4 ? 0.5 : 0.005;
}

void checkInfos(Plugin& plugin, Vst2Plugin& vst2) {
    IEditController* c = plugin.controller.get();
    expect(c->getParameterCount() == 5, kGroup,
           "parameter count " + std::to_string(c->getParameterCount()));
    for (int i = 0; i < 5; ++i) {
        const std::string row = "parameter " + std::to_string(i) + ": ";
        ParameterInfo info;
        std::memset(&info, 0x55, sizeof info);
        if (!expect(c->getParameterInfo(i, info) == kResultOk, kGroup, row + "info")) {
            continue;
        }
        expect(info.id == static_cast<ParamID>(i), kGroup, row + "id " + std::to_string(info.id));
        expect(narrow(info.title) == kParams[i].title, kGroup, row + "title " + narrow(info.title));
        expect(narrow(info.shortTitle).size() > 0, kGroup, row + "short title");
        // The bypass's unit is the VST 2.4 label ("state") or none at all.
        const std::string units = narrow(info.units);
        expect(units == kParams[i].units || (i == 4 && units == vst2.label(i)), kGroup,
               row + "units '" + units + "'");
        if (i < 4) {
            expect(units == vst2.label(i), kGroup, row + "units as VST 2.4 labels them");
        }
        expect(std::fabs(info.defaultNormalizedValue - kParams[i].defaultValue) < 1e-6, kGroup,
               row + "default " + str(info.defaultNormalizedValue));
        expect(std::fabs(c->getParamNormalized(static_cast<ParamID>(i)) -
                         info.defaultNormalizedValue) < 1e-6,
               kGroup, row + "a new instance holds the default");
        expect(std::fabs(vst2.effect->getParameter(vst2.effect, i) - info.defaultNormalizedValue) <
                   1e-6,
               kGroup, row + "default as the VST 2.4 build's");
        const bool bypass = (info.flags & ParameterInfo::kIsBypass) != 0;
        expect(bypass == (i == 4), kGroup, row + "bypass flag " + std::to_string(info.flags));
        expect((info.flags & ParameterInfo::kCanAutomate) != 0, kGroup, row + "automatable");
        expect((info.flags & (ParameterInfo::kIsReadOnly | ParameterInfo::kIsHidden |
                              ParameterInfo::kIsProgramChange)) == 0,
               kGroup, row + "not read-only, hidden or a program change");
        expect(info.stepCount == (i == 4 ? 1 : 0), kGroup,
               row + "step count " + std::to_string(info.stepCount));
    }
    ParameterInfo none{};
    expect(c->getParameterInfo(5, none) != kResultOk && c->getParameterInfo(-1, none) != kResultOk,
           kGroup, "info for index 5 and -1 refused");
}

void checkTexts(Plugin& plugin, Vst2Plugin& vst2) {
    IEditController* c = plugin.controller.get();
    constexpr int kSteps = 400;
    for (int i = 0; i < 5; ++i) {
        int wrong = 0;
        int unlikeVst2 = 0;
        int roundTrip = 0;
        std::string first;
        for (int s = 0; s <= kSteps; ++s) {
            // Odd fractions as well as the round ones a host's slider gives.
            const double v = s % 2 == 0 ? s / double(kSteps) : (s + 0.37) / (kSteps + 1.0);
            const std::string text = textOf(c, static_cast<ParamID>(i), v);
            const std::string row = "param " + std::to_string(i) + " value " + str(v) + ": ";
            if (text != displayText(i, v)) {
                ++wrong;
                first = first.empty() ? row + "'" + text + "', want '" + displayText(i, v) + "'"
                                      : first;
            }
            const std::string vst2Text = vst2.display(i, static_cast<float>(v));
            if (text != vst2Text) {
                ++unlikeVst2;
                first = first.empty() ? row + "'" + text + "', VST 2.4 shows '" + vst2Text + "'"
                                      : first;
            }
            // Through the text and back: the value it gives shows the same text.
            std::u16string typed = widen(text);
            ParamValue back = -1.0;
            const bool parsed =
                c->getParamValueByString(static_cast<ParamID>(i), typed.data(), back) == kResultOk;
            if (!parsed || std::fabs(back - v) > halfStep(i) + 1e-9 ||
                textOf(c, static_cast<ParamID>(i), back) != text) {
                ++roundTrip;
                first = first.empty() ? row + "'" + text + "' parses to " + str(back) : first;
            }
        }
        const std::string row = "param " + std::to_string(i) + ": ";
        expect(wrong == 0, kGroup,
               row + std::to_string(wrong) + " texts off the mapping; " + first);
        expect(unlikeVst2 == 0, kGroup,
               row + std::to_string(unlikeVst2) + " texts unlike VST 2.4's; " + first);
        expect(roundTrip == 0, kGroup,
               row + std::to_string(roundTrip) + " texts do not parse back; " + first);
    }
    // A unit after the number and blanks around it, as users type.
    const struct {
        ParamID id;
        const char* text;
        double want;
    } typed[] = {{0, "+6.0 dB", 0.75}, {0, " -12 ", 0.0}, {0, "3dB", 0.625},  {1, "40 %", 0.4},
                 {2, "100", 1.0},      {3, "0%", 0.0},    {4, "BYPASS", 1.0}, {4, "ACTIVE", 0.0}};
    for (const auto& t : typed) {
        std::u16string text = widen(t.text);
        ParamValue v = -1.0;
        expect(c->getParamValueByString(t.id, text.data(), v) == kResultOk &&
                   std::fabs(v - t.want) < 1e-9,
               kGroup,
               "'" + std::string(t.text) + "' for param " + std::to_string(t.id) + " gives " +
                   str(v));
    }
    const struct {
        ParamID id;
        const char* text;
    } refused[] = {{0, ""}, {0, "abc"}, {0, "5 Hz"}, {1, "12 dB"}, {4, "maybe"}, {0, "nan"}};
    for (const auto& r : refused) {
        std::u16string text = widen(r.text);
        ParamValue v = 0.25;
        expect(c->getParamValueByString(r.id, text.data(), v) != kResultOk, kGroup,
               "'" + std::string(r.text) + "' refused for param " + std::to_string(r.id));
    }
    String128 out{};
    expect(c->getParamStringByValue(5, 0.5, out) != kResultOk, kGroup, "text of param 5 refused");
    std::u16string six = widen("6");
    ParamValue v = 0.0;
    expect(c->getParamValueByString(7, six.data(), v) != kResultOk, kGroup,
           "parsing for param 7 refused");
}

void checkPlainValues(Plugin& plugin) {
    IEditController* c = plugin.controller.get();
    int wrong = 0;
    std::string first;
    for (int s = 0; s <= 100; ++s) {
        const double v = s / 100.0;
        const double want[5] = {v * 24.0 - 12.0, v * 100.0, v * 100.0, v * 100.0,
                                v >= 0.5 ? 1.0 : 0.0};
        for (int i = 0; i < 5; ++i) {
            const double plain = c->normalizedParamToPlain(static_cast<ParamID>(i), v);
            const double back = c->plainParamToNormalized(static_cast<ParamID>(i), plain);
            const double wantBack = i == 4 ? want[4] : v;
            if (std::fabs(plain - want[i]) > 1e-9 || std::fabs(back - wantBack) > 1e-9) {
                ++wrong;
                first = first.empty() ? "param " + std::to_string(i) + " " + str(v) + " -> " +
                                            str(plain) + " -> " + str(back)
                                      : first;
            }
        }
    }
    expect(wrong == 0, kGroup, std::to_string(wrong) + " plain values off; " + first);

    // Values set by the host are what it reads back (stored in single precision), clamped
    // into 0..1.
    const struct {
        ParamID id;
        double set;
        double want;
    } sets[] = {{0, 0.7, 0.7}, {1, 0.3, 0.3}, {2, 1.5, 1.0}, {3, -0.2, 0.0}, {4, 1.0, 1.0}};
    for (const auto& s : sets) {
        expect(c->setParamNormalized(s.id, s.set) == kResultOk, kGroup,
               "setParamNormalized " + std::to_string(s.id));
        const double got = c->getParamNormalized(s.id);
        expect(std::fabs(got - s.want) < 1e-6, kGroup,
               "param " + std::to_string(s.id) + " set " + str(s.set) + " reads " + str(got));
    }
    expect(c->setParamNormalized(5, 0.5) != kResultOk, kGroup, "setParamNormalized(5) refused");
}

} // namespace

void checkParameters(Context& context) {
    Plugin plugin(*context.module);
    Vst2Plugin vst2(context.vst2Path);
    if (!expect(plugin.ok() && plugin.component->initialize(&plugin.host) == kResultOk, kGroup,
                "instance") ||
        !expect(vst2.ok(), kGroup, "VST 2.4 build loads: " + context.vst2Path)) {
        return;
    }
    checkInfos(plugin, vst2);
    checkTexts(plugin, vst2);
    checkPlainValues(plugin);
    plugin.component->terminate();
}

} // namespace vst3check
