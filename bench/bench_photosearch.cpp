// The code search (bundle script "getnewestfiles.sh" behind
// OvraPhotoQueryController) on a day folder of 500 codes x 40 photos, beside
// the plain pipeline find | sort -rn | head on the same tree in the same run.
#include "Figures.h"
#include "QuietStderr.h"
#include "intake/OvraPhotoQueryController.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kCodes = 500;
constexpr int kPhotosPerCode = 40;
constexpr int kRounds = 9;

class Counter : public OvraSearchDelegate
{
public:
    QStringList last;
    void doneSearchOperation(OvraPhotoQueryController *query, const QVariantMap &) override
    {
        last = query->response();
    }
};

QString codeName(int code)
{
    return QStringLiteral("C%1").arg(code, 4, 10, QLatin1Char('0'));
}

bool makeTree(const QString &day)
{
    // Every photo gets its own second, so the newest 40 are one exact answer.
    const QDateTime base = QDateTime::currentDateTimeUtc().addDays(-1);
    for (int code = 0; code < kCodes; ++code) {
        const QString folder = day + QLatin1Char('/') + codeName(code);
        if (!QDir().mkpath(folder)) {
            return false;
        }
        for (int i = 0; i < kPhotosPerCode; ++i) {
            QFile file(folder + QStringLiteral("/IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
            // Flushed before it is dated: a write at close would date it now.
            if (!file.open(QIODevice::WriteOnly) || file.write("\xFF\xD8\xFF\xD9", 4) != 4 ||
                !file.flush() ||
                !file.setFileTime(base.addSecs(code * kPhotosPerCode + i),
                                  QFileDevice::FileModificationTime)) {
                return false;
            }
        }
    }
    return true;
}

QStringList findPipeline(const QString &day)
{
    const QString out = shellOutput(
        QStringLiteral("find \"$1\" -type f -printf '%T@ %P\\n' | sort -rn | head -n 40"), {day});
    QStringList lines;
    for (const QString &line : out.split(u'\n', Qt::SkipEmptyParts)) {
        lines.append(line.section(QLatin1Char(' '), 1));
    }
    return lines;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString script = Bundle::mainBundle().pathForScript(kGetNewestFilesScript);
    if (script.isEmpty()) {
        std::fprintf(stderr, "getnewestfiles.sh not found in the bundle (build ovra_resources)\n");
        return 1;
    }
    QTemporaryDir tmp;
    const QString day = tmp.filePath(QStringLiteral("2012-06-16"));
    QElapsedTimer making;
    making.start();
    if (!tmp.isValid() || !makeTree(day)) {
        std::fprintf(stderr, "could not make the day folder\n");
        return 1;
    }
    std::printf("day folder: %d codes x %d photos = %d files, made in %lld ms\n", kCodes,
                kPhotosPerCode, kCodes * kPhotosPerCode, making.elapsed());

    Preferences store{QString()};
    OvraPhotoQueryController query(&store, Bundle::mainBundle());
    Counter counter;
    const QVariantMap shout{{kKeySearchPath, day}, {kKeyDelegate, searchDelegateValue(&counter)}};
    QVariantMap oneCode = shout;
    oneCode.insert(kKeyCustomerId, codeName(250));

    QStringList anchorAnswer;
    QStringList shoutAnswer;
    QStringList oneAnswer;
    Figure anchor;
    Figure shoutFigure;
    Figure oneFigure;
    {
        const QuietStderr quiet;
        anchor = measure(kRounds, [&] { anchorAnswer = findPipeline(day); });
        shoutFigure = measure(kRounds, [&] {
            query.startSearchActionWithParamOldwayOvra2(shout);
            shoutAnswer = counter.last;
        });
        oneFigure = measure(kRounds, [&] {
            query.startSearchActionWithParamOldwayOvra2(oneCode);
            oneAnswer = counter.last;
        });
    }

    QStringList shoutPlain;
    for (const QString &line : std::as_const(shoutAnswer)) {
        shoutPlain.append(line.startsWith(QLatin1String("./")) ? line.mid(2) : line);
    }
    const bool sameAnswer = shoutPlain == anchorAnswer && shoutPlain.size() == 40;
    const bool oneOk =
        oneAnswer.size() == 40 && oneAnswer.first() == QStringLiteral("./C0250/IMG_0039.jpg");

    std::printf("%-44s median %8.2f ms  fastest %8.2f ms\n",
                "find | sort -rn | head -n 40 (anchor)", anchor.median, anchor.fastest);
    std::printf("%-44s median %8.2f ms  fastest %8.2f ms  ratio %.2f\n",
                "code search, all codes (shout mode)", shoutFigure.median, shoutFigure.fastest,
                shoutFigure.median / anchor.median);
    std::printf("%-44s median %8.2f ms  fastest %8.2f ms  ratio %.2f\n", "code search, one code",
                oneFigure.median, oneFigure.fastest, oneFigure.median / anchor.median);
    std::printf("answers: all codes %s the anchor's newest 40; one code %s\n",
                sameAnswer ? "match" : "DIFFER FROM", oneOk ? "correct" : "WRONG");
    // A fast wrong answer meets nothing.
    const bool fast = shoutFigure.median <= 1.5 * anchor.median;
    std::printf("target: the anchor's answer, in at most 1.50 x its time -> %s\n",
                fast && sameAnswer && oneOk ? "met" : "NOT met");
    return sameAnswer && oneOk ? 0 : 2;
}
