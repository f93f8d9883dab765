// Guards date texts: week-based years, summer time, and the formatter from many threads.
#include "platform/DateFormat.h"

#include <QCoreApplication>
#include <QTest>
#include <QtConcurrent>

#include <ctime>

using namespace Qt::StringLiterals;

// Instants are written as local times of Europe/Berlin (set in main), which
// has summer time, so offsets and the zone ICU picks up are both checked.

namespace {
QDateTime local(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}
} // namespace

class TestDateFormat : public QObject
{
    Q_OBJECT
private slots:
    void formatsUnicodePatterns_data()
    {
        QTest::addColumn<QDateTime>("instant");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");

        const QDateTime june = local(2012, 6, 11, 14, 5, 9, 123);
        QTest::newRow("log line stamp, summer")
            << june << u"[YYYY/MM/dd HH:mm:ss.SSS Z]"_s << u"[2012/06/11 14:05:09.123 +0200]"_s;
        QTest::newRow("log line stamp, winter")
            << local(2012, 1, 15, 8, 0, 0, 7) << u"[YYYY/MM/dd HH:mm:ss.SSS Z]"_s
            << u"[2012/01/15 08:00:00.007 +0100]"_s;
        // 30 December 2019 lies in week 1 of the week-based year 2020.
        QTest::newRow("week-based year at the turn of the year")
            << local(2019, 12, 30, 10, 0) << u"YYYYMMddHHmmss"_s << u"20201230100000"_s;
        QTest::newRow("calendar year at the turn of the year")
            << local(2019, 12, 30, 10, 0) << u"yyyyMMddHHmmss"_s << u"20191230100000"_s;
        QTest::newRow("names do not depend on the user's language")
            << june << u"EEE d MMM"_s << u"Mon 11 Jun"_s;
        QTest::newRow("quoted text") << june << u"'day' dd"_s << u"day 11"_s;
        // What cannot be formatted gives nothing.
        QTest::newRow("empty pattern") << june << QString() << QString();
        QTest::newRow("invalid instant") << QDateTime() << u"yyyy-MM-dd"_s << QString();
        QTest::newRow("letter that is no field") << june << u"yyyy-jj"_s << QString();
    }

    void formatsUnicodePatterns()
    {
        QFETCH(QDateTime, instant);
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        QCOMPARE(DateFormat::format(instant, pattern), expected);
        // The same instant in another representation names the same local time.
        QCOMPARE(DateFormat::format(instant.toUTC(), pattern), expected);
    }

    void agreesWithQtLocalTimeAllYear()
    {
        // Every 7 hours through a year with two summer-time changes: ICU's zone
        // and Qt's local time must name the same wall-clock time.
        const QString pattern = u"yyyy-MM-dd HH:mm:ss"_s;
        for (QDateTime t = local(2021, 1, 1, 0, 0); t < local(2022, 1, 1, 0, 0);
             t = t.addSecs(7 * 3600)) {
            QCOMPARE(DateFormat::format(t, pattern), t.toString(pattern));
        }
    }

    void isSafeFromManyThreads()
    {
        QList<QDateTime> instants;
        for (int i = 0; i < 400; ++i) {
            instants.append(local(2012, 6, 11, 0, 0).addSecs(qint64(i) * 86400 + i));
        }
        const QString pattern = u"[YYYY/MM/dd HH:mm:ss.SSS Z]"_s;
        QStringList expected;
        for (const QDateTime &t : instants) {
            expected.append(DateFormat::format(t, pattern));
        }
        const QStringList got = QtConcurrent::blockingMapped<QStringList>(
            instants, [&pattern](const QDateTime &t) { return DateFormat::format(t, pattern); });
        QCOMPARE(got, expected);
    }
};

int main(int argc, char *argv[])
{
    // Before anything reads the time zone.
    qputenv("TZ", "Europe/Berlin");
    tzset();
    QCoreApplication app(argc, argv);
    TestDateFormat test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dateformat.moc"
