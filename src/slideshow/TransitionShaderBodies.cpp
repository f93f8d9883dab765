#include "slideshow/TransitionShaderBodies.h"

namespace TransitionShaders {

namespace {

// Each body reads each picture once and mixes by arithmetic: a software
// renderer runs both sides of every branch.

const char *const kStill = R"(
vec4 transition(vec2 pos) { return getTo(pos); }
)";

const char *const kFade = R"(
vec4 transition(vec2 pos) { return mix(getFrom(pos), getTo(pos), uProgress); }
)";

// The incoming photo slides in from the left over the outgoing one.
const char *const kMoveIn = R"(
vec4 transition(vec2 pos)
{
    float shown = step(pos.x, uProgress);
    vec4 a = getFrom(pos);
    vec4 b = getTo(vec2(pos.x + 1.0 - uProgress, pos.y));
    return mix(a, b, shown);
}
)";

// The incoming photo pushes the outgoing one out to the right.
const char *const kPush = R"(
vec4 transition(vec2 pos)
{
    float shown = step(pos.x, uProgress);
    vec4 a = getFrom(vec2(pos.x - uProgress, pos.y));
    vec4 b = getTo(vec2(pos.x + 1.0 - uProgress, pos.y));
    return mix(a, b, shown);
}
)";

// The outgoing photo slides away to the right and uncovers the incoming one.
const char *const kReveal = R"(
vec4 transition(vec2 pos)
{
    float shown = step(pos.x, uProgress);
    vec4 a = getFrom(vec2(pos.x - uProgress, pos.y));
    vec4 b = getTo(pos);
    return mix(a, b, shown);
}
)";

// A bar of coloured light sweeps across the extent; behind it lies the
// incoming photo.
const char *const kCopyMachine = R"(
vec4 transition(vec2 pos)
{
    float s = alongSweep(toFilter(pos));
    float k = clamp((uProgress * (uSweep.y + uWidth) - s) / uWidth, 0.0, 1.0);
    vec4 base = mix(getFrom(pos), getTo(pos), smoothstep(0.35, 0.65, k));
    return base + vec4(uColor.rgb, 0.0) * (uOpacity * 0.6 * arch(k));
}
)";

// The outgoing photo crumbles away where the mask is darkest first and casts a
// shadow on the incoming one.
const char *const kDisintegrate = R"(
vec4 transition(vec2 pos)
{
    const float soft = 0.08;
    vec2 t = clamp(toFilter(pos) / uMaskSize, 0.0, 1.0);
    // Red: the mask here; green: the blurred mask where a shadow comes from.
    vec2 m = texture2D(uMask, vec2(t.x, 1.0 - t.y)).rg;
    vec2 gone = clamp((uProgress * (1.0 + soft) - m) / soft, 0.0, 1.0);
    vec4 to = getTo(pos) * (1.0 - uAmount * (1.0 - gone.y));
    return mix(getFrom(pos), to, gone.x);
}
)";

// A burst of striated light from the centre, under which the photos swap.
const char *const kFlash = R"(
vec4 transition(vec2 pos)
{
    // uFrame: the flash's strength, the cross-fade, 1 / (reach of the rays)^2
    // and 1 / (half the extent's diagonal)^2.
    vec4 base = mix(getFrom(pos), getTo(pos), uFrame.y);
    vec2 d = toFilter(pos) - uCenter;
    float d2 = dot(d, d);
    float r2 = d2 * uFrame.w;
    vec2 n = d * inversesqrt(d2 + 1e-6);
    // Rays: a comb over the direction, sharpened by the contrast.
    float comb = abs(fract(6.0 * n.x + 4.0 * n.y) - 0.5) + abs(fract(5.0 * n.y - 3.0 * n.x) - 0.5);
    float reach = max(0.0, 1.0 - r2 * uFrame.z);
    float glow = max(0.0, 1.0 - 0.6 * r2);
    float light = uFrame.x * (0.8 * glow * glow + uAmount * uScale * comb * comb * reach);
    return mix(base, vec4(uColor.rgb, 1.0), min(light, 1.0));
}
)";

// The incoming photo shows through holes of a turned, stretched pattern that
// widen until they meet.
const char *const kMod = R"(
vec4 transition(vec2 pos)
{
    vec2 p = toFilter(pos) - uCenter;
    vec2 q = vec2(uDir.x * p.x - uDir.y * p.y, uDir.y * p.x + uDir.x * p.y) / uRadius;
    q.y /= 1.0 + length(p) / uWidth;
    // Two staggered triangle waves make rounded, irregular cells.
    vec2 w = abs(fract(vec2(q.x * 0.5 + 0.15 * q.y, q.y * 0.75 - 0.1 * q.x)) - 0.5);
    float m = clamp(1.0 - 1.6 * (w.x + w.y) + 0.2 * fract(floor(q.x * 0.5) * 0.37), 0.0, 1.0);
    const float soft = 0.06;
    float k = clamp((uProgress * (1.0 + soft) - m) / soft, 0.0, 1.0);
    return mix(getFrom(pos), getTo(pos), k);
}
)";

