// Draws DrawBatches from client-side vertex arrays: the arrays stay in the
// batches, so a gathered mesh is drawn without copying it anywhere first.
// Relies on the caller (PaintableModel::draw) for the matrix, material and
// lighting state.
#include "paint/mesh/BatchDrawer.h"

#include <GL/gl.h>

namespace {
const GLfloat kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
}  // namespace

void BatchDrawer::drawBatch(const DrawBatches& batches, const DrawBatches::Batch& batch,
                            const std::vector<std::array<float, 4>>& tints, const Masks& masks) {
    // Untextured triangles send no coordinates.
    if (batch.texture != 0)
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    else
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glBindTexture(GL_TEXTURE_2D, batch.texture);
    const bool tinted = batch.tint != 0 && batch.tint <= tints.size();
    if (tinted)
        glMaterialfv(GL_FRONT, GL_DIFFUSE, tints[batch.tint - 1].data());
    const auto mask = batch.texture != 0 ? masks.find(batch.texture) : masks.end();
    if (mask == masks.end()) {
        glDrawArrays(GL_TRIANGLES, batch.first, batch.count);
    } else {
        // The alpha texture on the second unit, over the same coordinates, makes each fragment's alpha its
        // texel's, which the alpha test holds against the cutoff; everything it changed is put back.
        glPushAttrib(GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT | GL_TEXTURE_BIT);
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GEQUAL, mask->second.second);
        glActiveTexture(GL_TEXTURE1);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, mask->second.first);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glClientActiveTexture(GL_TEXTURE1);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, batches.texCoords().data());
        glDrawArrays(GL_TRIANGLES, batch.first, batch.count);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glClientActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
        glActiveTexture(GL_TEXTURE0);
        glPopAttrib();
    }
    if (tinted)
        glMaterialfv(GL_FRONT, GL_DIFFUSE, kWhite);
}

void BatchDrawer::draw(const DrawBatches& batches, const std::vector<std::array<float, 4>>& tints,
                       const std::vector<bool>& blended, const Masks& masks) {
    if (batches.batches().empty())
        return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, batches.positions().data());
    glNormalPointer(GL_FLOAT, 0, batches.normals().data());
    glTexCoordPointer(2, GL_FLOAT, 0, batches.texCoords().data());
    auto isBlended = [&blended](const DrawBatches::Batch& batch) {
        return batch.tint != 0 && batch.tint <= blended.size() && blended[batch.tint - 1];
    };
    bool anyBlended = false;
    for (const DrawBatches::Batch& batch : batches.batches()) {
        if (isBlended(batch))
            anyBlended = true;
        else
            drawBatch(batches, batch, tints, masks);
    }
    // See-through triangles go over everything opaque, leaving the depth to it so that they hide nothing
    // drawn after them; blending and the depth mask go back to what they were.
    if (anyBlended) {
        glPushAttrib(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDepthMask(GL_FALSE);
        for (const DrawBatches::Batch& batch : batches.batches())
            if (isBlended(batch))
                drawBatch(batches, batch, tints, masks);
        glPopAttrib();
    }
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glBindTexture(GL_TEXTURE_2D, 0);
    // The current values after an array draw are unspecified; the overlay drawn
    // later is lit with the current normal, so leave what corner-by-corner drawing left.
    glNormal3fv(batches.lastNormal());
    float st[2];
    if (batches.lastTexCoord(st))
        glTexCoord2fv(st);
}
