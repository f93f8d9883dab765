#pragma once

#include <QImage>

class Bundle;

// The images some transitions draw with: a shading image (page curl, ripple)
// and a grey-scale mask (disintegration). Either may be missing.
struct TransitionImages
{
    QImage shading;
    QImage mask;

    // Loads both from the bundle's resources, logging what went wrong.
    static TransitionImages load(const Bundle &bundle);
};
