// The look-at camera.
#include "camera/camera.h"

#include <GL/gl.h>
#include <GL/glu.h>

Camera camera;

void Camera::setEye(float x, float y, float z) {
    eye[0] = x;
    eye[1] = y;
    eye[2] = z;
}

void Camera::setCenter(float x, float y, float z) {
    center[0] = x;
    center[1] = y;
    center[2] = z;
}

void Camera::setUp(float x, float y, float z) {
    up[0] = x;
    up[1] = y;
    up[2] = z;
}

void Camera::apply() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eye[0], eye[1], eye[2], center[0], center[1], center[2], up[0], up[1], up[2]);
}
