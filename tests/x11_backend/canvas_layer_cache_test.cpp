// The layer bookkeeping every canvas backend shares (platform/canvas_layer_cache.h), over
// pixels of the test's own that count what is done with them: when a picture is reused,
// when it must be drawn again, and what a redraw that fails or is dropped leaves behind.
#include "platform/canvas_layer_cache.h"
#include "platform/x11/cairo_canvas.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

struct PixelLog {
    std::vector<double> madeAtScale; // one entry a makePixels that succeeded
    int finished = 0;
    int dropped = 0;
    int destroyed = 0;
    bool failOpen = false;
};

// Real canvases (on a small image surface) so every canvas handed out is a distinct one.
class CountedPixels final : public LayerPixels {
  public:
    explicit CountedPixels(PixelLog& log)
        : log_(log), surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 4)) {}
    ~CountedPixels() override {
        ++log_.destroyed;
        cairo_surface_destroy(surface_);
    }
    CountedPixels(const CountedPixels&) = delete;
    CountedPixels& operator=(const CountedPixels&) = delete;

    Canvas* open() override { return log_.failOpen ? nullptr : openCairoCanvas(surface_, nullptr); }
    void close(Canvas* canvas, bool finished) override {
        ++(finished ? log_.finished : log_.dropped);
        closeCairoCanvas(canvas);
    }

  private:
    PixelLog& log_;
    cairo_surface_t* surface_;
};

struct CountedSource final : LayerPixelSource {
    explicit CountedSource(PixelLog& l) : log(l) {}
    std::unique_ptr<LayerPixels> makePixels(int, int, double scale) const override {
        if (failMake) {
            return nullptr;
        }
        log.madeAtScale.push_back(scale);
        return std::make_unique<CountedPixels>(log);
    }
    PixelLog& log;
    bool failMake = false;
};

constexpr std::uint32_t kKey = 0x01020304;
constexpr std::uint32_t kOtherKey = 0x01020305;

// Draws the layer at width x height under `key`; false when the redraw could not start.
bool redraw(CanvasLayer& layer, const void* key, std::size_t keyBytes, int width = 64,
            int height = 48) {
    Canvas* canvas = layer.begin(width, height);
    return canvas != nullptr && layer.end(canvas, key, keyBytes);
}

} // namespace

TEST(CanvasLayerCache, KeysCompareByteForByte) {
    PixelLog log;
    CountedSource source(log);
    CanvasLayer layer(&source);
    EXPECT_FALSE(layer.holds(&kKey, sizeof kKey, 64, 48)); // nothing drawn yet
    ASSERT_TRUE(redraw(layer, &kKey, sizeof kKey));
    const std::uint32_t same = kKey;
    const std::uint64_t longer = kKey;
    EXPECT_TRUE(layer.holds(&same, sizeof same, 64, 48));
    EXPECT_FALSE(layer.holds(&kOtherKey, sizeof kOtherKey, 64, 48));
    EXPECT_FALSE(layer.holds(&longer, sizeof longer, 64, 48));
    EXPECT_FALSE(layer.holds(&same, sizeof same - 1, 64, 48));
    EXPECT_FALSE(layer.holds(nullptr, 0, 64, 48));

    // An empty key is a key like any other.
    ASSERT_TRUE(redraw(layer, nullptr, 0));
    EXPECT_TRUE(layer.holds(nullptr, 0, 64, 48));
    EXPECT_FALSE(layer.holds(&kKey, sizeof kKey, 64, 48));
    EXPECT_EQ(layer.redraws(), 2);
}

TEST(CanvasLayerCache, SameSizeAndScaleReuseThePixels) {
    PixelLog log;
    CountedSource source(log);
    CanvasLayer layer(&source);
    ASSERT_TRUE(redraw(layer, &kKey, sizeof kKey));
    const LayerPixels* first = layer.picture();
    ASSERT_NE(first, nullptr);
    Canvas* canvas = layer.begin(64, 48);
    ASSERT_NE(canvas, nullptr);
    // The steps are overwriting the picture: it is not one to copy until the redraw ends.
    EXPECT_EQ(layer.picture(), nullptr);
    EXPECT_FALSE(layer.holds(&kKey, sizeof kKey, 64, 48));
    ASSERT_TRUE(layer.end(canvas, &kOtherKey, sizeof kOtherKey));
    EXPECT_EQ(layer.picture(), first);
    EXPECT_EQ(log.madeAtScale.size(), 1u);
    EXPECT_EQ(log.finished, 2);
    EXPECT_TRUE(layer.holds(&kOtherKey, sizeof kOtherKey, 64, 48));
}

TEST(CanvasLayerCache, AnotherSizeForcesARedrawOnNewPixels) {
    PixelLog log;
    CountedSource source(log);
    CanvasLayer layer(&source);
    ASSERT_TRUE(redraw(layer, &kKey, sizeof kKey));
    EXPECT_FALSE(layer.holds(&kKey, sizeof kKey, 65, 48));
    EXPECT_FALSE(layer.holds(&kKey, sizeof kKey, 64, 47));
    ASSERT_TRUE(redraw(layer, &kKey, sizeof kKey, 65, 48));
    EXPECT_EQ(log.madeAtScale.size(), 2u);
    EXPECT_EQ(log.destroyed, 1); // the old pixels went once the new ones were drawing
    EXPECT_EQ(layer.width(), 65);
    EXPECT_EQ(layer.height(), 48);
    EXPECT_TRUE(layer.holds(&kKey, sizeof kKey, 65, 48));
    EXPECT_FALSE(layer.holds(&kKey, sizeof kKey, 64, 48));
}

