// The one look-at camera that the sequences position every frame.
#pragma once

class CameraPath;

// Renderer frame, y up. No constructor: the global camera starts with all nine values 0.
class Camera {
  public:
    float eye[3];    // eye position, world units
    float center[3]; // the point looked at
    float up[3];     // up vector, need not be normalised

    // The setters only store; no GL call.
    void setEye(float x, float y, float z);
    void setCenter(float x, float y, float z);
    void setUp(float x, float y, float z);

    // Selects GL_MODELVIEW, loads the identity and multiplies gluLookAt(eye, center, up).
    // Leaves GL_MODELVIEW current.
    void apply();

    // Samples `path` at t (t above 1 becomes 1) into eye / center; no GL call.
    // mode is a SplineMode value; byLength spaces the knots by arc length.
    void eyeFromPath(const CameraPath& path, float t, bool byLength, int mode);
    void centerFromPath(const CameraPath& path, float t, bool byLength, int mode);
};

// Shared by both sequences.
extern Camera camera;
