// Placing one figure of a dance motion in the scene.
#pragma once

class Motion;

// Draws `motion` at (x, y, z) in world units, turned `angle` degrees about +y and scaled
// uniformly, inside its own push/pop of the model-view matrix. fps and offset (seconds) go to
// Motion::draw, which shows the pose its previous draw evaluated and then evaluates the next.
void drawFigure(Motion& motion, float x, float y, float z, float angle, float scale, unsigned fps,
                float offset);

// For tools that measure the picture (demo-capture --stats): when set, drawFigure calls it
// inside the figure's transform just before the motion draws (done = false) and just after
// it (done = true). The demo never sets it; whoever does must leave the picture unchanged.
extern void (*figureDrawHook)(Motion& motion, bool done);

// One figure of a scene: which motion, where (world units), turned how many degrees about +y,
// how large, and the playback rate (frames per second) and time offset (seconds) of its pose.
struct FigurePlacement {
    Motion* motion;
    float x, y, z;
    float angle;
    float scale;
    unsigned fps;
    float offset;
};

// drawFigure for one placement.
void drawFigure(const FigurePlacement& figure);
