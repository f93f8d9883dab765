// Time until the first 12 thumbnails of a 200-photo code are shown (decoded,
// in the model, drawn by a 4 x 3 grid) for 24-megapixel JPEGs, beside djpeg
// decoding the same 12 files at 1/8 scale in the same run, one after another
// and two at a time (the browser decodes on two threads).
// The first 12 files are distinct photos; the other 188 are hard links to
// them, which only the cells past the twelfth would read.
//
//   bench_imagebrowser [rounds, default 3]

#include "CameraLikeImage.h"
#include "Figures.h"
#include "console/MyImageBrowserView/MyImageBrowserModel.h"
#include "console/MyImageBrowserView/MyImageBrowserView.h"
#include "console/MyImageBrowserView/MyImageBrowserViewController.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPhotos = 200;
constexpr int kShown = 12;

bool makeCode(const QString &folder, QStringList *first)
{
    for (int i = 0; i < kPhotos; ++i) {
        const QString path = u"%1/IMG_%2.jpg"_s.arg(folder).arg(i, 4, 10, QLatin1Char('0'));
        if (i < kShown) {
            if (!cameraLikeImage(6000, 4000, quint32(1000 + i), ((1000 + i) % 97) / 10.0)
                     .save(path, "JPEG", 92)) {
                return false;
            }
            first->append(path);
        } else {
            std::error_code error;
            std::filesystem::create_hard_link(first->at(i % kShown).toStdString(),
                                              path.toStdString(), error);
            if (error) {
                return false;
            }
        }
    }
    return true;
}

// Milliseconds from addImages until the first 12 cells show their thumbnails.
double timeToFirstThumbnails(const QString &folder, Preferences &prefs, NotificationCenter &center)
{
    QWidget window;
    window.resize(1000, 700);
    auto *browser = new MyImageBrowserViewController(&window, &prefs, &center);
    browser->view()->resize(window.size());
    window.show();
    browser->row = 3;
    browser->col = 4;
    browser->adjustCellSize();
    QCoreApplication::processEvents();

    MyImageBrowserModel *model = browser->model();
    QEventLoop loop;
    auto allShown = [model] {
        if (model->rowCount() < kShown) {
            return false;
        }
        for (int row = 0; row < kShown; ++row) {
            if (!model->hasThumbnail(row)) {
                return false;
            }
        }
        return true;
    };
    QObject::connect(model, &MyImageBrowserModel::thumbnailShown, &loop, [&] {
        if (allShown()) {
            loop.quit();
        }
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);

    QElapsedTimer timer;
    timer.start();
    browser->addImages({folder});
    loop.exec();
    const double ms = allShown() ? double(timer.nsecsElapsed()) / 1e6 : -1;
    if (ms > 0) {
        std::printf("   thumbnail %dx%d, %lld items in the model when the 12th was shown\n",
                    model->thumbnailSize().width(), model->thumbnailSize().height(),
                    qlonglong(model->rowCount()));
    }
    // Let the rest of the add end before the browser goes.
    QElapsedTimer rest;
    rest.start();
    while (browser->isAddingImages() && rest.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return ms;
}

// The 12 files through djpeg, `parallel` processes at a time.
double djpegMs(const QString &djpeg, const QStringList &files, int parallel)
{
    QElapsedTimer timer;
    timer.start();
    for (qsizetype start = 0; start < files.size(); start += parallel) {
        std::vector<std::unique_ptr<QProcess>> running;
        for (qsizetype i = start; i < std::min(files.size(), start + parallel); ++i) {
            running.push_back(std::make_unique<QProcess>());
            running.back()->start(
                djpeg, {u"-scale"_s, u"1/8"_s, u"-outfile"_s, u"/dev/null"_s, files.at(i)});
        }
        for (const auto &process : running) {
            if (!process->waitForFinished(60000) || process->exitCode() != 0) {
                return -1;
            }
        }
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    const int rounds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 3;

    QTemporaryDir dir;
    const QString folder = dir.filePath(u"12345678"_s);
    QStringList first;
    std::printf("Writing %d photos (6000x4000 JPEG, %d distinct)...\n", kPhotos, kShown);
    if (!QDir().mkpath(folder) || !makeCode(folder, &first)) {
        std::printf("could not write the photos\n");
        return 1;
    }

    Preferences prefs{QString()};
    NotificationCenter center;
    const QString djpeg = QStandardPaths::findExecutable(u"djpeg"_s);
    QList<double> ours;
    QList<double> anchor;
    QList<double> anchorTwo;
    for (int round = 0; round < rounds; ++round) {
        std::printf("round %d\n", round + 1);
        ours.append(timeToFirstThumbnails(folder, prefs, center));
        if (!djpeg.isEmpty()) {
            anchor.append(djpegMs(djpeg, first, 1));
            anchorTwo.append(djpegMs(djpeg, first, 2));
        }
    }

    std::printf("\nFirst %d thumbnails of a %d-photo code, 24-megapixel JPEGs, 4 x 3 grid\n",
                kShown, kPhotos);
    std::printf("%-44s", "browser, addImages -> 12 thumbnails shown:");
    for (double ms : ours) {
        std::printf(" %8.1f", ms);
    }
    std::printf("  median %.1f ms (target < 1000 ms)\n", summarise(ours).median);
    if (djpeg.isEmpty()) {
        std::printf("djpeg not found (apt-get install libjpeg-turbo-progs)\n");
        return 0;
    }
    std::printf("%-44s", "anchor, djpeg -scale 1/8 of the 12, serial:");
    for (double ms : anchor) {
        std::printf(" %8.1f", ms);
    }
    std::printf("  median %.1f ms\n", summarise(anchor).median);
    std::printf("%-44s", "anchor, the same, two at a time:");
    for (double ms : anchorTwo) {
        std::printf(" %8.1f", ms);
    }
    std::printf("  median %.1f ms\n", summarise(anchorTwo).median);
    std::printf("ratio browser / anchor two at a time (the browser decodes on 2 threads): %.2f\n",
                summarise(ours).median / summarise(anchorTwo).median);
    return 0;
}
