// Preloaded into Ardour's headless Lua session (LD_PRELOAD) so that Ardour never picks its
// AVX-512 mixing routines: on AVX-512 processors Ardour 7.3's routines corrupted its heap
// (a crash at exit, garbage in buffers nothing was connected to). Its AVX and FMA routines
// are used instead, and every run is clean.
//
// PBD::FPU is the singleton Ardour asks which vector units to use when it sets up its mix
// functions (ARDOUR::init, after every library's constructors have run). Creating it here
// first and clearing its AVX-512 flag (0x80 of its only data member) leaves every other
// detected feature as it is, which ARDOUR_FPU_FLAGS, a replacement of the whole set, would
// not. In a process without libpbd (the shell that starts the session) nothing happens.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr unsigned kHasAvx512f = 0x80;

__attribute__((constructor)) void clearAvx512() {
    using Instance = void* (*)();
    // PBD::FPU::instance()
    void* symbol = dlsym(RTLD_DEFAULT, "_ZN3PBD3FPU8instanceEv");
    if (symbol == nullptr) {
        return;
    }
    Instance instance = nullptr;
    std::memcpy(&instance, &symbol, sizeof instance);
    auto* flags = static_cast<unsigned*>(instance());
    if (flags == nullptr) {
        return;
    }
    if ((*flags & kHasAvx512f) != 0) {
        *flags &= ~kHasAvx512f;
        if (std::getenv("TOLVANE_FPU_SHIM_QUIET") == nullptr) {
            std::fprintf(stderr, "fpu_shim: AVX-512 routines disabled\n");
        }
    }
}

} // namespace
