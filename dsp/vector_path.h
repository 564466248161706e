// Which vector instructions the engine uses. Every 64-bit x86 processor has SSE2, so that
// path is the baseline the DLL is built for; where the processor also has AVX2 the output
// stage works on two samples at once, with the same operations in the same order, so both
// paths give bit-identical results (tests run both).
#pragma once

// Any thread: true when the wider path is in use.
bool wideVectorsInUse() noexcept;

// Tests only: keep to the baseline path even where AVX2 is available (or allow it again).
void forceBaselineVectors(bool baseline) noexcept;
