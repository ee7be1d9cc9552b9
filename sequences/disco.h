// The disco sequence: the opening out of the fog, the tour and the close-up.
#pragma once

// mode 0: the opening (t 0..2); mode 1 or negative: the tour; mode 2 and above: the close-up.
// t is the sequence time in seconds that the timeline passes.
void drawDisco(int mode, double t);
