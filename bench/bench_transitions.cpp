// Frame time of every transition at 1920 x 1080 beside a plain textured quad
// of one photo, the time to prepare a 24-megapixel JPEG for a 1920 x 1080
// screen beside tjbench at the same decoder scale, and a demo: two photos
// played through every transition in a real slideshow view, with the half-way
// frame of each saved as a PNG.
//
// Usage (needs an X server with OpenGL, e.g. Xvfb):
//   xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" bench_transitions [--frames N] [--out DIR]

#include "platform/Bundle.h"
#include "slideshow/GLSlideshowWidget.h"
#include "slideshow/GLSlideshowWindow.h"
#include "slideshow/OffscreenTransitionRenderer.h"
#include "slideshow/OpenGLProbe.h"
#include "slideshow/SlideshowView.h"
#include "slideshow/TransitionImages.h"
#include "support/ImageFiles.h"

#include <QApplication>
#include <QBuffer>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const QSize kScreen(1920, 1080);

// Something like a photo: sky, hills, shapes and sensor noise, so that
// texture caches and JPEG entropy behave as with real pictures.
QImage syntheticPhoto(QSize size, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor::fromHsv(int(random.bounded(360)), 120, 230));
    sky.setColorAt(1, QColor::fromHsv(int(random.bounded(360)), 160, 90));
    painter.fillRect(image.rect(), sky);
    for (int i = 0; i < 40; ++i) {
        painter.setBrush(QColor::fromHsv(int(random.bounded(360)), 140 + int(random.bounded(100)),
                                         80 + int(random.bounded(170)), 200));
        painter.setPen(Qt::NoPen);
        const double w = size.width() * (0.05 + random.generateDouble() * 0.3);
        painter.drawEllipse(QRectF(random.generateDouble() * size.width() - w / 2,
                                   random.generateDouble() * size.height() - w / 2, w, w * 0.7));
    }
    painter.end();
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int n = int(random.bounded(17)) - 8;
            const QRgb p = line[x];
            line[x] = qRgb(qBound(0, qRed(p) + n, 255), qBound(0, qGreen(p) + n, 255),
                           qBound(0, qBlue(p) + n, 255));
        }
    }
    return image;
}

double millisecondsPerFrame(OffscreenTransitionRenderer &renderer, int frames,
                            const std::function<void(double)> &draw)
{
    draw(0.0); // builds the shader
    renderer.finish();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < frames; ++i) {
        draw(frames > 1 ? double(i) / (frames - 1) : 0.5);
        renderer.finish();
    }
    return double(clock.nsecsElapsed()) / 1e6 / frames;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Each figure is taken right beside its yardsticks, and the median of a few
