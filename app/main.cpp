// Entry point: the window, start-up and GLUT's main loop.
#include <GL/glut.h>

#include "app/clock.h"
#include "app/frame.h"
#include "app/startup.h"
#include "app/startup_report.h"

static void requestRedisplay() { glutPostRedisplay(); }

int main(int argc, char** argv) {
    markMilestone(Milestone::mainEntered);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    glutInitWindowPosition(0, 0);
    glutCreateWindow("Motha fucka Quorvex!");
    glutFullScreen();
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
    glutMainLoop();
    return 0;
}
