// The whole editor picture, back to front. The instance is only read, through a snapshot
// taken under its lock; the drawing itself runs with the lock released.
#include "editor/editor_view.h"
#include "editor/editor_window.h"
#include "editor/paint_stages.h"

void paintEditor(Canvas* canvas, std::int32_t width, std::int32_t height, PluginInstance& inst) {
    EditorView view;
    captureEditorView(inst, view);

    PaintContext p{canvas, width, height, &view, PaintResources{}};
    paintHeader(p);

    paintSelectedGlow(p);
    paintGrid(p);
    paintSpectrum(p);
    paintBandCurves(p);
    paintSumCurve(p);
    paintBandNodes(p);
    paintBandPanel(p);
    paintNoteRuler(p);

    paintControlStrip(p);

    releasePaintResources(p.res);
}
