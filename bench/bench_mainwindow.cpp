// The console's code list on a day folder of 500 codes x 40 photos: how long
// until the list is shown and until every photo count has arrived, beside
// `find DAY -iname '*.jpg' | wc -l` on the same tree in the same run.
#include "QuietStderr.h"
#include "console/CodeListModel.h"
#include "console/MainWindowController.h"
#include "platform/Clock.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kCodes = 500;
constexpr int kPhotosPerCode = 40;
constexpr int kRounds = 9;

QString codeName(int code)
{
    return QStringLiteral("C%1").arg(code, 4, 10, QLatin1Char('0'));
}

bool makeTree(const QString &day)
{
    for (int code = 0; code < kCodes; ++code) {
        const QString name = codeName(code);
        const QString folder = day + QLatin1Char('/') + name;
        if (!QDir().mkpath(folder)) {
            return false;
        }
        QFile info(folder + QLatin1Char('/') + name + QStringLiteral(".xml"));
        const QByteArray xml =
            QStringLiteral("<?xml version=\"1.0\"?>\n<data>\n\t<code>%1</code>\n"
                           "\t<name>Party %1</name>\n\t<email>%1@example.org</email>\n"
                           "</data>\n")
                .arg(name)
                .toUtf8();
        if (!info.open(QIODevice::WriteOnly) || info.write(xml) != xml.size()) {
            return false;
        }
        for (int i = 0; i < kPhotosPerCode; ++i) {
            // The count reads names only: tiny files will do.
            QFile file(folder + QStringLiteral("/IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
            if (!file.open(QIODevice::WriteOnly) || file.write("\xFF\xD8\xFF\xD9", 4) != 4) {
                return false;
            }
        }
    }
    return true;
}

struct Figure
{
    double median = 0;
    double fastest = 0;
};

Figure summarise(QList<double> times)
{
    std::sort(times.begin(), times.end());
    return {times.at(times.size() / 2), times.first()};
}

qint64 findCount(const QString &day)
{
    QProcess process;
    process.start(QStringLiteral("/bin/sh"),
                  {QStringLiteral("-c"), QStringLiteral("find \"$1\" -iname '*.jpg' | wc -l"),
                   QStringLiteral("sh"), day});
    process.waitForFinished(-1);
    return process.readAllStandardOutput().trimmed().toLongLong();
}

qint64 totalCount(const CodeListModel &list)
{
    qint64 total = 0;
    for (const QVariantMap &entry : list.content()) {
        total += entry.value(kEntryQty).toString().toLongLong();
    }
    return total;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QTemporaryDir tmp;
    const QDateTime now(QDate(2026, 12, 6), QTime(12, 0));
    Clock::setFixed(now);
    const QString root = tmp.filePath(QStringLiteral("root"));
    const QString day = root + QStringLiteral("/2026-12-06");
    QElapsedTimer making;
    making.start();
    if (!tmp.isValid() || !makeTree(day)) {
        std::fprintf(stderr, "could not make the day folder\n");
        return 1;
    }
    std::printf("day folder: %d codes x %d photos = %d photos, made in %lld ms\n", kCodes,
                kPhotosPerCode, kCodes * kPhotosPerCode, making.elapsed());

    Preferences store{QString()};
    Preferences::setStandardUserDefaults(&store);
    store.setObject(root, kPrefSlideShowPath);
    store.setObject(kDefaultDailyFolderFormat, kPrefDailyFolderFormat);
    NotificationCenter center;
    MainWindowEnvironment environment;
    environment.store = &store;
    environment.center = &center;
    environment.screenCount = [] {
        return 2;
    };
    environment.presentAlert = [](QWidget *, const QString &, const QString &, const QString &) {
    };

    QList<double> anchorTimes;
    QList<double> shownTimes;
    QList<double> countedTimes;
    qint64 anchorAnswer = 0;
    qint64 listed = 0;
    qint64 counted = 0;
    bool allArrived = true;
    {
        const QuietStderr quiet;
        findCount(day); // warm the caches
        MainWindowController window(nullptr, environment);
        for (int round = 0; round <= kRounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            anchorAnswer = findCount(day);
            const double anchor = double(timer.nsecsElapsed()) / 1e6;

            QEventLoop loop;
            QTimer limit;
            limit.setSingleShot(true);
            QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
                allArrived = false;
                loop.quit();
            });
            QObject::connect(&window, &MainWindowController::photoCountsComplete, &loop,
                             &QEventLoop::quit);
            timer.restart();
            window.reloadAllData();
            const double shown = double(timer.nsecsElapsed()) / 1e6;
            limit.start(60000);
            loop.exec();
            const double all = double(timer.nsecsElapsed()) / 1e6;
            if (round > 0) { // the first round warms the caches
                anchorTimes << anchor;
                shownTimes << shown;
                countedTimes << all;
            }
            listed = window.codeList()->rowCount();
            counted = totalCount(*window.codeList());
        }
    }
    const Figure anchor = summarise(anchorTimes);
    const Figure shown = summarise(shownTimes);
    const Figure all = summarise(countedTimes);
    std::printf("%-46s median %8.2f ms  fastest %8.2f ms\n",
                "find DAY -iname '*.jpg' | wc -l (anchor)", anchor.median, anchor.fastest);
    std::printf("%-46s median %8.2f ms  fastest %8.2f ms\n", "list shown (scan + info files)",
                shown.median, shown.fastest);
    std::printf("%-46s median %8.2f ms  fastest %8.2f ms  ratio %.2f\n", "every count arrived",
                all.median, all.fastest, all.median / anchor.median);
    const bool sameAnswer = allArrived && listed == kCodes && counted == anchorAnswer &&
                            counted == qint64(kCodes) * kPhotosPerCode;
    std::printf("answers: %lld codes listed, %lld photos counted, find counted %lld -> %s\n",
                listed, counted, anchorAnswer, sameAnswer ? "match" : "DIFFER");
    std::printf("target: counts complete within 1.50 x the anchor -> %s\n",
                all.median <= 1.5 * anchor.median ? "met" : "NOT met");
    Preferences::setStandardUserDefaults(nullptr);
    Clock::reset();
    return sameAnswer ? 0 : 2;
}
