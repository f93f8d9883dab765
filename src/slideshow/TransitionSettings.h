#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>

// Every way one photo can replace another.
enum class TransitionKind {
    None, // at once
    Fade,
    MoveIn,
    Push,
    Reveal,
    CopyMachine,
    DisintegrateWithMask,
    Flash,
    Mod,
    PageCurl,
    PageCurlWithShadow,
    Ripple,
    Swipe,
    Dissolve,
    BarsSwipe,
    AccordionFold,
};

// How the next photo replaces the shown one. The filter inputs are fixed from
// the view's bounds when the transition is chosen and are not refreshed when
// the view is resized later. Positions are in view pixels with the origin at
// the bottom left, the way the filters define them; angles are in radians.
struct TransitionSettings
{
    QString name; // as asked for
    TransitionKind kind = TransitionKind::None;
    bool knownName = true; // false: an unknown name, the fade stands in
    double durationSeconds = 1.0;

    QRectF extent;
    QPointF center;
    double angle = 0;
    double radius = 0;  // curl radius, mod radius, shadow blur radius, striation radius
    double width = 0;   // bar, band or wave width; mod compression
    double scale = 0;   // ripple height, bar offset, striation contrast
    double opacity = 0; // light bar or swipe colour opacity
    double amount = 0;  // shadow amount or density, striation strength, fold shadow
    double size = 0;    // shadow size, bottom height, flash fade threshold
    int count = 0;      // folds
    QPointF offset;     // shadow offset
    QColor color;
    QSizeF maskSize; // the mask stretched to the view
};

bool isNoTransitionName(const QString &name);

// The kind a name stands for; known is false for a name no transition has
// (which is then drawn as a fade).
TransitionKind transitionKindForName(const QString &name, bool *known = nullptr);

// The transition of that name over a view with these bounds; maskImageSize is
// the size of the disintegration mask before it is stretched to the view.
// Does not log: the caller knows in whose name.
TransitionSettings transitionSettingsFor(const QString &name, const QRectF &bounds,
                                         QSize maskImageSize = {});

// Every name that has a look of its own, "No Transition Effect" excepted.
QStringList availableTransitionNames();

// Fade, move-in, push and reveal: drawn without OpenGL too.
bool isBasicTransition(TransitionKind kind);
