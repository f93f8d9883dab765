// Guards the log line format, and that threads never interleave within a line.
#include "StderrCapture.h"

#include "platform/Clock.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QtTest>

#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

class TestLog : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Clock::reset(); }
    void lineCarriesClockAppProcessAndThread();
    void threadsWriteWholeLines();
};

void TestLog::lineCarriesClockAppProcessAndThread()
{
    Clock::setFixed(QDateTime(QDate(2026, 12, 6), QTime(9, 5, 7, 42)));
    const QString stamp = u"2026-12-06 09:05:07.042"_s;
    qint64 otherThread = 0;
    StderrCapture capture;
    OvraLog(u"main thread"_s);
    std::thread([&otherThread] {
        otherThread = qint64(syscall(SYS_gettid));
        OvraLog(u"other thread\n"_s);
    }).join();
    const QString prefix =
        stamp + QLatin1Char(' ') + QCoreApplication::applicationName() + u"[%1:"_s.arg(getpid());
    QCOMPARE(capture.finish(), prefix + u"%1] main thread\n"_s.arg(syscall(SYS_gettid)) + prefix +
                                   u"%1] other thread\n"_s.arg(otherThread));
}

void TestLog::threadsWriteWholeLines()
{
    constexpr int threads = 4;
    constexpr int lines = 200;
    StderrCapture capture;
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < lines; ++i) {
                OvraLog(u"writer %1 line %2 "_s.arg(t).arg(i) + QString(100, QLatin1Char('x')));
            }
        });
    }
    for (std::thread &writer : writers) {
        writer.join();
    }
    const QStringList written = capture.finish().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(written.size(), threads * lines);
    static const QRegularExpression whole(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} .+\\[\\d+:\\d+\\] "
                       "writer \\d line \\d+ x{100}$"));
    for (const QString &line : written) {
        QVERIFY2(whole.match(line).hasMatch(), qPrintable(line));
    }
}

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
