// Warming the renderer before the clocks start.
#pragma once

// Software OpenGL (Mesa llvmpipe) compiles machine code for each combination of GL state it
// draws with (lights, fog, texturing, blending, immediate mode or display list), the first
// time that combination is drawn; with the timeline running, that lands in the first frame and
// in the first disco frame. This draws one triangle of every model in each combination the
// timeline uses, city and disco, and one display list of the figures' kind, so that the
// compiling happens during start-up. Nothing of it stays: the GL state and the matrices are
// restored, the list is deleted, and the first frame clears what was drawn. The camera, the
// clocks and the motions are not touched. Needs the textures, materials and models loaded.
void warmUpRenderer();
