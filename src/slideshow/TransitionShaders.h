#pragma once

#include "slideshow/TransitionSettings.h"

#include <QByteArray>

// GLSL sources of the transitions, written once for desktop GLSL 1.20,
// GLSL ES 1.00 and GLSL 1.50 core; the header picks the dialect.
namespace TransitionShaders {

enum class Dialect { Desktop, Embedded, Core };

QByteArray vertexShader(Dialect dialect);
// The fragment shader of a transition; kind None gives the still picture.
QByteArray fragmentShader(Dialect dialect, TransitionKind kind);
// A photo over the window's background, into a picture of the whole view.
QByteArray composeFragmentShader(Dialect dialect);
// One photo on a full-view quad and nothing else: the yardstick of the benchmark.
QByteArray plainQuadFragmentShader(Dialect dialect);

} // namespace TransitionShaders
