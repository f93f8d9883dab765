#include "slideshow/TransitionProgram.h"

namespace {

const std::array<const char *, TransitionProgram::UniformCount> kUniformNames = {"uViewSize",
                                                                                 "uProgress",
                                                                                 "uFrom",
                                                                                 "uTo",
                                                                                 "uShading",
                                                                                 "uMask",
                                                                                 "uHasShading",
                                                                                 "uShadingFlat",
                                                                                 "uExtent",
                                                                                 "uCenter",
                                                                                 "uAngle",
                                                                                 "uRadius",
                                                                                 "uWidth",
                                                                                 "uScale",
                                                                                 "uOpacity",
                                                                                 "uAmount",
                                                                                 "uSize",
                                                                                 "uCount",
                                                                                 "uOffset",
                                                                                 "uColor",
                                                                                 "uMaskSize",
                                                                                 "uDir",
                                                                                 "uSweep",
                                                                                 "uFrame",
                                                                                 "uPhoto",
                                                                                 "uPhotoRect",
                                                                                 "uPhotoVisible",
                                                                                 "uBackground",
                                                                                 "uBackgroundColor",
                                                                                 "uBackgroundTile"};

} // namespace

std::unique_ptr<TransitionProgram> TransitionProgram::build(TransitionShaders::Dialect dialect,
                                                            const QByteArray &fragment)
{
    auto p = std::make_unique<TransitionProgram>();
    p->ok = p->shader.addShaderFromSourceCode(QOpenGLShader::Vertex,
                                              TransitionShaders::vertexShader(dialect)) &&
            p->shader.addShaderFromSourceCode(QOpenGLShader::Fragment, fragment);
    if (p->ok) {
        p->shader.bindAttributeLocation("aVertex", 0);
        p->ok = p->shader.link();
    }
    if (!p->ok) {
        p->error = p->shader.log();
        return p;
    }
    for (size_t i = 0; i < UniformCount; ++i) {
        p->at[i] = p->shader.uniformLocation(kUniformNames[i]);
    }
    return p;
}
