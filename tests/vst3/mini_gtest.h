// The few GoogleTest macros the ABI test uses, for the mingw build where GoogleTest is not
// installed: the same test file then runs under wine and checks the Windows layout, byte
// order and result codes. Prints every failure, then "N passed, N failed"; exit 0 or 1.
#pragma once

#include "tests/vst3/check_tally.h"

#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

namespace mini_gtest {

struct Case {
    const char* name;
    void (*run)();
};

inline std::vector<Case>& cases() {
    static std::vector<Case> all;
    return all;
}

inline bool note(bool ok, const char* file, int line, const std::string& what) {
    if (!ok) {
        std::printf("FAIL %s:%d: %s\n", file, line, what.c_str());
    }
    return checktally::note(ok);
}

struct Registrar {
    Registrar(const char* name, void (*run)()) { cases().push_back({name, run}); }
};

template <typename T> std::string show(const T& v) {
    if constexpr (std::is_pointer_v<T>) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%p", static_cast<const void*>(v));
        return buffer;
    } else if constexpr (std::is_convertible_v<T, std::string>) {
        return std::string(v);
    } else {
        return std::to_string(v);
    }
}

// Where a failure message is streamed into; the text is dropped (the line is printed).
struct Sink {
    template <typename T> Sink& operator<<(const T&) { return *this; }
};

} // namespace mini_gtest

#define TEST(suite, name)                                                                          \
    static void suite##_##name();                                                                  \
    static const mini_gtest::Registrar suite##_##name##_registrar(#suite "." #name,                \
                                                                  &suite##_##name);                \
    static void suite##_##name()

#define EXPECT_TRUE(cond)                                                                          \
    if (mini_gtest::note(static_cast<bool>(cond), __FILE__, __LINE__, #cond)) {                    \
    } else                                                                                         \
        mini_gtest::Sink()

#define EXPECT_EQ(a, b)                                                                            \
    if (mini_gtest::note((a) == (b), __FILE__, __LINE__,                                           \
                         std::string(#a " == " #b ": ") + mini_gtest::show(a) + " vs " +           \
                             mini_gtest::show(b))) {                                               \
    } else                                                                                         \
        mini_gtest::Sink()

int main() {
    for (const mini_gtest::Case& c : mini_gtest::cases()) {
        const int before = checktally::count().failed;
        c.run();
        std::printf("%s %s\n", checktally::count().failed == before ? "ok  " : "FAIL", c.name);
    }
    const int failed = checktally::finish();
    return failed == 0 && checktally::count().passed > 0 ? 0 : 1;
}
