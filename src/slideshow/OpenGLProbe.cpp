#include "slideshow/OpenGLProbe.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

bool openGLUsable(QString *reason)
{
    auto fail = [reason](const QString &why) {
        if (reason) {
            *reason = why;
        }
        return false;
    };
    const QString platform = QGuiApplication::platformName();
    if (platform.isEmpty() || platform == QLatin1String("offscreen") ||
        platform == QLatin1String("minimal") || platform == QLatin1String("linuxfb") ||
        platform == QLatin1String("vnc")) {
        return fail(QStringLiteral("the platform draws no OpenGL windows"));
    }
    QOpenGLContext context;
    if (!context.create()) {
        return fail(QStringLiteral("no OpenGL context can be created"));
    }
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid()) {
        return fail(QStringLiteral("no OpenGL surface can be created"));
    }
    if (!context.makeCurrent(&surface)) {
        return fail(QStringLiteral("the OpenGL context cannot be made current"));
    }
    const bool answers = context.functions()->glGetString(GL_VERSION) != nullptr;
    context.doneCurrent();
    return answers ? true : fail(QStringLiteral("the OpenGL driver does not answer"));
}
