// Which vector instructions the engine uses. Every 64-bit x86 processor has SSE2, so that
// path is the baseline the DLL is built for; where the processor also has AVX2 and FMA the
// cascade fuses its multiply-adds and the output stage works on two samples at once. The
// two paths agree to within the float output's rounding (tests run both against the
// reference engine).
#pragma once

// Any thread: true when the wider path is in use.
bool wideVectorsInUse() noexcept;

// Tests only: keep to the baseline path even where the wider one is available (or allow it
// again).
void forceBaselineVectors(bool baseline) noexcept;
