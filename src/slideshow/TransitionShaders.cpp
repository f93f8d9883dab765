#include "slideshow/TransitionShaders.h"

#include "slideshow/TransitionShaderBodies.h"

namespace TransitionShaders {

namespace {

QByteArray header(Dialect dialect, bool fragment)
{
    switch (dialect) {
    case Dialect::Embedded:
        return fragment ? QByteArrayLiteral("#version 100\n"
                                            "#ifdef GL_FRAGMENT_PRECISION_HIGH\n"
                                            "precision highp float;\n"
                                            "#else\n"
                                            "precision mediump float;\n"
                                            "#endif\n"
                                            "#define FRAG_COLOR gl_FragColor\n")
                        : QByteArrayLiteral("#version 100\n");
    case Dialect::Core:
        return fragment ? QByteArrayLiteral("#version 150\n"
                                            "#define varying in\n"
                                            "#define texture2D texture\n"
                                            "out vec4 fragColor;\n"
                                            "#define FRAG_COLOR fragColor\n")
                        : QByteArrayLiteral("#version 150\n"
                                            "#define attribute in\n"
                                            "#define varying out\n");
    case Dialect::Desktop:
        break;
    }
    return fragment ? QByteArrayLiteral("#version 120\n#define FRAG_COLOR gl_FragColor\n")
                    : QByteArrayLiteral("#version 120\n");
}

// What every transition shares: the outgoing and incoming pictures, each
// already the whole view (a photo composed over the window's background, or a
// snapshot of the screen), the filter inputs and helpers. Positions are view
// units with the origin at the top left; filter space is view pixels with the
// origin at the bottom left. One texture read per picture keeps software
// renderers fast: branches there cost both of their sides.
const char *const kPrelude = R"(
varying vec2 vPos;
uniform vec2 uViewSize;
uniform float uProgress;
uniform sampler2D uFrom;
uniform sampler2D uTo;
uniform sampler2D uShading;
uniform sampler2D uMask;
uniform float uHasShading;
uniform vec3 uShadingFlat;
uniform vec4 uExtent;
uniform vec2 uCenter;
uniform float uAngle;
uniform float uRadius;
uniform float uWidth;
uniform float uScale;
uniform float uOpacity;
uniform float uAmount;
uniform float uSize;
uniform float uCount;
uniform vec2 uOffset;
uniform vec4 uColor;
uniform vec2 uMaskSize;
uniform vec2 uDir;
uniform vec2 uSweep;
uniform vec4 uFrame;
const float PI = 3.14159265;

// Pictures are stored bottom row first.
vec4 getFrom(vec2 pos) { return texture2D(uFrom, vec2(pos.x, 1.0 - pos.y)); }
vec4 getTo(vec2 pos) { return texture2D(uTo, vec2(pos.x, 1.0 - pos.y)); }

vec2 toFilter(vec2 pos) { return vec2(pos.x * uViewSize.x, (1.0 - pos.y) * uViewSize.y); }
vec2 fromFilter(vec2 p) { return vec2(p.x / uViewSize.x, 1.0 - p.y / uViewSize.y); }

// Distance of p along the sweep direction uDir (the angle's), 0 where the
// sweep enters the extent; uSweep.y is the whole way across.
float alongSweep(vec2 p) { return dot(p - uExtent.xy, uDir) + uSweep.x; }

// sin(k * PI) and cos(k * PI) for k in 0..1, near enough for light and waves.
float arch(float k) { return 4.0 * k * (1.0 - k); }
float slope(float k) { return 1.0 - 2.0 * k; }

bool insideExtent(vec2 p)
{
    return p.x >= uExtent.x && p.y >= uExtent.y && p.x <= uExtent.x + uExtent.z &&
           p.y <= uExtent.y + uExtent.w;
}

// The shading image read like a lit sphere: n is a surface slope in -1..1,
// the answer a light that is 0 for a flat surface.
vec3 shadingLight(vec2 n)
{
    vec2 t = clamp(vec2(0.5 + 0.5 * n.x, 0.5 - 0.5 * n.y), 0.0, 1.0);
    vec3 lit = texture2D(uShading, t).rgb - uShadingFlat;
    return mix(vec3(0.35 * (n.x - n.y)), lit, uHasShading);
}

vec4 transition(vec2 pos);

void main()
{
    // Pictures are opaque, and the target clamps what goes beyond 0..1.
    FRAG_COLOR = transition(vPos);
}
)";

// A photo over the window's background: a picture of the whole view.
const char *const kCompose = R"(
varying vec2 vPos;
uniform vec2 uViewSize;
uniform sampler2D uPhoto;
uniform vec4 uPhotoRect;
uniform float uPhotoVisible;
uniform sampler2D uBackground;
uniform vec4 uBackgroundColor;
uniform vec3 uBackgroundTile;

vec4 backgroundAt(vec2 pos)
{
    if (uBackgroundTile.z < 0.5)
        return uBackgroundColor;
    return texture2D(uBackground, fract(pos * uViewSize / uBackgroundTile.xy));
}

void main()
{
    vec2 t = (vPos - uPhotoRect.xy) / uPhotoRect.zw;
    vec4 c = backgroundAt(vPos);
    if (uPhotoVisible > 0.5 && t.x >= 0.0 && t.y >= 0.0 && t.x <= 1.0 && t.y <= 1.0) {
        vec4 p = texture2D(uPhoto, t);
        c = vec4(mix(c.rgb, p.rgb, p.a), 1.0);
    }
    FRAG_COLOR = c;
}
)";

const char *const kVertex = R"(
attribute vec2 aVertex;
varying vec2 vPos;
void main()
{
    vPos = vec2(0.5 + 0.5 * aVertex.x, 0.5 - 0.5 * aVertex.y);
    gl_Position = vec4(aVertex, 0.0, 1.0);
}
)";

const char *const kPlainQuad = R"(
varying vec2 vPos;
uniform sampler2D uTo;
void main()
{
    FRAG_COLOR = texture2D(uTo, vPos);
}
)";

} // namespace

QByteArray vertexShader(Dialect dialect)
{
    return header(dialect, false) + kVertex;
}

QByteArray fragmentShader(Dialect dialect, TransitionKind kind)
{
    return header(dialect, true) + kPrelude + transitionBody(kind);
}

QByteArray composeFragmentShader(Dialect dialect)
{
    return header(dialect, true) + kCompose;
}

QByteArray plainQuadFragmentShader(Dialect dialect)
{
    return header(dialect, true) + kPlainQuad;
}

} // namespace TransitionShaders
