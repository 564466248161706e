#include "platform/x11/cairo_font_chain.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <map>
#include <mutex>
#include <utility>

namespace {

constexpr const char* kDesignFamily = "Open Sans";
constexpr const char* kFallbackFamily = "DejaVu Sans";

struct ChainCache {
    std::mutex lock;
    std::map<std::pair<std::string, bool>, std::shared_ptr<const FontChain>> chains;
};

ChainCache& cache() {
    static ChainCache c;
    return c;
}

const FcChar8* fcText(const std::string& s) {
    return reinterpret_cast<const FcChar8*>(s.c_str());
}

// Fontconfig's best face for the family, after the system's substitution rules.
FcPattern* matchFamily(const std::string& family, bool bold) {
    FcPattern* wanted = FcPatternCreate();
    if (wanted == nullptr) {
        return nullptr;
    }
    FcPatternAddString(wanted, FC_FAMILY, fcText(family));
    FcPatternAddInteger(wanted, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(wanted, FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, wanted, FcMatchPattern);
    FcDefaultSubstitute(wanted);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, wanted, &result);
    FcPatternDestroy(wanted);
    return match;
}

// Fontconfig always answers some face; only one that really is the family counts, so a
// missing family falls through to the next rather than to an arbitrary substitute.
bool isFamily(FcPattern* match, const std::string& family) {
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        if (FcStrCmpIgnoreCase(name, fcText(family)) == 0) {
            return true;
        }
    }
    return false;
}

std::string fileOf(FcPattern* match) {
    FcChar8* file = nullptr;
    return FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch
               ? reinterpret_cast<const char*>(file)
               : std::string();
}

// The face is made from the file alone: rendering options that the desktop's fontconfig
// rules attach to the match would otherwise override the canvas's own, and the picture
// would depend on the machine.
FontLink makeLink(FcPattern* match) {
    FontLink link;
    FcChar8* file = nullptr;
    int index = 0;
    FcCharSet* charset = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch ||
        FcPatternGetCharSet(match, FC_CHARSET, 0, &charset) != FcResultMatch) {
        return link;
    }
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    FcPattern* bare = FcPatternCreate();
    if (bare == nullptr) {
        return link;
    }
    FcPatternAddString(bare, FC_FILE, file);
    FcPatternAddInteger(bare, FC_INDEX, index);
    link.face = cairo_ft_font_face_create_for_pattern(bare);
    FcPatternDestroy(bare);
    FcBool embolden = FcFalse;
    if (FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden) == FcResultMatch && embolden) {
        cairo_ft_font_face_set_synthesize(link.face, CAIRO_FT_SYNTHESIZE_BOLD);
    }
    link.charset = FcCharSetCopy(charset);
    return link;
}

void releaseLinks(FontChain* chain) {
    for (FontLink& link : chain->links) {
        cairo_font_face_destroy(link.face);
        FcCharSetDestroy(link.charset);
    }
    delete chain;
}

// Adds the family's face unless it is not installed or is already in the chain.
void addFamily(FontChain& chain, std::vector<std::string>& files, const std::string& family,
               bool bold, bool anySubstitute) {
    FcPattern* match = matchFamily(family, bold);
    if (match == nullptr) {
        return;
    }
    const std::string file = fileOf(match);
    bool known = false;
    for (const std::string& f : files) {
        known = known || f == file;
    }
    if (!known && (anySubstitute || isFamily(match, family))) {
        FontLink link = makeLink(match);
        if (link.face != nullptr) {
            chain.links.push_back(link);
            files.push_back(file);
        }
    }
    FcPatternDestroy(match);
}

// Line metrics in font units over the em, read from the face FreeType opened.
void readMetrics(FontChain& chain) {
    cairo_matrix_t unit;
    cairo_matrix_init_identity(&unit);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_scaled_font_t* scaled =
        cairo_scaled_font_create(chain.links.front().face, &unit, &unit, options);
    cairo_font_options_destroy(options);
    FT_Face face = cairo_ft_scaled_font_lock_face(scaled);
    if (face != nullptr && face->units_per_EM > 0) {
        const double em = face->units_per_EM;
        chain.ascentEm = face->ascender / em;
        chain.descentEm = -face->descender / em;
        chain.lineSpacingEm = face->height / em;
        cairo_ft_scaled_font_unlock_face(scaled);
    }
    cairo_scaled_font_destroy(scaled);
}

std::shared_ptr<const FontChain> buildChain(const std::string& family, bool bold) {
    std::shared_ptr<FontChain> chain(new FontChain, releaseLinks);
    std::vector<std::string> files;
    for (const std::string& name :
         {family, std::string(kDesignFamily), std::string(kFallbackFamily)}) {
        addFamily(*chain, files, name, bold, false);
    }
    if (chain->links.empty()) {
        addFamily(*chain, files, family, bold, true); // whatever the system has
    }
    if (chain->links.empty()) {
        return nullptr;
    }
    readMetrics(*chain);
    return chain;
}

} // namespace

std::shared_ptr<const FontChain> findFontChain(const std::string& family, bool bold) {
    ChainCache& c = cache();
    const std::lock_guard<std::mutex> guard(c.lock);
    auto& slot = c.chains[{family, bold}];
    if (slot == nullptr) {
        slot = buildChain(family, bold);
    }
    return slot;
}

void releaseFontChains() {
    ChainCache& c = cache();
    const std::lock_guard<std::mutex> guard(c.lock);
    c.chains.clear();
}

int linkFor(const FontChain& chain, char32_t ch) {
    for (std::size_t i = 0; i < chain.links.size(); ++i) {
        if (FcCharSetHasChar(chain.links[i].charset, ch)) {
            return static_cast<int>(i);
        }
    }
    return 0;
}
