// Four room displays (plus the operator's screen, which never plays) run a
// queue of 24-megapixel JPEGs with no delay until they have shown 2,000
// slides between them. Resident memory is taken after the warm-up and at the
// end, beside the 400 MB target and the 5% growth allowance; open file
// descriptors and threads at launch, after the warm-up and at the end.
//
// Usage (starts its own Xvfb with five monitors; logs go to standard error):
//   bench_displays [--slides N] [--warmup N] [--photos N] [--mode fixed|none|random]
//                  [--cache DIR] 2>/tmp/bench_displays.log

#include "ProcessSample.h"
#include "VirtualScreens.h"
#include "platform/MemoryTuning.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/AppDelegate.h"
#include "shell/CommonHeader.h"
#include "slideshow/slideShowWindowController.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

struct Options
{
    int slides = 2000;
    int warmup = 100;
    int photos = 40;
    QString mode = QStringLiteral("transitionModeFixed");
    QString cache = QDir::tempPath() + QStringLiteral("/ovra-bench-displays-24mp");
};

const QSize kPhotoSize(6000, 4000);
constexpr int kRooms = 4;

Options parse(int argc, char **argv)
{
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (!std::strcmp(argv[i], "--slides")) {
            o.slides = value.toInt();
        } else if (!std::strcmp(argv[i], "--warmup")) {
            o.warmup = value.toInt();
        } else if (!std::strcmp(argv[i], "--photos")) {
            o.photos = value.toInt();
        } else if (!std::strcmp(argv[i], "--mode")) {
            o.mode = QStringLiteral("transitionMode") + value.left(1).toUpper() + value.mid(1);
        } else if (!std::strcmp(argv[i], "--cache")) {
            o.cache = value;
        }
    }
    return o;
}

// A camera-sized photo: shapes for structure, noise for a photo's entropy.
QImage syntheticPhoto(quint32 seed)
{
    QRandomGenerator random(seed);
    QImage image(kPhotoSize, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(int(random.bounded(360)), 120, 200));
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 30; ++i) {
        painter.setBrush(
            QColor::fromHsv(int(random.bounded(360)), 160, 60 + int(random.bounded(190))));
        const int w = 300 + int(random.bounded(2000));
        painter.drawEllipse(int(random.bounded(kPhotoSize.width())) - w / 2,
                            int(random.bounded(kPhotoSize.height())) - w / 2, w, w * 2 / 3);
    }
    painter.end();
    quint32 x = seed * 2654435761u + 1;
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int i = 0; i < image.width(); ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            const int n = int(x & 15) - 8;
            const QRgb p = line[i];
            line[i] = qRgb(qBound(0, qRed(p) + n, 255), qBound(0, qGreen(p) + n, 255),
                           qBound(0, qBlue(p) + n, 255));
        }
    }
    return image;
}

// Made once and kept: later runs reuse the folder.
bool ensurePhotos(const Options &o)
{
    QDir().mkpath(o.cache);
    for (int i = 0; i < o.photos; ++i) {
        const QString path =
            QStringLiteral("%1/IMG_%2.jpg").arg(o.cache).arg(i, 4, 10, QLatin1Char('0'));
        if (QImageReader(path).size() == kPhotoSize) {
            continue;
        }
        std::printf("making %s\n", qPrintable(path));
        std::fflush(stdout);
        QImageWriter writer(path);
        writer.setQuality(90);
        if (!writer.write(syntheticPhoto(quint32(i + 1)))) {
            return false;
        }
    }
    return true;
}

void printRow(const char *what, double ours, double target, const char *unit)
{
    std::printf("%-40s %10.1f %s   target %8.1f %s   ratio %.3f\n", what, ours, unit, target, unit,
                target != 0 ? ours / target : 0.0);
}

} // namespace

