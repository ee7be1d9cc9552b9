// Start-up steps shared by the demo and the offscreen tools.
#pragma once

// The fixed GL state set once after the context exists: black clear colour, smooth shading,
// back faces culled, depth test, lighting and normalisation on.
void setupFixedGlState();

// Runs the asset loaders in their fixed order; the process ends on the first failure.
void runLoaders();
