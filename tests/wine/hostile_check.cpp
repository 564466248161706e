// The hostile host under wine: loads Tolvane-Q.dll the way a DAW does and runs the cases
// of tests/hostile/hostile_checks.h against it.
//
//     hostile_check.exe <dll> [case...]      the named cases, or every case
//
// The checks print their figures as they go. Prints "N passed, N failed"; the exit code is
// the number of failures.
#include "tests/hostile/hostile_checks.h"
#include "tests/wine/check_support.h"

#include <cstdio>
#include <cstring>

namespace {

void expectOk(bool ok, const std::string& row, const std::string& what) {
    check::expect(ok, row.c_str(), what);
}

void note(const std::string& line) {
    std::printf("%s\n", line.c_str());
}

hostile::Entry findEntry(HMODULE dll) {
    // Through void* because FARPROC's signature is a placeholder, not the real one.
    return reinterpret_cast<hostile::Entry>(
        reinterpret_cast<void*>(GetProcAddress(dll, "VSTPluginMain")));
}

const hostile::NamedCase* findCase(const char* name) {
    for (const hostile::NamedCase& c : hostile::kCases) {
        if (std::strcmp(c.name, name) == 0) {
            return &c;
        }
    }
    return nullptr;
}

void runCase(const hostile::NamedCase& c, const hostile::Harness& harness) {
    std::printf("case: %s\n", c.name);
    const DWORD start = GetTickCount();
    c.run(harness);
    std::printf("case %s took %lu ms\n", c.name,
                static_cast<unsigned long>(GetTickCount() - start));
}

} // namespace

int main(int argc, char** argv) {
    // Unbuffered, so a crash under wine still shows how far the check got.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 2) {
        std::printf("usage: hostile_check.exe <dll> [case...]\n");
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        if (findCase(argv[i]) == nullptr) {
            std::printf("unknown case '%s'\n", argv[i]);
            return 1;
        }
    }
    HMODULE dll = LoadLibraryA(argv[1]);
    const hostile::Entry entry = dll != nullptr ? findEntry(dll) : nullptr;
    if (!check::expect(entry != nullptr, "load", std::string("no VSTPluginMain in ") + argv[1])) {
        return check::finish();
    }
    // A DAW never frees a record, so neither does this host.
    const hostile::Harness harness{entry, expectOk, note, nullptr};
    if (argc == 2) {
        for (const hostile::NamedCase& c : hostile::kCases) {
            runCase(c, harness);
        }
    }
    for (int i = 2; i < argc; ++i) {
        runCase(*findCase(argv[i]), harness);
    }
    return check::finish();
}