int main(int argc, char **argv)
{
    // As the kiosk's main() does.
    MemoryTuning::tuneAllocatorForLargeImages();
    const Options o = parse(argc, argv);
    VirtualScreens screens(kRooms + 1);
    QString error;
    if (!screens.start(&error)) {
        std::printf("no virtual screens: %s\n", qPrintable(error));
        return 1;
    }
    qputenv("DISPLAY", screens.display().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    if (!ensurePhotos(o)) {
        std::printf("could not write the photos into %s\n", qPrintable(o.cache));
        return 1;
    }

    Preferences store{QString()};
    Preferences::setStandardUserDefaults(&store);
    for (int n = 1; n <= kRooms + 1; ++n) {
        store.setBool(true, QStringLiteral("prefDoSlideShow%1").arg(n));
        store.setFloat(0.0f, QStringLiteral("prefSlideShowDelay%1").arg(n));
    }
    store.setObject(o.mode, kPrefUseTransitionMode);
    store.setObject(kTransitionFade, kPrefTransitionStyle);
    store.setObject(QStringList{kNoTransitionEffect, kTransitionFade, kTransitionMoveIn,
                                kTransitionPush, kTransitionReveal},
                    kPrefAvailTransitionStyles);

    Sample launch;
    Sample warm;
    Sample end;
    int shown = 0;
    QElapsedTimer clock;
    qint64 warmAt = 0;
    {
        AppDelegate delegate;
        delegate.setupWindowControllers();
        delegate.startSequence(kStartSequenceAll);
        QCoreApplication::processEvents();
        launch = sampleOf(QStringLiteral("self"));
        for (const auto &display : delegate.slideShowWindowControllerList()) {
            QObject::connect(display.get(), &slideShowWindowController::slideShown, &app, [&] {
                ++shown;
                if (shown % 200 == 0) {
                    const Sample now = sampleOf(QStringLiteral("self"));
                    std::printf("%5d slides %7.1f s  VmRSS %6.1f MB  fds %3d  threads %3d\n", shown,
                                double(clock.elapsed()) / 1000.0, now.rssMb, now.fds, now.threads);
                    std::fflush(stdout);
                }
                if (shown == o.warmup) {
                    warm = sampleOf(QStringLiteral("self"));
                    warmAt = clock.elapsed();
                } else if (shown == o.slides) {
                    end = sampleOf(QStringLiteral("self"));
                    app.quit();
                }
            });
        }
        clock.start();
        for (int index = 1; index <= kRooms; ++index) {
            NotificationCenter::defaultCenter()->postNotificationName(
                kSlideShowParamChanged, QVariant(),
                {{kKeyScreenIndex, index}, {kKeySourcePath, o.cache}});
        }
        QTimer::singleShot(3600 * 1000, &app, [] {
            std::printf("gave up after an hour\n");
            QApplication::exit(1);
        });
        if (QApplication::exec() != 0) {
            return 1;
        }
    }
    Preferences::setStandardUserDefaults(nullptr);

    const double seconds = double(clock.elapsed()) / 1000.0;
    std::printf("\n%d rooms (and the operator's screen) played %d JPEGs of %dx%d, delay 0, %s\n",
                kRooms, o.photos, kPhotoSize.width(), kPhotoSize.height(), qPrintable(o.mode));
    std::printf("%d slides in %.1f s (%.1f slides/s; warm-up of %d slides took %.1f s)\n\n", shown,
                seconds, shown / seconds, o.warmup, double(warmAt) / 1000.0);
    printRow("resident memory after warm-up", warm.rssMb, 400.0, "MB");
    printRow("resident memory at the end", end.rssMb, 400.0, "MB");
    printRow("growth, end / after warm-up", end.rssMb / warm.rssMb, 1.05, "x ");
    std::printf("%-40s %6d at launch %6d after warm-up %6d at end   (target: no growth)\n",
                "open file descriptors", launch.fds, warm.fds, end.fds);
    std::printf("%-40s %6d at launch %6d after warm-up %6d at end   (target: no growth)\n",
                "threads", launch.threads, warm.threads, end.threads);
    return 0;
}
