#pragma once

#include <QString>

// Whether OpenGL can draw here: a platform with OpenGL windows and a context
// that can be created and made current. Asked before any QOpenGLWidget is
// made, because that widget aborts the process where OpenGL is missing.
// Main thread, with a QGuiApplication.
bool openGLUsable(QString *reason = nullptr);
