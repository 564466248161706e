// The bookkeeping of a window's layer, shared by the canvas backends so they agree exactly
// on when a picture can be reused and what a failed or unfinished redraw leaves behind.
#include "platform/canvas_layer_cache.h"

#include <cstring>
#include <new>
#include <utility>

bool LayerKey::matches(const void* key, std::size_t keyBytes) const {
    return valid && bytes.size() == keyBytes &&
           (keyBytes == 0 || std::memcmp(bytes.data(), key, keyBytes) == 0);
}

void LayerKey::store(const void* key, std::size_t keyBytes) {
    valid = false;
    // Sized first, so a length no vector can hold throws before the key is read.
    bytes.resize(keyBytes);
    if (keyBytes != 0) {
        std::memcpy(bytes.data(), key, keyBytes);
    }
    valid = true;
}

CanvasLayer::~CanvasLayer() {
    if (drawing_ != nullptr) {
        pixels_->close(drawing_, false);
    }
}

void CanvasLayer::paintStarts(const LayerPixelSource* source, double scale) {
    paintSource_ = source;
    paintScale_ = scale;
}

void CanvasLayer::paintEnds() {
    paintSource_ = nullptr;
    paintScale_ = 1.0;
}

bool CanvasLayer::holds(const void* key, std::size_t keyBytes, int width, int height) const {
    return pixels_ != nullptr && width_ == width && height_ == height && scale_ == paintScale_ &&
           key_.matches(key, keyBytes);
}

// The pixels are kept when the size and scale are unchanged; the steps cover all of them
// again. New pixels are made and opened before the old ones go, so a redraw that cannot
// start costs nothing: the picture held before stays whole, key and all. A redraw left
// unfinished (the painter threw) is dropped here.
Canvas* CanvasLayer::begin(int width, int height) {
    if (drawing_ != nullptr) {
        Canvas* dropped = std::exchange(drawing_, nullptr);
        pixels_->close(dropped, false);
    }
    std::unique_ptr<LayerPixels> fresh;
    LayerPixels* target = pixels_.get();
    if (target == nullptr || width_ != width || height_ != height || scale_ != paintScale_) {
        const LayerPixelSource* source = paintSource_ != nullptr ? paintSource_ : standing_;
        if (source != nullptr && width > 0 && height > 0) {
            fresh = source->makePixels(width, height, paintScale_);
        }
        if (fresh == nullptr) {
            return nullptr;
        }
        target = fresh.get();
    }
    Canvas* canvas = target->open();
    if (canvas == nullptr) {
        return nullptr;
    }
    if (fresh != nullptr) {
        pixels_ = std::move(fresh);
        width_ = width;
        height_ = height;
        scale_ = paintScale_;
    }
    key_.valid = false; // the steps now overwrite the picture
    drawing_ = canvas;
    return canvas;
}

// The key is stored last: a store that fails for want of memory leaves no picture, and the
// next paint draws it again instead of copying one it cannot name.
bool CanvasLayer::end(Canvas* layerCanvas, const void* key, std::size_t keyBytes) {
    if (layerCanvas == nullptr || layerCanvas != drawing_) {
        return false;
    }
    drawing_ = nullptr;
    pixels_->close(layerCanvas, true);
    ++redraws_;
    try {
        key_.store(key, keyBytes);
    } catch (...) {
        key_.valid = false;
    }
    return true;
}

void startLayerPaint(CanvasLayer* layer, const LayerPixelSource* source, double scale) {
    if (layer != nullptr) {
        layer->paintStarts(source, scale);
    }
}

void endLayerPaint(CanvasLayer* layer) {
    if (layer != nullptr) {
        layer->paintEnds();
    }
}

bool layerHolds(const CanvasLayer* layer, const void* key, std::size_t keyBytes, int width,
                int height) {
    return layer != nullptr && layer->holds(key, keyBytes, width, height);
}

Canvas* beginLayer(CanvasLayer* layer, int width, int height) {
    return layer != nullptr ? layer->begin(width, height) : nullptr;
}

void endLayer(CanvasLayer* layer, Canvas* layerCanvas, const void* key, std::size_t keyBytes) {
    if (layer != nullptr) {
        layer->end(layerCanvas, key, keyBytes);
    }
}

CanvasLayer* createCanvasLayer() {
    return new (std::nothrow) CanvasLayer(kStandingLayerPixels);
}

void destroyCanvasLayer(CanvasLayer* layer) {
    delete layer;
}
