// The target of the cascades that run on AVX-512's register file without its 512-bit
// instructions (cascade_widest.cpp, cascade_skewed.cpp). Include it before <immintrin.h>.
//
// AVX-512VL gives the 128- and 256-bit instructions sixteen more registers (and mask
// registers), enough to keep a cascade's states and the detector's running values in
// registers. No 512-bit instruction is used: while one is in flight the core stops issuing
// vector work to one of its two multiply-add ports, which is what a cascade lives on. The
// detector's running values stay separate scalars: GCC's straight-line vectorizer would
// pack them into one wide register and put lane moves on their recursions.
#pragma once

// GCC 12's AVX-512 intrinsics start their results from an "undefined" register, which its
// flow analysis reports as maybe uninitialized in every caller.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#define TOLVANE_REGISTER_FILE                                                                      \
    [[gnu::target("avx512f,avx512vl,avx2,fma"), gnu::optimize("no-tree-slp-vectorize")]]
