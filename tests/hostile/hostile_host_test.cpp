// The hostile host natively: Tolvane-Q's own code, linked in with AddressSanitizer and
// UndefinedBehaviorSanitizer, driven through VSTPluginMain and the record's slots. One
// GoogleTest per table row where the cases have rows, so a crash takes down only its row.
#include "host/entry.h"
#include "tests/hostile/hostile_checks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>

namespace hostile {

// Rows print as their names in GoogleTest's messages and test list.
void PrintTo(const BurstRow& row, std::ostream* os) {
    *os << row.name;
}
void PrintTo(const RateRow& row, std::ostream* os) {
    *os << row.name;
}
void PrintTo(const BypassRow& row, std::ostream* os) {
    *os << row.name;
}

} // namespace hostile

namespace {

void expectOk(bool ok, const std::string& row, const std::string& what) {
    EXPECT_TRUE(ok) << "[" << row << "] " << what;
}

void note(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// Records are freed once closed, or the leak checker would report every one of them.
const hostile::Harness kHarness{VSTPluginMain, expectOk, note, releaseRecord};

TEST(HostileHost, EveryOpcodeWithOddArguments) {
    hostile::checkOpcodeSweep(kHarness);
}

TEST(HostileHost, BadParameterIndicesAndValues) {
    hostile::checkParameterAbuse(kHarness);
}

TEST(HostileHost, ManyInstancesOnSeveralThreads) {
    hostile::checkManyInstances(kHarness);
}

TEST(HostileHost, CloseWhileAnotherThreadProcesses) {
    hostile::checkCloseWhileProcessing(kHarness);
}

template <typename Row> std::string rowName(const ::testing::TestParamInfo<Row>& info) {
    return info.param.name;
}

class HostileBurst : public ::testing::TestWithParam<hostile::BurstRow> {};

TEST_P(HostileBurst, OutputRecoversAndForgetsTheBurst) {
    hostile::checkBurst(kHarness, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileBurst, ::testing::ValuesIn(hostile::kBurstRows),
                         rowName<hostile::BurstRow>);

class HostileRate : public ::testing::TestWithParam<hostile::RateRow> {};

TEST_P(HostileRate, SwitchedMidStream) {
    hostile::checkRate(kHarness, GetParam(), hostile::RateChange::MidStream);
}

TEST_P(HostileRate, FreshInstance) {
    hostile::checkRate(kHarness, GetParam(), hostile::RateChange::FreshInstance);
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileRate, ::testing::ValuesIn(hostile::kRateRows),
                         rowName<hostile::RateRow>);

class HostileBypass : public ::testing::TestWithParam<hostile::BypassRow> {};

TEST_P(HostileBypass, ToggleLeavesTheOutputBitForBit) {
    hostile::checkBypassToggle(kHarness, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileBypass, ::testing::ValuesIn(hostile::bypassRows()),
                         rowName<hostile::BypassRow>);

} // namespace
