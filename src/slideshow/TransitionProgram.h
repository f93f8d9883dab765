#pragma once

#include "slideshow/TransitionShaders.h"

#include <QByteArray>
#include <QOpenGLShaderProgram>
#include <QString>

#include <array>
#include <memory>

// One linked shader of the slideshow and where its inputs are.
struct TransitionProgram
{
    enum Uniform {
        uViewSize,
        uProgress,
        uFrom,
        uTo,
        uShading,
        uMask,
        uHasShading,
        uShadingFlat,
        uExtent,
        uCenter,
        uAngle,
        uRadius,
        uWidth,
        uScale,
        uOpacity,
        uAmount,
        uSize,
        uCount,
        uOffset,
        uColor,
        uMaskSize,
        uDir,
        uSweep,
        uFrame,
        uPhoto,
        uPhotoRect,
        uPhotoVisible,
        uBackground,
        uBackgroundColor,
        uBackgroundTile,
        UniformCount
    };

    QOpenGLShaderProgram shader;
    std::array<int, UniformCount> at{};
    QString error;
    bool ok = false;

    // The slideshow's vertex shader with that fragment shader; ok says
    // whether it built, error why not. The context must be current.
    static std::unique_ptr<TransitionProgram> build(TransitionShaders::Dialect dialect,
                                                    const QByteArray &fragment);

    void set(Uniform u, auto... values) { shader.setUniformValue(at[size_t(u)], values...); }
};