// rounds is printed, so that other load on the machine skews little.
bool benchTransitions(int frames, int rounds, const QStringList &only, const QImage &a,
                      const QImage &b, const TransitionImages &fx)
{
    OffscreenTransitionRenderer renderer(kScreen, fx.shading, fx.mask);
    if (!renderer.isValid()) {
        std::printf("OpenGL: %s\n", qPrintable(renderer.errorString()));
        return false;
    }
    renderer.setPhotos(a, b);
    struct Row
    {
        QString name;
        TransitionSettings settings;
        std::vector<double> ms, linear, nearest;
    };
    std::vector<Row> rows;
    rows.push_back({QStringLiteral("still photo (no transition)"),
                    renderer.settingsFor(QStringLiteral("No Transition Effect")),
                    {},
                    {},
                    {}});
    for (const QString &name : availableTransitionNames()) {
        if (!only.isEmpty() && !only.contains(name)) {
            continue;
        }
        rows.push_back({name, renderer.settingsFor(name), {}, {}, {}});
    }
    std::vector<double> plainLinear;
    std::vector<double> plainNearest;
    for (int round = 0; round < rounds; ++round) {
        for (Row &row : rows) {
            // Yardsticks: one photo's texture on a full-screen quad, read
            // smoothly (the usual way) and pixel for pixel.
            const double linear = millisecondsPerFrame(
                renderer, frames, [&](double) { renderer.drawPlainQuad(true); });
            const double ms = millisecondsPerFrame(
                renderer, frames, [&](double p) { renderer.drawFrame(row.settings, p); });
            const double nearest = millisecondsPerFrame(
                renderer, frames, [&](double) { renderer.drawPlainQuad(false); });
            plainLinear.push_back(linear);
            plainNearest.push_back(nearest);
            row.ms.push_back(ms);
            row.linear.push_back(ms / linear);
            row.nearest.push_back(ms / nearest);
        }
    }
    std::printf("\nFrame time at %dx%d, OpenGL into an offscreen framebuffer, glFinish after "
                "each frame;\nmedian of %d rounds of %d frames, each beside its yardsticks\n",
                kScreen.width(), kScreen.height(), rounds, frames);
    std::printf("%-34s %9s %9s %9s\n", "", "ms/frame", "x linear", "x nearest");
    std::printf("%-34s %9.2f\n", "plain textured quad, linear", median(plainLinear));
    std::printf("%-34s %9.2f\n", "plain textured quad, nearest", median(plainNearest));
    double worst = 0;
    for (const Row &row : rows) {
        const double ratio = median(row.linear);
        worst = std::max(worst, ratio);
        std::printf("%-34s %9.2f %9.2f %9.2f%s\n", qPrintable(row.name), median(row.ms), ratio,
                    median(row.nearest), ratio > 1.5 ? "  over 1.5" : "");
    }
    std::printf("worst: %.2f times the linear quad (target 1.5)\n", worst);
    return true;
}

// Inserts an EXIF block (orientation only) after the JPEG's start marker.
QByteArray withOrientation(const QByteArray &jpeg, quint16 orientation)
{
    QByteArray tiff = QByteArray::fromHex("4d4d002a00000008" // big-endian TIFF, IFD at 8
                                          "0001"             // one entry
                                          "011200030000000100");
    tiff += char(orientation);
    tiff += QByteArray::fromHex("0000"
                                "00000000");
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment = QByteArray::fromHex("ffe1");
    const int length = int(payload.size()) + 2;
    segment += char(length >> 8);
    segment += char(length & 0xff);
    segment += payload;
    return jpeg.left(2) + segment + jpeg.mid(2);
}

double tjbenchMilliseconds(const QString &path, const QString &scale)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("tjbench"));
    if (tool.isEmpty()) {
        return -1;
    }
    QProcess process;
    process.start(tool, {path, QStringLiteral("-scale"), scale, QStringLiteral("-bgrx"),
                         QStringLiteral("-benchtime"), QStringLiteral("5"),
                         QStringLiteral("-warmup"), QStringLiteral("1")});
    process.waitForFinished(120000);
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    const auto match =
        QRegularExpression(QStringLiteral("Decompress\\s+--> Frame rate:\\s+([0-9.]+)")).match(out);
    return match.hasMatch() ? 1000.0 / match.captured(1).toDouble() : -1;
}

void benchJpeg(int runs)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("24mp.jpg"));
    {
        const QImage big = syntheticPhoto(QSize(6000, 4000), 99);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(90);
        writer.write(big);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(withOrientation(bytes, 6)); // turned a quarter: a portrait photo
    }
    std::vector<double> times;
    QSize shown;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        const QImage image = readImage(path, kScreen);
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
        shown = image.size();
    }
    std::sort(times.begin(), times.end());
    const double ours = times[times.size() / 2];
    // Qt's decoder scales by M/8 with the smallest M that still covers the
    // target; the target here is the turned box 1080 x 1920 for 6000 x 4000.
    const QSize target = QSize(6000, 4000).scaled(kScreen.transposed(), Qt::KeepAspectRatio);
    const double f = std::min(6000.0 / target.width(), 4000.0 / target.height());
    const int m = std::clamp(int(std::ceil(8.0 / f)), 1, 8);
    const QString scale = QStringLiteral("%1/8").arg(m);
    const double tj = tjbenchMilliseconds(path, scale);
    std::printf("\n24-megapixel JPEG (6000x4000, EXIF orientation 6) for a %dx%d screen\n",
                kScreen.width(), kScreen.height());
    std::printf("readImage -> %dx%d upright: median %.1f ms of %d runs\n", shown.width(),
                shown.height(), ours, runs);
    if (tj > 0) {
        std::printf("tjbench decode at %s: %.1f ms\nratio %.2f (target 1.2)\n", qPrintable(scale),
                    tj, ours / tj);
    } else {
        std::printf("tjbench not found (apt-get install libjpeg-turbo-progs)\n");
    }
}

