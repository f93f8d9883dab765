#include "slideshow/TransitionRegions.h"

#include <QLineF>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace TransitionRegions {

namespace {

// The part of a convex polygon where dot(p, normal) <= limit.
QPolygonF clip(const QPolygonF &polygon, QPointF normal, double limit)
{
    QPolygonF out;
    const auto value = [&](QPointF p) {
        return p.x() * normal.x() + p.y() * normal.y() - limit;
    };
    for (qsizetype i = 0; i < polygon.size(); ++i) {
        const QPointF a = polygon[i];
        const QPointF b = polygon[(i + 1) % polygon.size()];
        const double va = value(a);
        const double vb = value(b);
        if (va <= 0) {
            out << a;
        }
        if ((va < 0 && vb > 0) || (va > 0 && vb < 0)) {
            out << a + (b - a) * (va / (va - vb));
        }
    }
    return out;
}

QPolygonF rectangle(const QRectF &r)
{
    return QPolygonF({r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()});
}

void add(std::vector<Region> &regions, const QPolygonF &polygon, Shows shows)
{
    if (polygon.size() >= 3) {
        regions.push_back({polygon, shows});
    }
}

// Along the sweep s(p) = dot(p - extent origin, dir) + start: below `low`
// one picture, above `high` the other, the transition in between.
std::vector<Region> band(QSizeF view, const TransitionSettings &t, QPointF dir, double start,
                         double low, double high, Shows below, Shows above)
{
    const double offset = t.extent.x() * dir.x() + t.extent.y() * dir.y() - start;
    const QPolygonF all = rectangle(QRectF(QPointF(0, 0), view));
    std::vector<Region> regions;
    const QPointF back(-dir.x(), -dir.y());
    high = std::max(low, high);
    add(regions, clip(all, dir, low + offset), below);
    add(regions, clip(clip(all, back, -(low + offset)), dir, high + offset), Shows::Transition);
    add(regions, clip(all, back, -(high + offset)), above);
    return regions;
}

double sweepStart(const TransitionSettings &t, QPointF dir)
{
    return std::max(0.0, -dir.x()) * t.extent.width() + std::max(0.0, -dir.y()) * t.extent.height();
}

double sweepLength(const TransitionSettings &t, QPointF dir)
{
    return std::abs(dir.x()) * t.extent.width() + std::abs(dir.y()) * t.extent.height();
}

std::vector<Region> ring(QSizeF view, QPointF center, double inner, double outer)
{
    const QRectF all(QPointF(0, 0), view);
    const QRectF out = QRectF(center - QPointF(outer, outer), QSizeF(2 * outer, 2 * outer)) & all;
    const double half = inner > 0 ? inner / std::numbers::sqrt2 : 0;
    const QRectF in = QRectF(center - QPointF(half, half), QSizeF(2 * half, 2 * half)) & out;
    std::vector<Region> regions;
    // Outside the outer square: not reached. Inside the inner one: passed.
    for (const QRectF &r :
         {QRectF(all.left(), all.top(), all.width(), out.top() - all.top()),
          QRectF(all.left(), out.bottom(), all.width(), all.bottom() - out.bottom()),
          QRectF(all.left(), out.top(), out.left() - all.left(), out.height()),
          QRectF(out.right(), out.top(), all.right() - out.right(), out.height())}) {
        if (r.width() > 0 && r.height() > 0) {
            add(regions, rectangle(r), Shows::Outgoing);
        }
    }
    if (in.isEmpty()) {
        add(regions, rectangle(out), Shows::Transition);
        return regions;
    }
    add(regions, rectangle(in), Shows::Incoming);
    for (const QRectF &r :
         {QRectF(out.left(), out.top(), out.width(), in.top() - out.top()),
          QRectF(out.left(), in.bottom(), out.width(), out.bottom() - in.bottom()),
          QRectF(out.left(), in.top(), in.left() - out.left(), in.height()),
          QRectF(in.right(), in.top(), out.right() - in.right(), in.height())}) {
        if (r.width() > 0 && r.height() > 0) {
            add(regions, rectangle(r), Shows::Transition);
        }
    }
    return regions;
}

} // namespace

std::vector<Region> regionsOf(const TransitionSettings &t, double progress, QSizeF view)
{
    const double p = std::clamp(progress, 0.0, 1.0);
    const QPointF dir(std::cos(t.angle), std::sin(t.angle));
    const double start = sweepStart(t, dir);
    const double len = sweepLength(t, dir);
    // A pixel of margin keeps rounding at the seams on the transition's side.
    constexpr double m = 1.0;
    switch (t.kind) {
    case TransitionKind::CopyMachine:
    case TransitionKind::Swipe: {
        const double lead = p * (len + t.width);
        return band(view, t, dir, start, lead - t.width - m, lead + m, Shows::Incoming,
                    Shows::Outgoing);
    }
    case TransitionKind::BarsSwipe: {
        const double edge = p * (len + 36.0 * t.scale);
        return band(view, t, dir, start, edge - 36.0 * t.scale - m, edge + m, Shows::Incoming,
                    Shows::Outgoing);
    }
    case TransitionKind::PageCurl:
    case TransitionKind::PageCurlWithShadow: {
        const double r = t.radius;
        const double curl = len - p * (len + std::numbers::pi * r);
        const double shadow =
            t.kind == TransitionKind::PageCurlWithShadow ? std::max(1.0, 2.0 * t.size * r) : 0.0;
        // The page rolled over lies back from the curl by what passed the
        // cylinder; before that, the page on the cylinder starts at the curl.
        const double rolled = 2 * curl + std::numbers::pi * r - len;
        return band(view, t, dir, start, std::min(rolled, curl) - m, curl + r + shadow + m,
                    Shows::Outgoing, Shows::Incoming);
    }
    case TransitionKind::AccordionFold: {
        const double folded = (1 - p) * t.extent.height() + p * t.size;
        return band(view, t, QPointF(0, 1), 0, -1e9, folded + m, Shows::Transition,
                    Shows::Incoming);
    }
    case TransitionKind::Ripple: {
        const QRectF e = t.extent;
        const double far = std::hypot(
            std::max(std::abs(e.left() - t.center.x()), std::abs(e.right() - t.center.x())),
            std::max(std::abs(e.top() - t.center.y()), std::abs(e.bottom() - t.center.y())));
        const double front = p * (far + t.width);
        return ring(view, t.center, front - t.width - m, front + m);
    }
    default:
        return {{rectangle(QRectF(QPointF(0, 0), view)), Shows::Transition}};
    }
}

} // namespace TransitionRegions
