// Entry point: the window, start-up and GLUT's main loop.
#include <GL/glut.h>
#include <GL/freeglut_ext.h> // glutCloseFunc

#include "app/clock.h"
#include "app/frame.h"
#include "app/manifest.h"
#include "app/startup.h"
#include "app/startup_report.h"
#include "platform/fatal.h"
#include "platform/swap_control.h"

static void requestRedisplay() { glutPostRedisplay(); }

// Closing the window through the window manager quits as the q key does, with status 1;
// freeglut on its own would end the process with status 0.
static void quitOnClose() {
    platform::fatalExit(1);
}

int main(int argc, char** argv) {
    markMilestone(Milestone::mainEntered);
    // The files are read and decoded on a second core while the window and its GL context,
    // most of the wait before the first frame, come up on this one.
    prefetchAssets();
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    glutInitWindowPosition(0, 0);
    glutCreateWindow("Motha fucka Quorvex!");
    glutFullScreen();
    // One frame per display refresh where the driver can sync: without it a real GPU spins at
    // thousands of frames a second, and the city's per-frame closing drift runs far too long.
    platform::requestSwapInterval(1);
    setupFixedGlState();
    glutSetCursor(GLUT_CURSOR_NONE);
    markMilestone(Milestone::windowReady);
    runLoaders();
    markMilestone(Milestone::loadersDone);
    startClocks();
    glutIdleFunc(requestRedisplay);
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutKeyboardFunc(keyboard);
    glutCloseFunc(quitOnClose);
    glutMainLoop();
    return 0;
}