// The outgoing page rolls up over a cylinder of the curl radius, starting at
// the corner the angle points to, and shows its back.
const char *const kPageCurl = R"(
vec4 transition(vec2 pos)
{
    vec2 p = toFilter(pos);
    float R = uRadius;
    float d = alongSweep(p) - (uSweep.y - uProgress * (uSweep.y + PI * R));
    float x = clamp(d / R, -1.0, 1.0);
    float theta = asin(x);
    // The page point that lies on top here: the back, rolled over (upper);
    // else the front, on the cylinder (lower); else the flat page itself.
    vec2 upper = p + uDir * (d >= 0.0 ? (PI - theta) * R - d : PI * R - 2.0 * d);
    vec2 lower = p + uDir * (theta * R - d);
    float onUpper = (d <= R && insideExtent(upper)) ? 1.0 : 0.0;
    float onLower = (1.0 - onUpper) * ((d >= 0.0 && d <= R && insideExtent(lower)) ? 1.0 : 0.0);
    float onFlat = (1.0 - onUpper) * step(d, 0.0);
    vec2 page = mix(mix(p, lower, onLower), upper, onUpper);
    vec3 front = getFrom(fromFilter(page)).rgb;
    vec4 to = getTo(pos);
    vec2 t = (page - uExtent.xy) / uExtent.zw;
    vec2 n = uDir * x;
    vec2 look = mix(vec2(0.5 + 0.5 * n.x, 0.5 - 0.5 * n.y), vec2(t.x, 1.0 - t.y), onUpper);
    vec3 shine = texture2D(uShading, clamp(look, 0.0, 1.0)).rgb;
    vec3 back = mix(vec3(dot(front, vec3(0.299, 0.587, 0.114))), vec3(1.0), 0.6);
    back = mix(back, shine, 0.35 * uHasShading) * (d >= 0.0 ? 0.75 + 0.25 * x : 1.0);
    vec3 lit = front + mix(vec3(0.35 * (n.x - n.y)), shine - uShadingFlat, uHasShading);
#ifdef WITH_SHADOW
    float w = max(1.0, 2.0 * uSize * R);
    to.rgb *= 1.0 - uAmount * (1.0 - smoothstep(0.0, w, d - R)) * step(R, d);
#endif
    vec3 c = mix(mix(mix(to.rgb, front, onFlat), lit, onLower), back, onUpper);
    return vec4(c, 1.0);
}
)";

// A ring wave runs out from the centre; inside it lies the incoming photo.
const char *const kRipple = R"(
vec4 transition(vec2 pos)
{
    vec2 p = toFilter(pos);
    vec2 d = p - uCenter;
    float dist = length(d);
    // uSweep.y: the farthest corner of the extent from the centre.
    float k = clamp((uProgress * (uSweep.y + uWidth) - dist) / uWidth, 0.0, 1.0);
    float wave = arch(k);
    vec2 n = d / max(dist, 0.001);
    vec2 sp = fromFilter(p - n * (wave * uScale));
    vec4 c = mix(getFrom(sp), getTo(sp), k);
    return c + vec4(shadingLight(n * slope(k)) * wave, 0.0);
}
)";

// A soft-edged band sweeps across the extent.
const char *const kSwipe = R"(
vec4 transition(vec2 pos)
{
    float s = alongSweep(toFilter(pos));
    float k = clamp((uProgress * (uSweep.y + uWidth) - s) / uWidth, 0.0, 1.0);
    float band = (1.0 - abs(2.0 * k - 1.0)) * uOpacity;
    return mix(mix(getFrom(pos), getTo(pos), k), vec4(uColor.rgb, 1.0), band);
}
)";

// Bars across the sweep direction, each running behind its neighbour by
// steps of the bar offset.
const char *const kBarsSwipe = R"(
vec4 transition(vec2 pos)
{
    vec2 p = toFilter(pos);
    float s = alongSweep(p);
    float bar = floor(dot(p - uExtent.xy, vec2(-uDir.y, uDir.x)) / uWidth);
    float lag = mod(bar * 3.0, 7.0) * uScale * 6.0;
    float edge = uProgress * (uSweep.y + 36.0 * uScale) - lag;
    return mix(getFrom(pos), getTo(pos), step(s + 0.0001, edge));
}
)";

// The outgoing photo folds like an accordion down to the bottom height while
// it fades into the incoming one above it.
const char *const kAccordionFold = R"(
vec4 transition(vec2 pos)
{
    vec2 p = toFilter(pos);
    float h = uExtent.w;
    float folded = mix(h, uSize, uProgress);
    float y = p.y - uExtent.y;
    float below = step(y + 0.0001, folded);
    float panels = 2.0 * max(1.0, uCount);
    float srcY = clamp(y * h / max(folded, 0.0001), 0.0, h);
    float f = fract(srcY / h * panels);
    float facing = mod(floor(srcY / h * panels), 2.0) < 0.5 ? f : 1.0 - f;
    float shade = 1.0 - min(1.0, uAmount * 5.0 * uProgress) * facing;
    vec4 c = getFrom(fromFilter(vec2(p.x, uExtent.y + srcY)));
    vec4 to = getTo(pos);
    return mix(to, mix(vec4(c.rgb * shade, 1.0), to, uProgress), below);
}
)";

} // namespace

QByteArray transitionBody(TransitionKind kind)
{
    switch (kind) {
    case TransitionKind::None:
        return kStill;
    case TransitionKind::Fade:
    case TransitionKind::Dissolve:
        return kFade;
    case TransitionKind::MoveIn:
        return kMoveIn;
    case TransitionKind::Push:
        return kPush;
    case TransitionKind::Reveal:
        return kReveal;
    case TransitionKind::CopyMachine:
        return kCopyMachine;
    case TransitionKind::DisintegrateWithMask:
        return kDisintegrate;
    case TransitionKind::Flash:
        return kFlash;
    case TransitionKind::Mod:
        return kMod;
    case TransitionKind::PageCurl:
        return kPageCurl;
    case TransitionKind::PageCurlWithShadow:
        return QByteArrayLiteral("#define WITH_SHADOW\n") + kPageCurl;
    case TransitionKind::Ripple:
        return kRipple;
    case TransitionKind::Swipe:
        return kSwipe;
    case TransitionKind::BarsSwipe:
        return kBarsSwipe;
    case TransitionKind::AccordionFold:
        return kAccordionFold;
    }
    return kFade;
}

} // namespace TransitionShaders
