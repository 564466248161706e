#include "tests/x11/picture_checks.h"

#include "tests/picture/editor_colour_checks.h"
#include "tests/x11/x11_check.h"

#include <string>

namespace {

// The wine test's tolerances hold GDI+ to the editor's colours. Cairo draws the same
// shapes with its own rasteriser, so each check here allows a little more:
// - kShapeAllowance on solid fills, gradients and thick arcs: pixman forms gradient
//   colours with its own fixed-point steps and rounding (a level or two from GDI+'s) and
//   places anti-aliased arc edges by its own coverage rule.
// - kTextAllowance on text: FreeType with fontconfig's hinting renders the same fonts with
//   other glyph shapes and coverage than GDI+ does, so the fullest pixel of a small word
//   may stay further from the brush colour. The sum curve counts as a shape; the spectrum
//   gets nothing on top: its tint lies close to the graph's other colours.
// All stay well below the distance to the neighbouring colours in each box, so a wrong
// colour or a missing element still fails.
constexpr int kShapeAllowance = 4;
constexpr int kTextAllowance = 10;

} // namespace

void checkColours(const Picture& picture) {
    editorcolours::checkEditorColours(
        picture,
        [](editorcolours::Kind kind) {
            switch (kind) {
            case editorcolours::Kind::Text:
                return kTextAllowance;
            case editorcolours::Kind::Shape:
                return kShapeAllowance;
            case editorcolours::Kind::Curve:
                return 0;
            }
            return 0;
        },
        [](bool ok, const std::string& what) { xcheck::check(ok, what); });
}
