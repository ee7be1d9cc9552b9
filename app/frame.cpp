// The frame loop's callbacks.
#include "app/frame.h"

#include <GL/glut.h>
#include <GL/glu.h>

#include <iostream>

#include "app/clock.h"
#include "app/startup_report.h"
#include "app/timeline.h"
#include "platform/fatal.h"
#include "sequences/city.h"
#include "sequences/disco.h"

float attenuation = 0.0f;

void drawFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const TimelineSlot slot = timelineAt(clockMain.seconds());
    if (slot.scene == Scene::City)
        drawCity(slot.mode, slot.time);
    else
        drawDisco(slot.mode, slot.time);
}

void display() {
    drawFrame();
    glutSwapBuffers();
    static bool shown = false;
    if (!shown) {
        shown = true;
        markMilestone(Milestone::firstFrameShown);
        reportStartupIfAsked();
    }
}

void reshape(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // A minimised window can report a height of 0; keep the projection finite.
    const double aspect = static_cast<double>(width) / static_cast<double>(height > 0 ? height : 1);
    gluPerspective(60.0, aspect, 5.0, 1000.0);
}

static void sendAttenuation() {
    glLightf(GL_LIGHT0, GL_QUADRATIC_ATTENUATION, attenuation);
    glLightf(GL_LIGHT1, GL_QUADRATIC_ATTENUATION, attenuation);
    std::cout << attenuation << std::endl;
}

void keyboard(unsigned char key, int, int) {
    switch (key) {
    case 'q':
    case 'Q':
    case 27: // Escape
        platform::fatalExit(1);
    case 's':
    case 'S':
        // The sum is formed in double and stored back in the float.
        attenuation = static_cast<float>(attenuation - 0.001);
        sendAttenuation();
        break;
    case 'w':
    case 'W':
        attenuation = static_cast<float>(attenuation + 0.001);
        sendAttenuation();
        break;
    default:
        break;
    }
}
