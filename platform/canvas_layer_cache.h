// A window's layer (editor/canvas.h) as every canvas backend keeps it: which key, size and
// scale its picture was drawn for, and when a redraw starts and ends. The backends differ
// only in where the pixels live and how they are copied onto a paint, so that is all they
// write: a LayerPixels for one picture and a LayerPixelSource that makes them like the
// paint's target. canvas_layer_cache.cpp implements the layer calls of editor/canvas.h on
// it for all of them but the two that need the backend's canvas, canvasLayer and
// drawLayer.
#pragma once

#include "editor/canvas.h"

#include <cstddef>
#include <memory>
#include <vector>

// One picture's pixels, made at one logical size and scale and kept until the layer is
// drawn at another (or goes).
class LayerPixels {
  public:
    virtual ~LayerPixels() = default;
    // A canvas drawing into these pixels at their scale; null when none can be made.
    virtual Canvas* open() = 0;
    // Ends a canvas of open(). `finished`: the picture is complete and becomes the layer's;
    // otherwise the redraw is dropped (the painter threw, or the window goes) and its
    // drawing never counts.
    virtual void close(Canvas* canvas, bool finished) = 0;
};

// Makes a layer's pixels, in the format of the target it is asked for.
class LayerPixelSource {
  public:
    // Asked only for a width and height above 0; null when no pixels can be made.
    virtual std::unique_ptr<LayerPixels> makePixels(int width, int height, double scale) const = 0;

  protected:
    ~LayerPixelSource() = default;
};

// The painter's key bytes, kept byte for byte.
struct LayerKey {
    std::vector<unsigned char> bytes;
    bool valid = false; // false until a redraw has finished, and again while one runs

    bool matches(const void* key, std::size_t keyBytes) const;
    // Keeps `key`; the copy can fail for want of memory (it then throws, leaving the key
    // invalid).
    void store(const void* key, std::size_t keyBytes);
};

// The backend's source of pixels for a layer drawn outside any paint (a recorder needs no
// target); null where only a paint's target can say what the pixels are like.
extern const LayerPixelSource* const kStandingLayerPixels;

struct CanvasLayer {
    // `standing` makes pixels when no paint is in progress (a recorder needs no target);
    // null: only a paint's source can.
    explicit CanvasLayer(const LayerPixelSource* standing = nullptr) : standing_(standing) {}
    ~CanvasLayer();
    CanvasLayer(const CanvasLayer&) = delete;
    CanvasLayer& operator=(const CanvasLayer&) = delete;

    // The paint on the window's target, between opening and closing its canvas: its pixels'
    // source and its scale, which a picture must have been drawn at to be copied.
    void paintStarts(const LayerPixelSource* source, double scale);
    void paintEnds();

    bool holds(const void* key, std::size_t keyBytes, int width, int height) const;
    // A redraw's canvas, or null when none can be made; then the picture held before, if
    // any, is still held and copied as before.
    Canvas* begin(int width, int height);
    // False when `layerCanvas` is not the redraw in progress (and nothing is done).
    bool end(Canvas* layerCanvas, const void* key, std::size_t keyBytes);

    // The pixels of a finished picture, for copying; null while there is none.
    const LayerPixels* picture() const { return key_.valid ? pixels_.get() : nullptr; }
    int width() const { return width_; } // logical, of the pixels
    int height() const { return height_; }
    double scale() const { return scale_; }
    int redraws() const { return redraws_; } // finished ones

  private:
    const LayerPixelSource* standing_;
    const LayerPixelSource* paintSource_ = nullptr;
    double paintScale_ = 1.0;
    std::unique_ptr<LayerPixels> pixels_;
    int width_ = 0;
    int height_ = 0;
    double scale_ = 1.0;
    LayerKey key_;
    Canvas* drawing_ = nullptr; // a redraw in progress, on pixels_
    int redraws_ = 0;
};

// paintStarts and paintEnds for a paint frame's layer, which may be null (none).
void startLayerPaint(CanvasLayer* layer, const LayerPixelSource* source, double scale);
void endLayerPaint(CanvasLayer* layer);

// The layer's finished picture as the backend's own pixels (the backend's source made
// them), for drawLayer; null for a null layer or while there is no picture.
template <class Pixels> const Pixels* layerPicture(const CanvasLayer* layer) {
    return layer != nullptr ? static_cast<const Pixels*>(layer->picture()) : nullptr;
}
