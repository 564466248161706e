// The parameters' texts for VST 3 hosts: the VST 2.4 display texts for any value, and typed
// texts parsed back to values that display the same.
#include "host/parameters.h"
#include "vst3/param_changes.h"
#include "vst3/param_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::string narrow(const char16_t* text) {
    std::string s;
    for (; *text != 0; ++text) {
        s.push_back(static_cast<char>(*text));
    }
    return s;
}

std::u16string wide(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

std::string display(int index, double v) {
    char16_t text[128];
    paramDisplayText(index, v, text);
    return narrow(text);
}

} // namespace

TEST(Vst3ParamTexts, DisplayMatchesTheVst24Texts) {
    EXPECT_EQ(display(0, 0.5), "+0.0");
    EXPECT_EQ(display(0, 0.75), "+6.0");
    EXPECT_EQ(display(0, 0.0), "-12.0");
    EXPECT_EQ(display(1, 0.85), "85");
    EXPECT_EQ(display(3, 0.92), "92");
    EXPECT_EQ(display(4, 0.49), "ACTIVE");
    EXPECT_EQ(display(4, 1.0), "BYPASS");
    for (int index = 0; index < 5; ++index) {
        for (int i = 0; i <= 100; ++i) {
            char vst2[24];
            formatParamDisplay(index, static_cast<float>(i / 100.0), vst2);
            EXPECT_EQ(display(index, i / 100.0), std::string(vst2)) << index << " " << i;
        }
    }
}

// Every displayed text parses back to a value that displays the same text.
TEST(Vst3ParamTexts, ParseRoundTripsTheDisplay) {
    for (int index = 0; index < 5; ++index) {
        for (int i = 0; i <= 1000; ++i) {
            const std::string shown = display(index, i / 1000.0);
            const auto value = parseParamText(index, wide(shown).c_str());
            ASSERT_TRUE(value.has_value()) << index << " '" << shown << "'";
            EXPECT_EQ(display(index, *value), shown) << index;
        }
    }
}

TEST(Vst3ParamTexts, ParsesUnitsAndRefusesNonsense) {
    EXPECT_DOUBLE_EQ(*parseParamText(0, u"+6 dB"), 0.75);
    EXPECT_DOUBLE_EQ(*parseParamText(0, u" -12.0 "), 0.0);
    EXPECT_DOUBLE_EQ(*parseParamText(0, u"40"), 1.0); // clamped like any host value
    EXPECT_DOUBLE_EQ(*parseParamText(2, u"50 %"), 0.5);
    EXPECT_DOUBLE_EQ(*parseParamText(4, u"bypass"), 1.0);
    EXPECT_DOUBLE_EQ(*parseParamText(4, u"ACTIVE"), 0.0);
    EXPECT_FALSE(parseParamText(0, u"").has_value());
    EXPECT_FALSE(parseParamText(0, u"loud").has_value());
    EXPECT_FALSE(parseParamText(1, u"50 dB").has_value());
    EXPECT_FALSE(parseParamText(4, u"maybe").has_value());
    EXPECT_FALSE(parseParamText(5, u"1").has_value());
    EXPECT_FALSE(parseParamText(1, u"nan").has_value());
    EXPECT_DOUBLE_EQ(paramToPlain(0, 0.25), -6.0);
    EXPECT_DOUBLE_EQ(plainToParam(0, -6.0), 0.25);
    EXPECT_DOUBLE_EQ(paramToPlain(3, 0.5), 50.0);
}

namespace {

struct Queue final : vst3::IParamValueQueue {
    Queue(vst3::ParamID queueId, std::vector<std::pair<vst3::int32, double>> queuePoints)
        : id(queueId), points(std::move(queuePoints)) {}
    vst3::ParamID id;
    std::vector<std::pair<vst3::int32, double>> points;
    vst3::tresult queryInterface(const vst3::TUID, void**) override { return vst3::kNoInterface; }
    vst3::uint32 addRef() override { return 1; }
    vst3::uint32 release() override { return 1; }
    vst3::ParamID getParameterId() override { return id; }
    vst3::int32 getPointCount() override { return static_cast<vst3::int32>(points.size()); }
    vst3::tresult getPoint(vst3::int32 i, vst3::int32& offset, double& value) override {
        if (i < 0 || i >= getPointCount()) {
            return vst3::kInvalidArgument;
        }
        offset = points[static_cast<std::size_t>(i)].first;
        value = points[static_cast<std::size_t>(i)].second;
        return vst3::kResultOk;
    }
    vst3::tresult addPoint(vst3::int32, double, vst3::int32&) override {
        return vst3::kNotImplemented;
    }
};

struct Changes final : vst3::IParameterChanges {
    std::vector<Queue*> queues;
    vst3::tresult queryInterface(const vst3::TUID, void**) override { return vst3::kNoInterface; }
    vst3::uint32 addRef() override { return 1; }
    vst3::uint32 release() override { return 1; }
    vst3::int32 getParameterCount() override { return static_cast<vst3::int32>(queues.size()); }
    vst3::IParamValueQueue* getParameterData(vst3::int32 i) override {
        return i >= 0 && i < getParameterCount() ? queues[static_cast<std::size_t>(i)] : nullptr;
    }
    vst3::IParamValueQueue* addParameterData(const vst3::ParamID&, vst3::int32&) override {
        return nullptr;
    }
};

} // namespace

// Changes come out in sample order across queues, unknown parameters are skipped, and the
// next offset is where the block must be cut.
TEST(Vst3ParamChanges, WalksAllQueuesInSampleOrder) {
    Queue trim(0, {{5, 0.1}, {40, 0.2}});
    Queue unknown(9, {{1, 0.5}});
    Queue bypass(4, {{0, 1.0}, {40, 0.0}, {100, 1.0}});
    Changes changes;
    changes.queues = {&trim, &unknown, &bypass};
    vst3::ParamChangeCursor cursor(&changes);
    std::vector<std::pair<int, double>> seen;
    const auto record = [&seen](int index, double v) { seen.emplace_back(index, v); };
    cursor.applyThrough(0, record);
    EXPECT_EQ(cursor.nextOffset(), 5);
    cursor.applyThrough(5, record);
    EXPECT_EQ(cursor.nextOffset(), 40);
    cursor.applyThrough(64, record);
    EXPECT_EQ(cursor.nextOffset(), 100);
    cursor.applyThrough(INT32_MAX, record);
    EXPECT_EQ(cursor.nextOffset(), INT32_MAX);
    const std::vector<std::pair<int, double>> expected = {
        {4, 1.0}, {0, 0.1}, {0, 0.2}, {4, 0.0}, {4, 1.0}};
    EXPECT_EQ(seen, expected);
    vst3::ParamChangeCursor none(nullptr);
    EXPECT_EQ(none.nextOffset(), INT32_MAX);
}