// Plays the two photos through every transition in a real view and saves the
// exact half-way frame of each.
void demo(const QString &folder, const QImage &a, const QImage &b, const TransitionImages &fx)
{
    QDir().mkpath(folder);
    SlideshowView view(nullptr, SlideshowView::Renderer::OpenGL);
    QPalette palette = view.palette();
    palette.setColor(QPalette::Window, QColor(40, 40, 40));
    view.setPalette(palette);
    view.resize(kScreen);
    view.show();
    OffscreenTransitionRenderer halfway(kScreen, fx.shading, fx.mask);
    halfway.setBackground(QColor(40, 40, 40));
    halfway.setPhotos(a, b);
    std::printf("\nDemo: %s view, frames shown per 1 s transition\n",
                view.usesOpenGL() ? "OpenGL" : "software");
    auto *gl = view.findChild<GLSlideshowWidget *>();
    int swaps = 0;
    if (gl) {
        QObject::connect(gl->glWindow(), &QOpenGLWindow::frameSwapped, [&swaps] { ++swaps; });
    }
    bool toB = true;
    view.transitionToImage(a);
    for (const QString &name : availableTransitionNames()) {
        view.updateSubviewsWithTransition(name);
        swaps = 0;
        view.transitionToImage(toB ? b : a);
        toB = !toB;
        QElapsedTimer clock;
        clock.start();
        while ((view.isTransitionRunning() || clock.elapsed() < 100) && clock.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        const QString file = QDir(folder).filePath(name + QStringLiteral("-half.png"));
        halfway.renderFrame(name, 0.5).save(file);
        std::printf("%-34s %4d frames  -> %s\n", qPrintable(name), swaps, qPrintable(file));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("frames"), QStringLiteral("Frames per transition."),
                      QStringLiteral("N"), QStringLiteral("20")});
    parser.addOption({QStringLiteral("rounds"), QStringLiteral("Rounds of every transition."),
                      QStringLiteral("N"), QStringLiteral("3")});
    parser.addOption({QStringLiteral("out"), QStringLiteral("Folder of the half-way frames."),
                      QStringLiteral("DIR"), QStringLiteral("transition-frames")});
    parser.addOption({QStringLiteral("only"), QStringLiteral("Time only this transition."),
                      QStringLiteral("NAME")});
    parser.addOption({QStringLiteral("no-demo"), QStringLiteral("Skip the JPEG and the demo.")});
    parser.process(app);
    const int frames = std::max(2, parser.value(QStringLiteral("frames")).toInt());

    QString reason;
    if (!openGLUsable(&reason)) {
        std::printf("OpenGL is not available (%s); run under an X server.\n", qPrintable(reason));
        return 1;
    }
    const TransitionImages fx = TransitionImages::load(Bundle::mainBundle());
    // A camera's 3:2 photos, decoded at the size they are shown.
    const QImage a = syntheticPhoto(QSize(1620, 1080), 1);
    const QImage b = syntheticPhoto(QSize(1620, 1080), 2);
    const int rounds = std::max(1, parser.value(QStringLiteral("rounds")).toInt());
    if (!benchTransitions(frames, rounds, parser.values(QStringLiteral("only")), a, b, fx)) {
        return 1;
    }
    if (parser.isSet(QStringLiteral("no-demo"))) {
        return 0;
    }
    benchJpeg(9);
    demo(parser.value(QStringLiteral("out")), a, b, fx);
    return 0;
}