// A picture is copied only onto a paint of the scale it was drawn at; the paint's source
// makes the pixels, at that scale.
TEST(CanvasLayerCache, AnotherScaleForcesARedraw) {
    PixelLog standingLog;
    CountedSource standing(standingLog);
    PixelLog paintLog;
    CountedSource paint(paintLog);
    CanvasLayer layer(&standing);
    ASSERT_TRUE(redraw(layer, &kKey, sizeof kKey));
    EXPECT_EQ(standingLog.madeAtScale, std::vector<double>{1.0});

    layer.paintStarts(&paint, 2.0);
    EXPECT_FALSE(layer.holds(&kKey, sizeof kKey, 64, 48));
    ASSERT_TRUE(redraw(layer, &kKey, sizeof kKey));
    EXPECT_EQ(paintLog.madeAtScale, std::vector<double>{2.0});
    EXPECT_EQ(layer.scale(), 2.0);
    EXPECT_TRUE(layer.holds(&kKey, sizeof kKey, 64, 48));
    layer.paintEnds();
    EXPECT_FALSE(layer.holds(&kKey, sizeof kKey, 64, 48)); // back at scale 1

    layer.paintStarts(&paint, 2.0);
    EXPECT_TRUE(layer.holds(&kKey, sizeof kKey, 64, 48));
    layer.paintEnds();
}

TEST(CanvasLayerCache, AFailedBeginLeavesTheOldPicture) {
    PixelLog log;
    CountedSource source(log);
    CanvasLayer layer(&source);
    ASSERT_TRUE(redraw(layer, &kKey, sizeof kKey));
    const LayerPixels* old = layer.picture();

    // No pixels for the new size.
    source.failMake = true;
    EXPECT_EQ(layer.begin(80, 60), nullptr);
    EXPECT_EQ(layer.picture(), old);
    EXPECT_TRUE(layer.holds(&kKey, sizeof kKey, 64, 48));
    EXPECT_EQ(log.destroyed, 0);

    // New pixels made but no canvas on them: they go, the old ones stay.
    source.failMake = false;
    log.failOpen = true;
    EXPECT_EQ(layer.begin(80, 60), nullptr);
    EXPECT_EQ(log.destroyed, 1);
    EXPECT_EQ(layer.picture(), old);
    EXPECT_TRUE(layer.holds(&kKey, sizeof kKey, 64, 48));

    // No canvas on the pixels kept: the picture in them is still whole.
    EXPECT_EQ(layer.begin(64, 48), nullptr);
    EXPECT_EQ(layer.picture(), old);
    EXPECT_TRUE(layer.holds(&kKey, sizeof kKey, 64, 48));
    EXPECT_EQ(layer.width(), 64);
    EXPECT_EQ(layer.redraws(), 1);

    // A layer with no source to make pixels (no paint in progress) cannot start either.
    CanvasLayer bare;
    EXPECT_EQ(bare.begin(64, 48), nullptr);
    EXPECT_EQ(bare.picture(), nullptr);
}

// The key is stored behind a guard: a key the store cannot hold ends the redraw without an
// exception and without a picture, so the next paint draws it again.
TEST(CanvasLayerCache, AKeyThatCannotBeStoredLeavesNoPicture) {
    PixelLog log;
    CountedSource source(log);
    CanvasLayer layer(&source);
    ASSERT_TRUE(redraw(layer, &kKey, sizeof kKey));
    Canvas* canvas = layer.begin(64, 48);
    ASSERT_NE(canvas, nullptr);
    const std::size_t tooLong = static_cast<std::size_t>(-1); // more than any vector holds
    bool ended = false;
    EXPECT_NO_THROW(ended = layer.end(canvas, &kKey, tooLong));
    EXPECT_TRUE(ended);
    EXPECT_EQ(log.finished, 2);
    EXPECT_EQ(layer.picture(), nullptr);
    EXPECT_FALSE(layer.holds(&kKey, sizeof kKey, 64, 48));

    ASSERT_TRUE(redraw(layer, &kKey, sizeof kKey));
    EXPECT_TRUE(layer.holds(&kKey, sizeof kKey, 64, 48));
}

TEST(CanvasLayerCache, AnUnfinishedRedrawIsDroppedAndOnlyItsOwnCanvasEndsIt) {
    PixelLog log;
    CountedSource source(log);
    {
        CanvasLayer layer(&source);
        Canvas* first = layer.begin(64, 48);
        ASSERT_NE(first, nullptr);
        Canvas* second = layer.begin(64, 48); // the first never ended
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(log.dropped, 1);
        EXPECT_FALSE(layer.end(first, &kKey, sizeof kKey));
        EXPECT_FALSE(layer.end(nullptr, &kKey, sizeof kKey));
        EXPECT_FALSE(layer.holds(&kKey, sizeof kKey, 64, 48));
        EXPECT_TRUE(layer.end(second, &kKey, sizeof kKey));
        EXPECT_FALSE(layer.end(second, &kKey, sizeof kKey)); // already ended
        EXPECT_EQ(layer.redraws(), 1);
        ASSERT_NE(layer.begin(64, 48), nullptr); // left open when the layer goes
    }
    EXPECT_EQ(log.dropped, 2);
    EXPECT_EQ(log.finished, 1);
    EXPECT_EQ(log.destroyed, 1);
}

TEST(CanvasLayerCache, NullLayersAreHarmless) {
    EXPECT_FALSE(layerHolds(nullptr, &kKey, sizeof kKey, 64, 48));
    EXPECT_EQ(beginLayer(nullptr, 64, 48), nullptr);
    endLayer(nullptr, nullptr, &kKey, sizeof kKey);
    destroyCanvasLayer(nullptr);
}
