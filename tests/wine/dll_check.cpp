// Loads Tolvane-Q.dll the way a VST 2.4 host does and checks it from the outside: the
// exports, the host record byte by byte, the dispatcher's answers and texts, parameter
// clamping and texts, instance lifecycles, the editor in a real window, and audio.
//
//     dll_check.exe <output.f32>                 every check; writes the rendered signal
//     dll_check.exe --render-only <output.f32>   only the render (for the cross-build match)
//
// The render is the fixed signal of fixed_signal.h as raw float32, L and R interleaved.
// Prints "N passed, N failed"; the exit code is the number of failures.
#include "tests/wine/check_support.h"
#include "tests/wine/dll_check_audio.h"
#include "tests/wine/dll_check_dispatcher.h"
#include "tests/wine/dll_check_lifecycle.h"
#include "tests/wine/dll_check_record.h"
#include "tests/wine/fixed_signal.h"

#include <cstdio>
#include <cstring>

namespace {

bool writeFloats(const char* path, const std::vector<float>& data) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(data.data(), sizeof(float), data.size(), file) == data.size();
    return std::fclose(file) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    // Unbuffered, so a hang or crash under wine still shows how far the check got.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const bool renderOnly = argc == 3 && std::strcmp(argv[1], "--render-only") == 0;
    if (argc != 2 && !renderOnly) {
        std::printf("usage: dll_check.exe [--render-only] <output.f32>\n");
        return 1;
    }
    const char* outputPath = argv[argc - 1];
    // The DLL is found next to this program, where the Windows build puts both.
    HMODULE dll = LoadLibraryA("Tolvane-Q.dll");
    if (!check::expect(dll != nullptr, "exports", "LoadLibraryA(Tolvane-Q.dll) failed")) {
        return check::finish();
    }
    const rows::Entry entry = rows::checkExports(dll);
    if (entry == nullptr) {
        return check::finish();
    }
    if (renderOnly) {
        AEffect* effect = entry(rows::hostCallback);
        const std::vector<float> out = fixed_signal::render(effect);
        check::expect(writeFloats(outputPath, out), "processing", "cannot write output");
        check::dispatch(effect, effClose);
        return check::finish();
    }
    std::printf("rows: record\n");
    rows::checkRecord(entry);
    std::printf("rows: dispatcher\n");
    rows::checkDispatcher(entry);
    std::printf("rows: params\n");
    rows::checkParameters(entry);
    std::printf("rows: closed instance\n");
    rows::checkClosedInstance(entry);
    std::printf("rows: instance orders\n");
    rows::checkInstanceOrders(entry);
    std::printf("rows: editor\n");
    rows::checkEditor(entry, dll);
    rows::checkCloseFromAnotherThread(entry);
    rows::checkWindowWithoutInstance(dll);
    rows::checkZeroSizePaint(entry);
    std::printf("rows: processing\n");
    const std::vector<float> out = rows::checkProcessing(entry);
    check::expect(writeFloats(outputPath, out), "processing", "cannot write output");
    rows::checkUnload(entry, dll);
    return check::finish();
}
