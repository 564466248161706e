// Renders the fixed test signal through the Linux build (Tolvane-Q.so, loaded like a host
// loads it) and compares the result with what Tolvane-Q.dll produced under wine.
//
//     cross_build_compare <Tolvane-Q.so> <dll-output.f32>
//
// Both builds compile the same sources with the same double-precision arithmetic, so the
// outputs may differ only by last-bit differences of the C runtime's maths functions.
#include "tests/wine/fixed_signal.h"

#include <cmath>
#include <cstdio>
#include <dlfcn.h>
#include <vector>

namespace {

constexpr double kTolerance = 1e-6;

std::vector<float> readFloats(const char* path) {
    std::vector<float> data;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return data;
    }
    float chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, sizeof(float), 4096, file)) > 0) {
        data.insert(data.end(), chunk, chunk + got);
    }
    std::fclose(file);
    return data;
}

std::vector<float> renderNative(const char* plugin) {
    void* module = dlopen(plugin, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        std::printf("cannot load %s: %s\n", plugin, dlerror());
        return {};
    }
    using Entry = AEffect* (*)(HostCallback);
    auto entry = reinterpret_cast<Entry>(dlsym(module, "VSTPluginMain"));
    AEffect* effect = entry != nullptr ? entry(nullptr) : nullptr;
    std::vector<float> out = fixed_signal::render(effect);
    if (effect != nullptr) {
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::printf("usage: cross_build_compare <Tolvane-Q.so> <dll-output.f32>\n");
        return 2;
    }
    const std::vector<float> onLinux = renderNative(argv[1]);
    const std::vector<float> onWindows = readFloats(argv[2]);
    const std::size_t expected = 2 * static_cast<std::size_t>(fixed_signal::kFrames);
    if (onLinux.size() != expected || onWindows.size() != expected) {
        std::printf("sample counts: linux %zu, windows %zu, expected %zu\n", onLinux.size(),
                    onWindows.size(), expected);
        return 1;
    }
    double worst = 0.0;
    std::size_t worstAt = 0;
    std::size_t nonFinite = 0;
    for (std::size_t i = 0; i < expected; ++i) {
        if (!std::isfinite(onLinux[i]) || !std::isfinite(onWindows[i])) {
            ++nonFinite;
            continue;
        }
        const double diff = std::fabs(static_cast<double>(onLinux[i]) - onWindows[i]);
        if (diff > worst) {
            worst = diff;
            worstAt = i;
        }
    }
    std::printf("%zu samples, largest difference %.3g at frame %zu (%s), %zu non-finite\n",
                expected, worst, worstAt / 2, worstAt % 2 == 0 ? "left" : "right", nonFinite);
    return worst <= kTolerance && nonFinite == 0 ? 0 : 1;
}
