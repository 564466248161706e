// Proves that the audio path allocates nothing once the band count is stable.
//
// The global operator new/delete are replaced for the whole test binary, so they forward
// to malloc/free and only count, on the current thread, while a test switches counting on.
// They can also be told to fail, so construction failures can be provoked on purpose.
#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace {

thread_local bool countAllocations = false;
thread_local long allocationCount = 0;
thread_local long allocationsBeforeFailure = -1;

void* allocate(std::size_t size) {
    if (allocationsBeforeFailure >= 0 && allocationsBeforeFailure-- == 0) {
        return nullptr;
    }
    if (countAllocations) {
        ++allocationCount;
    }
    return std::malloc(size == 0 ? 1 : size);
}

void* allocateOrThrow(std::size_t size) {
    void* p = allocate(size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}

// Counts the allocations made by fn on this thread.
template <typename Fn> long allocationsDuring(Fn&& fn) {
    allocationCount = 0;
    countAllocations = true;
    fn();
    countAllocations = false;
    return allocationCount;
}

} // namespace

void dsptest::failAllocationAfter(long n) {
    allocationsBeforeFailure = n;
}

void* operator new(std::size_t size) {
    return allocateOrThrow(size);
}
void* operator new[](std::size_t size) {
    return allocateOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

namespace {

using dsptest::musicLikeSignal;
using dsptest::processInBlocks;
using DspAllocation = dsptest::EngineTest;

TEST_F(DspAllocation, ProcessingAllocatesNothing) {
    static std::vector<int> kept; // the counter itself must see an allocation
    ASSERT_GE(allocationsDuring([] { kept.reserve(kept.capacity() + 64); }), 1);
    auto signal = musicLikeSignal(48000);
    EXPECT_EQ(allocationsDuring([&] { processInBlocks(*inst, signal, 512); }), 0);
    // The counted stretch ran ~46 analyses and 1500 modulation updates.
    EXPECT_GT(inst->spectrumDb[10], -60.0f);
    EXPECT_NE(inst->lastModulation[4], -1.0);
}

// The analysis spread over small blocks (window on arrival, the transform's parts, the
// tick's bins, the slices of levels) works in the engine's own arrays too.
TEST_F(DspAllocation, SpreadAnalysisInSmallBlocksAllocatesNothing) {
    auto signal = musicLikeSignal(20000);
    for (const std::size_t block : {1u, 7u, 64u}) {
        const std::uint64_t before = inst->analysisCount;
        EXPECT_EQ(allocationsDuring([&] { processInBlocks(*inst, signal, block); }), 0) << block;
        EXPECT_GE(inst->analysisCount, before + 18) << block;
    }
}

// Band edits within the reserved 24 bands are resynchronised by the audio thread without
// touching the allocator.
TEST_F(DspAllocation, ResyncWithinReservedBandsAllocatesNothing) {
    auto signal = musicLikeSignal(4096);
    for (int i = 0; i < 17; ++i) {
        inst->bands.push_back(Band{true, 200.0 + 900.0 * i, 2.0, 1.0, Bell, 0, i % 2 == 0});
    }
    for (std::size_t bands : {24u, 3u}) {
        inst->bands.resize(bands);
        EXPECT_EQ(allocationsDuring([&] { processInBlocks(*inst, signal, 256); }), 0);
        EXPECT_EQ(inst->filters.size(), bands);
    }
}

} // namespace
