// effSetBypass toggled between two blocks and back: the instance must sound exactly like
// a twin that never heard of it. Storing the bypass state is no reason to redesign the
// filters or to restart the band modulation.
#pragma once

#include "tests/hostile/hostile_plugin.h"

namespace hostile {

struct BypassRow {
    const char* name;
    std::vector<VstIntPtr> values; // sent one after another, nothing processed in between
};

inline const std::vector<BypassRow>& bypassRows() {
    static const std::vector<BypassRow> rows = {
        {"OnThenOff", {1, 0}},
        {"OffWhileOff", {0}},
        {"OnOffTwice", {1, 0, 1, 0}},
        {"OddOnThenOff", {-7, 0}},
    };
    return rows;
}

// The first frame in [first, end) where the two differ in any bit; `end` if none.
inline std::size_t firstDifference(const Stereo& a, const Stereo& b, std::size_t first,
                                   std::size_t end) {
    for (std::size_t i = first; i < end; ++i) {
        if (std::memcmp(&a.left[i], &b.left[i], sizeof(float)) != 0 ||
            std::memcmp(&a.right[i], &b.right[i], sizeof(float)) != 0) {
            return i;
        }
    }
    return end;
}

inline void checkBypassToggle(const Harness& h, const BypassRow& row) {
    const std::size_t toggleAt = 94 * kBlock; // about a second in, between two blocks
    const Stereo& in = sharedMusic();
    const std::size_t end = toggleAt + 2 * kSecond;
    Plugin toggled(h);
    Plugin twin(h);
    h.expect(toggled.ok() && twin.ok(), row.name, "no instance");
    if (!toggled.ok() || !twin.ok()) {
        return;
    }
    Stereo out(in.frames());
    toggled.run(in, out, 0, toggleAt);
    for (const VstIntPtr value : row.values) {
        toggled.dispatch(effSetBypass, 0, value);
    }
    toggled.run(in, out, toggleAt, end - toggleAt);
    Stereo ref(in.frames());
    twin.run(in, ref, 0, end);
    const std::size_t differs = firstDifference(out, ref, 0, end);
    h.expect(differs == end, row.name,
             "output differs from the twin's from " +
                 fmt((double(differs) - double(toggleAt)) / kRate) +
                 " s after the toggle, by up to " +
                 fmt(maxDifference(out, ref, toggleAt, end - toggleAt)));
}

} // namespace hostile
