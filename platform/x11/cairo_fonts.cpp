// Font families and fonts of the Cairo canvas. Sizes are GDI+ UnitPixel em sizes, which
// are Cairo's font sizes in user space. A font holds its chain's faces scaled to its size,
// rendered like GDI+'s grid-fitted text: greyscale anti-aliasing, outlines fitted to the
// pixel grid vertically, advances rounded to whole pixels.
#include "platform/x11/cairo_canvas.h"
#include "platform/x11/cairo_records.h"

#include <new>

namespace {

static_assert(sizeof(wchar_t) == sizeof(char32_t), "wchar_t text is UTF-32 on this platform");

cairo_font_options_t* textOptions() {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    return options;
}

void scaleChain(CanvasFont& font) {
    cairo_matrix_t size;
    cairo_matrix_init_scale(&size, font.sizePx, font.sizePx);
    cairo_matrix_t device;
    cairo_matrix_init_identity(&device);
    cairo_font_options_t* options = textOptions();
    for (const FontLink& link : font.chain->links) {
        font.scaled.push_back(cairo_scaled_font_create(link.face, &size, &device, options));
    }
    cairo_font_options_destroy(options);
}

} // namespace

CanvasFontFamily* createFontFamily(const wchar_t* name) {
    if (name == nullptr) {
        return nullptr;
    }
    auto* family = new (std::nothrow) CanvasFontFamily;
    if (family == nullptr) {
        return nullptr;
    }
    try {
        const std::u32string_view text(reinterpret_cast<const char32_t*>(name));
        family->name = toUtf8(text);
    } catch (...) {
        delete family;
        return nullptr;
    }
    return family;
}

void deleteFontFamily(CanvasFontFamily* family) {
    delete family;
}

CanvasFont* createFont(CanvasFontFamily* family, float sizePx, CanvasFontStyle style) {
    if (family == nullptr || !(sizePx > 0.0f) || sizePx > 1.0e4f) {
        return nullptr;
    }
    auto* font = new (std::nothrow) CanvasFont;
    if (font == nullptr) {
        return nullptr;
    }
    try {
        font->chain = findFontChain(family->name, style == FontStyleBold);
        font->sizePx = sizePx;
        if (font->chain != nullptr) {
            font->scaled.reserve(font->chain->links.size());
            scaleChain(*font);
            return font;
        }
    } catch (...) {
    }
    deleteFont(font);
    return nullptr;
}

void deleteFont(CanvasFont* font) {
    if (font == nullptr) {
        return;
    }
    for (cairo_scaled_font_t* scaled : font->scaled) {
        cairo_scaled_font_destroy(scaled);
    }
    delete font;
}

void releaseCairoFontCache() {
    releaseFontChains();
}
