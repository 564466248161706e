// The faces text is drawn with: the family the editor names, then Open Sans (the face the
// editor is designed around, and what Windows hosts show through wine's substitution),
// then DejaVu Sans for the glyphs Open Sans lacks (the preset arrows ◄ ►). A character
// is drawn with the first face that has it, the way GDI+ font linking borrows glyphs.
#pragma once

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <memory>
#include <string>
#include <vector>

struct FontLink {
    cairo_font_face_t* face = nullptr;
    FcCharSet* charset = nullptr; // what the face can draw
};

struct FontChain {
    std::vector<FontLink> links; // never empty
    // The first face's vertical metrics in ems, as GDI+ lays lines out with them.
    double ascentEm = 0.0;
    double descentEm = 0.0;
    double lineSpacingEm = 0.0;
};

// The chain for `family` (UTF-8) at regular or bold weight; null when fontconfig finds no
// face at all. Chains are looked up once and kept until releaseFontChains.
std::shared_ptr<const FontChain> findFontChain(const std::string& family, bool bold);
void releaseFontChains();

// The face of `chain` that draws `ch`: the first that has it, else the first.
int linkFor(const FontChain& chain, char32_t ch);
