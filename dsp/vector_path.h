// Which vector instructions the engine uses. Every 64-bit x86 processor has SSE2, so that
// path is the baseline the DLL is built for; where the processor also has AVX2 and FMA the
// cascade fuses its multiply-adds and the output stage works on two samples at once, and
// where it has AVX-512 (F and VL) as well the output stage works on four and the cascade
// runs skewed, two stages per register (cascade_skewed.h), or, past eight stages, keeps its
// states and the detector in the larger register file (cascade_widest.h). The wide and the
// widest path give identical results; they agree with the baseline to within the float
// output's rounding (tests run every path the processor has against the reference engine).
#pragma once

enum class VectorPath { Baseline, Wide, Widest };

// Any thread: the widest path this processor has, within the limit tests may set.
VectorPath vectorPathInUse() noexcept;

// Any thread: true when the wide path (or the widest, which includes it) is in use.
bool wideVectorsInUse() noexcept;
// Any thread: true when the widest path is in use.
bool widestVectorsInUse() noexcept;

// Tests only: use no path wider than `highest`, even where the processor has one
// (VectorPath::Widest lifts the limit again).
void limitVectorPath(VectorPath highest) noexcept;
