#pragma once

#include "slideshow/TransitionSettings.h"

#include <QPolygonF>
#include <QSizeF>

#include <vector>

// Where a transition frame needs the transition's own shader. Most of a
// frame is usually one picture unchanged (the part a sweep has not reached or
// has passed); those parts are copied, which costs a fraction of the shader.
namespace TransitionRegions {

enum class Shows { Transition, Outgoing, Incoming };

struct Region
{
    QPolygonF polygon; // view pixels, origin at the bottom left (filter space)
    Shows shows = Shows::Transition;
};

// Regions that together cover the view exactly once.
std::vector<Region> regionsOf(const TransitionSettings &transition, double progress,
                              QSizeF viewSize);

} // namespace TransitionRegions
