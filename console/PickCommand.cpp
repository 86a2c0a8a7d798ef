// The pick command: the brush takes the colour of the current model's skin
// at the surface point nearest its centre, within its outer radius, and says
// what it took. Under the model-list mutex, as the window paints the same skins.
#include <cstdio>

#include "console/Commands.h"
#include "paint/PaintableModel.h"
#include "paint/SurfaceProbe.h"
#include "paint/brush/BrushModel.h"
#include "scene/ModelListLock.h"
#include "scene/SceneState.h"

void cmd_pick(char**) {
    ModelListLock lock("pick - mutex lock error", "pick - mutex unlock error", ModelListLock::kLine);
    PaintableModel* model = dynamic_cast<PaintableModel*>(current_model);
    if (!model || !brush) {
        std::puts("pick: the current model cannot be painted");
        return;
    }
    const double centre[3] = {brush->getAttribute("x"), brush->getAttribute("y"), brush->getAttribute("z")};
    SurfaceProbe probe(*model);
    SurfaceRay::Hit hit;
    double rgb[3];
    if (!probe.nearest(centre, brush->getAttribute("dim1"), hit)) {
        std::printf("the brush does not reach '%s'\n", model->name());
        return;
    }
    if (!probe.colourAt(hit, rgb)) {
        std::printf("no skin under the brush on '%s'\n", model->name());
        return;
    }
    brush->setAttribute("red", rgb[0]);
    brush->setAttribute("green", rgb[1]);
    brush->setAttribute("blue", rgb[2]);
    std::printf("picked %.3f %.3f %.3f\n", rgb[0], rgb[1], rgb[2]);
}
