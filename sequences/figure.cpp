// Figure placement shared by both sequences.
#include "sequences/figure.h"

#include <GL/gl.h>

#include "animation/motion.h"

void (*figureDrawHook)(Motion& motion, bool done) = nullptr;

void drawFigure(Motion& motion, float x, float y, float z, float angle, float scale, unsigned fps,
                float offset) {
    glPushMatrix();
    glTranslatef(x, y, z);
    glRotatef(angle, 0, 1, 0);
    glScalef(scale, scale, scale);
    if (figureDrawHook)
        figureDrawHook(motion, false);
    motion.draw(fps, offset);
    if (figureDrawHook)
        figureDrawHook(motion, true);
    glPopMatrix();
}

void drawFigure(const FigurePlacement& f) {
    drawFigure(*f.motion, f.x, f.y, f.z, f.angle, f.scale, f.fps, f.offset);
}
