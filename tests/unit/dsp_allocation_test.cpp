// Proves that the audio path allocates nothing once the band count is stable.
//
// The global operator new/delete are replaced for the whole test binary, so they forward
// to malloc/free and only count, on the current thread, while a test switches counting on.
#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace {

thread_local bool countAllocations = false;
thread_local long allocationCount = 0;

void* allocate(std::size_t size) {
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

using dsptest::makeInstance;
using dsptest::musicLikeSignal;
using dsptest::processInBlocks;

TEST(DspAllocation, CounterSeesAllocations) {
    static std::vector<int> kept;
    const long n = allocationsDuring([] { kept.reserve(kept.capacity() + 64); });
    EXPECT_GE(n, 1);
}

TEST(DspAllocation, ProcessingAllocatesNothing) {
    auto inst = makeInstance();
    auto signal = musicLikeSignal(48000);
    const long n = allocationsDuring([&] { processInBlocks(*inst, signal, 512); });
    EXPECT_EQ(n, 0);
    // The counted stretch ran ~46 analyses and 1500 modulation updates.
    EXPECT_GT(inst->spectrumDb[10], -60.0f);
    EXPECT_NE(inst->lastModulation[4], -1.0);
}

// Band edits within the reserved 24 bands are resynchronised by the audio thread without
// touching the allocator.
TEST(DspAllocation, ResyncWithinReservedBandsAllocatesNothing) {
    auto inst = makeInstance();
    auto signal = musicLikeSignal(4096);
    for (int i = 0; i < 17; ++i) {
        inst->bands.push_back(Band{true, 200.0 + 900.0 * i, 2.0, 1.0, Bell, 0, i % 2 == 0});
    }
    long n = allocationsDuring([&] { processInBlocks(*inst, signal, 256); });
    EXPECT_EQ(n, 0);
    EXPECT_EQ(inst->filters.size(), 24u);
    inst->bands.resize(3);
    n = allocationsDuring([&] { processInBlocks(*inst, signal, 256); });
    EXPECT_EQ(n, 0);
    EXPECT_EQ(inst->filters.size(), 3u);
}

} // namespace
