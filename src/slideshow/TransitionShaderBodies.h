#pragma once

#include "slideshow/TransitionSettings.h"

#include <QByteArray>

namespace TransitionShaders {

// The GLSL function `vec4 transition(vec2 pos)` of one kind: the outgoing
// layer at progress 0, the incoming one at progress 1. Kind None: the still
// picture (the incoming layer alone).
QByteArray transitionBody(TransitionKind kind);

} // namespace TransitionShaders
