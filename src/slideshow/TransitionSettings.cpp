#include "slideshow/TransitionSettings.h"

#include "shell/CommonHeader.h"

#include <array>
#include <utility>

namespace {

const std::array<std::pair<const QString *, TransitionKind>, 15> kNamedKinds = {{
    {&kTransitionFade, TransitionKind::Fade},
    {&kTransitionMoveIn, TransitionKind::MoveIn},
    {&kTransitionPush, TransitionKind::Push},
    {&kTransitionReveal, TransitionKind::Reveal},
    {&kTransitionCopyMachine, TransitionKind::CopyMachine},
    {&kTransitionDisintegrateWithMask, TransitionKind::DisintegrateWithMask},
    {&kTransitionFlash, TransitionKind::Flash},
    {&kTransitionMod, TransitionKind::Mod},
    {&kTransitionPageCurl, TransitionKind::PageCurl},
    {&kTransitionPageCurlWithShadow, TransitionKind::PageCurlWithShadow},
    {&kTransitionRipple, TransitionKind::Ripple},
    {&kTransitionSwipe, TransitionKind::Swipe},
    {&kTransitionDissolve, TransitionKind::Dissolve},
    {&kTransitionBarsSwipe, TransitionKind::BarsSwipe},
    {&kTransitionAccordionFold, TransitionKind::AccordionFold},
}};

} // namespace

bool isNoTransitionName(const QString &name)
{
    return name.compare(kNoTransitionEffect, Qt::CaseInsensitive) == 0;
}

TransitionKind transitionKindForName(const QString &name, bool *known)
{
    if (known) {
        *known = true;
    }
    if (isNoTransitionName(name)) {
        return TransitionKind::None;
    }
    for (const auto &[text, kind] : kNamedKinds) {
        if (name == *text) {
            return kind;
        }
    }
    if (known) {
        *known = false;
    }
    return TransitionKind::Fade;
}

TransitionSettings transitionSettingsFor(const QString &name, const QRectF &bounds,
                                         QSize maskImageSize)
{
    TransitionSettings t;
    t.name = name;
    t.kind = transitionKindForName(name, &t.knownName);
    // Inputs that name a place follow the view; the filters' own defaults
    // (a 300 x 300 extent at the origin) would only fit a thumbnail.
    const QRectF b(bounds.x(), bounds.y(), bounds.width(), bounds.height());
    const QPointF c(b.x() + 0.5 * b.width(), b.y() + 0.5 * b.height());
    t.extent = b;
    t.center = c;
    switch (t.kind) {
    case TransitionKind::CopyMachine:
        t.width = 200;
        t.opacity = 1.3;
        t.color = QColor::fromRgbF(0.6f, 1.0f, 0.8f);
        break;
    case TransitionKind::DisintegrateWithMask:
        t.radius = 8;
        t.amount = 0.65;
        t.offset = QPointF(0, -10);
        if (!maskImageSize.isEmpty()) {
            // Stretched the way a scale of h / mask height with an aspect
            // ratio of (w / mask width) / (h / mask height) stretches it.
            const float scale = float(b.height() / maskImageSize.height());
            const float aspect = float((b.width() / maskImageSize.width()) / double(scale));
            t.maskSize = QSizeF(maskImageSize.width() * double(scale) * double(aspect),
                                maskImageSize.height() * double(scale));
        }
        break;
    case TransitionKind::Flash:
        t.color = QColor::fromRgbF(1.0f, 0.8f, 0.6f);
        t.radius = 2.58;
        t.amount = 0.5;
        t.scale = 1.375;
        t.size = 0.85;
        break;
    case TransitionKind::Mod:
        t.angle = 2.0;
        t.radius = 150;
        t.width = 300;
        break;
    case TransitionKind::PageCurl:
        t.angle = double(-0.7853982f);
        t.radius = 100;
        break;
    case TransitionKind::PageCurlWithShadow:
        t.radius = 100;
        t.size = 0.5;
        t.amount = 0.7;
        break;
    case TransitionKind::Ripple:
        t.width = 100;
        t.scale = 50;
        break;
    case TransitionKind::Swipe:
        t.color = QColor(Qt::white);
        t.width = 300;
        t.opacity = 0;
        break;
    case TransitionKind::BarsSwipe:
        t.angle = 3.14;
        t.width = 30;
        t.scale = 10;
        break;
    case TransitionKind::AccordionFold:
        t.size = 0;
        t.count = 3;
        t.amount = 0.1;
        break;
    default:
        break;
    }
    return t;
}

QStringList availableTransitionNames()
{
    QStringList names;
    for (const auto &entry : kNamedKinds) {
        names << *entry.first;
    }
    return names;
}

bool isBasicTransition(TransitionKind kind)
{
    return kind == TransitionKind::Fade || kind == TransitionKind::MoveIn ||
           kind == TransitionKind::Push || kind == TransitionKind::Reveal;
}
