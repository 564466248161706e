// DrawString on the Cairo canvas: the text is split into runs by the face of the font
// chain that has each character, the runs become glyphs with their advances, and the
// lines are laid out as GDI+ does (cairo_text_layout.h).
#include "platform/x11/cairo_records.h"

#include <cmath>
#include <string>

namespace {

std::u32string codePoints(const wchar_t* text) {
    std::u32string out;
    for (const wchar_t* p = text; *p != L'\0'; ++p) {
        if (*p != L'\r') { // "\r\n" breaks a line once
            out.push_back(static_cast<char32_t>(*p));
        }
    }
    return out;
}

// Appends the glyphs of text[begin, end), all drawn by face `link`; nothing when Cairo
// cannot map them one to one.
void shapeRun(const CanvasFont& font, int link, const std::u32string& text, std::size_t begin,
              std::size_t end, std::vector<LaidGlyph>& out) {
    cairo_scaled_font_t* scaled = font.scaled[static_cast<std::size_t>(link)];
    const std::string utf8 = toUtf8(std::u32string_view(text).substr(begin, end - begin));
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    const cairo_status_t status = cairo_scaled_font_text_to_glyphs(
        scaled, 0.0, 0.0, utf8.data(), static_cast<int>(utf8.size()), &glyphs, &count, nullptr,
        nullptr, nullptr);
    if (status == CAIRO_STATUS_SUCCESS && count == static_cast<int>(end - begin)) {
        for (int i = 0; i < count; ++i) {
            cairo_text_extents_t extents;
            cairo_scaled_font_glyph_extents(scaled, &glyphs[i], 1, &extents);
            out.push_back({text[begin + static_cast<std::size_t>(i)], link, glyphs[i].index,
                           extents.x_advance});
        }
    }
    cairo_glyph_free(glyphs);
}

int faceOf(const CanvasFont& font, char32_t ch) {
    return ch == U'\n' ? -1 : linkFor(*font.chain, ch);
}

std::vector<LaidGlyph> shapeText(const CanvasFont& font, const std::u32string& text) {
    std::vector<LaidGlyph> glyphs;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const int link = faceOf(font, text[begin]);
        std::size_t end = begin + 1;
        while (end < text.size() && faceOf(font, text[end]) == link) {
            ++end;
        }
        for (std::size_t i = begin; link < 0 && i < end; ++i) {
            glyphs.push_back({U'\n', 0, 0, 0.0});
        }
        if (link >= 0) {
            shapeRun(font, link, text, begin, end, glyphs);
        }
        begin = end;
    }
    return glyphs;
}

// Shows one line's glyphs from (x, baseline), a run of one face at a time; `buffer` has
// room for every glyph of the text.
void showLine(cairo_t* cr, const CanvasFont& font, const std::vector<LaidGlyph>& glyphs,
              TextLine line, double x, double baseline, std::vector<cairo_glyph_t>& buffer) {
    std::size_t i = line.begin;
    while (i < line.end) {
        const int link = glyphs[i].link;
        int count = 0;
        for (; i < line.end && glyphs[i].link == link; ++i) {
            if (glyphs[i].ch != U'\n') {
                buffer[static_cast<std::size_t>(count++)] = {glyphs[i].index, x, baseline};
            }
            x += glyphs[i].advance;
        }
        cairo_set_scaled_font(cr, font.scaled[static_cast<std::size_t>(link)]);
        cairo_show_glyphs(cr, buffer.data(), count);
    }
}

TextFrame frameFor(const CanvasFont& font, CanvasRect layout, const CanvasStringFormat* format) {
    TextFrame frame;
    frame.layout = layout;
    if (format != nullptr) {
        frame.horizontal = format->horizontal;
        frame.line = format->line;
    }
    frame.padding = font.sizePx / 6.0;
    frame.lineSpacing = font.sizePx * font.chain->lineSpacingEm;
    return frame;
}

bool finiteBox(CanvasRect r) {
    return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.w) && std::isfinite(r.h);
}

void drawTextLines(cairo_t* cr, const CanvasFont& font, const std::vector<LaidGlyph>& glyphs,
                   const TextFrame& frame, const CanvasBrush& brush) {
    const std::vector<TextLine> lines = breakLines(glyphs, wrapWidth(frame));
    std::vector<cairo_glyph_t> buffer(glyphs.size());
    const double top = blockTop(frame, lines.size()) + font.sizePx * font.chain->ascentEm;
    cairo_save(cr);
    if (clipsToBox(frame)) {
        cairo_new_path(cr);
        cairo_rectangle(cr, frame.layout.x, frame.layout.y, frame.layout.w, frame.layout.h);
        cairo_clip(cr);
    }
    cairo_set_source(cr, brush.pattern);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const double baseline = top + static_cast<double>(n) * frame.lineSpacing;
        showLine(cr, font, glyphs, lines[n], lineLeft(frame, lines[n].width), baseline, buffer);
    }
    cairo_restore(cr);
}

} // namespace

void drawString(Canvas* c, const wchar_t* text, CanvasFont* font, CanvasRect layout,
                CanvasStringFormat* format, CanvasBrush* brush) {
    if (c == nullptr || c->cr == nullptr || text == nullptr || font == nullptr ||
        brush == nullptr || font->scaled.empty() || !finiteBox(layout)) {
        return;
    }
    try {
        const std::vector<LaidGlyph> glyphs = shapeText(*font, codePoints(text));
        drawTextLines(c->cr, *font, glyphs, frameFor(*font, layout, format), *brush);
    } catch (...) {
        // Out of memory: this text is missing from the picture, the paint goes on.
    }
}
