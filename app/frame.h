// The GLUT callbacks: one frame, the projection and the keys.
#pragma once

// The quadratic attenuation the w and s keys send to GL_LIGHT0 and GL_LIGHT1. Written only by
// keyboard(); starts at 0, not at the 0.001 that start-up gives GL_LIGHT0.
extern float attenuation;

// Clears colour and depth, reads clockMain once and draws the sequence the timeline picks.
// Everything of display() but the buffer swap, so an offscreen renderer can share it.
void drawFrame();

// GLUT display callback: drawFrame(), then swap.
void display();

// GLUT reshape callback: viewport and a 60 degree perspective, near 5, far 1000. Leaves
// GL_PROJECTION current. A height of 0 is treated as 1.
void reshape(int width, int height);

// GLUT keyboard callback: q/Q and Escape quit with status 1; w/W and s/S change the attenuation
// by 0.001 and print it; any other key does nothing.
void keyboard(unsigned char key, int x, int y);
