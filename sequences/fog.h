// The linear fog both sequences set every frame.
#pragma once

// Fog colour (0.5, 0.5, 0.7), linear from 0 to `end` world units in front of the eye. An end
// at or below the start is raised to 1e-4, which fogs everything.
void setSceneFog(float end);
