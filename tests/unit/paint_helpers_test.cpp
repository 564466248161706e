// Building blocks of the painter: biquad response, bounded text, snapshot capture.
#include "editor/band_response.h"
#include "editor/editor_view.h"
#include "editor/paint_helpers.h"
#include "editor/text_format.h"
#include "paint_test_support.h"

#include <cwchar>

using namespace painttest;

TEST(BandResponse, LevelsOfKnownFilters) {
    const double sr = 48000.0;
    const BiquadCoefficients bell = designBiquad(Bell, 1000.0, 6.0, 1.0, sr);
    const BiquadCoefficients cut = designBiquad(LowCut, 1000.0, 0.0, 0.707, sr);
    struct Case {
        BiquadCoefficients c;
        double frequency;
        ResponseKind kind;
        double db;
    };
    const Case cases[] = {
        {BiquadCoefficients{}, 440.0, ResponseKind::Level, 0.0},
        {BiquadCoefficients{0.5, 0, 0, 0, 0}, 440.0, ResponseKind::Level, -6.0206},
        {bell, 1000.0, ResponseKind::Level, 6.0},
        {cut, 1000.0, ResponseKind::Level, -3.0116}, // |H|^2 = 0.5 * ... at the corner, Q 0.707
        {BiquadCoefficients{0, 0, 0, 0, 0}, 440.0, ResponseKind::Silent, 0.0},
        // Poles on the unit circle at DC: 1 - 2z^-1 + z^-2 vanishes at f = 0.
        {BiquadCoefficients{1, 0, 0, -2, 1}, 0.0, ResponseKind::Undefined, 0.0},
    };
    for (const Case& c : cases) {
        const BandResponse r = bandResponse(c.c, c.frequency, sr);
        EXPECT_EQ(r.kind, c.kind) << c.frequency;
        if (c.kind == ResponseKind::Level) {
            EXPECT_NEAR(r.db, c.db, 0.01) << c.frequency;
        }
    }
    EXPECT_EQ(bandResponse(bell, 1000.0, 0.0).kind, ResponseKind::Undefined);
}

TEST(TextFormat, FormatsAndBounds) {
    EXPECT_STREQ(formatShortText(24, L"%+.1f dB", 2.8).text, L"+2.8 dB");
    EXPECT_STREQ(formatShortText(16, L"%.0f%%", 85.0).text, L"85%");
    EXPECT_STREQ(formatShortText(16, L"%gk", 20.0).text, L"20k");
    EXPECT_STREQ(formatShortText(24, L"%.2f kHz", 12.5).text, L"12.50 kHz");
    // A runaway value is cut to the bound instead of overflowing.
    const ShortText huge = formatShortText(8, L"%+.1f dB", 1e300);
    EXPECT_LE(std::wcslen(huge.text), 8u);
    const ShortText wide = formatShortText(100, L"%s", L"0123456789012345678901234567890123");
    EXPECT_LE(std::wcslen(wide.text), kShortTextCapacity - 1);
}
