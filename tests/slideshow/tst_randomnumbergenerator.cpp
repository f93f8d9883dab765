// Guards the photo-order numbers: sequential, odd and even runs, single-precision draws.
#include "slideshow/randomNumberGenerator.h"

#include "StderrCapture.h"

#include <QtTest>

#include <climits>
#include <cstdlib>
#include <deque>

using namespace Qt::StringLiterals;

using Numbers = QList<qint32>;

namespace {

// A source that hands out the given draws in turn.
randomNumberGenerator::RandomSource scripted(std::deque<int> draws)
{
    return [draws]() mutable {
        const int draw = draws.front();
        draws.pop_front();
        return draw;
    };
}

} // namespace

class tst_randomNumberGenerator : public QObject
{
    Q_OBJECT

private slots:
    void sequential_data()
    {
        QTest::addColumn<qint32>("which");
        QTest::addColumn<qint32>("sequence");
        QTest::addColumn<qint32>("maximum");
        QTest::addColumn<Numbers>("expected");

        QTest::newRow("all 0..3") << 0 << 10 << 3 << Numbers{0, 1, 2, 3, 0, 1, 2};
        QTest::newRow("odd up to 4") << 1 << 10 << 4 << Numbers{1, 3, 0, 1, 3, 0, 1};
        QTest::newRow("even up to 4") << 2 << 10 << 4 << Numbers{0, 2, 4, 0, 2, 4, 0};
        QTest::newRow("both reset") << 7 << 12 << 9 << Numbers{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1};
        QTest::newRow("negative which") << -1 << 10 << 2 << Numbers{0, 1, 2, 0};
        QTest::newRow("largest maximum wraps") << 0 << 10 << INT_MAX << Numbers{0, 1, 2, 3};
    }

    void sequential()
    {
        QFETCH(qint32, which);
        QFETCH(qint32, sequence);
        QFETCH(qint32, maximum);
        QFETCH(Numbers, expected);

        // Draws would fail the test: a sequence never consults the source.
        randomNumberGenerator generator([]() -> int {
            qFatal("sequential mode drew a random number");
            return 0;
        });
        // Leftovers of an earlier setup must not carry over.
        generator.setupRandomNumberGeneratorWithPhotos(0, 10, 50);
        generator.getNextRandomNumber(1);
        generator.getNextRandomNumber(1);
        generator.setupRandomNumberGeneratorWithPhotos(which, sequence, maximum);

        Numbers got;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            got.append(generator.getNextRandomNumber(1));
        }
        QCOMPARE(got, expected);
    }

    void outOfRangeSetupIsReplaced()
    {
        randomNumberGenerator generator;
        StderrCapture capture;
        generator.setupRandomNumberGeneratorWithPhotos(7, 12, 9);
        const QString log = capture.finish();

        QVERIFY(log.contains(u"Resetting whichPhotos to kTagAllPhotos!!!!!!!!!!!"_s));
        QVERIFY(log.contains(u"Resetting sequence to kTagSequential!!!!!!!!!!!!!"_s));
        QCOMPARE(generator.whichPhotosType(), kTagAllPhotos);
        QCOMPARE(generator.orderSequenceType(), kTagSequential);
        QCOMPARE(generator.maximum(), 9);
        for (const qint32 slot : generator.randomValues()) {
            QCOMPARE(slot, -1);
        }

        StderrCapture quiet;
        generator.setupRandomNumberGeneratorWithPhotos(2, 11, 9);
        QVERIFY(!quiet.finish().contains(u"Resetting"_s));
    }

    void randomStaysInRange()
    {
        std::srand(20120616);
        randomNumberGenerator generator;
        generator.setupRandomNumberGeneratorWithPhotos(0, 11, 5);
        QList<int> seen(6, 0);
        for (int i = 0; i < 3000; ++i) {
            const qint32 r = generator.getNextRandomNumber(1);
            QVERIFY2(r >= 0 && r <= 5, qPrintable(QString::number(r)));
            ++seen[r];
        }
        // Both ends are reachable.
        for (int value = 0; value <= 5; ++value) {
            QVERIFY2(seen.at(value) > 0, qPrintable(QString::number(value)));
        }
    }

    void startAllOverOnlyWhenMaximumEqualsArgument()
    {
        randomNumberGenerator generator;
        generator.setupRandomNumberGeneratorWithPhotos(0, 11, 5);
        StderrCapture notLogged;
        for (int i = 0; i < 20; ++i) {
            generator.getNextRandomNumber(1);
        }
        QVERIFY(!notLogged.finish().contains(u"Start all over"_s));

        generator.setupRandomNumberGeneratorWithPhotos(0, 11, 1);
        StderrCapture logged;
        const qint32 r = generator.getNextRandomNumber(1);
        QVERIFY(logged.finish().contains(u"Start all over"_s));
        QVERIFY(r == 0 || r == 1);
    }

    void singlePrecisionDraws_data()
    {
        QTest::addColumn<qint32>("which");
        QTest::addColumn<qint32>("maximum");
        QTest::addColumn<int>("draw");
        QTest::addColumn<qint32>("expected");

        // (float)(2^30 - 1) is 2^30: 5, where double arithmetic would give 4.
        QTest::newRow("rounds up to half") << 0 << 9 << (1 << 30) - 1 << 5;
        // Draws from 2147483584 on round to 2^31 (5 in double), u = 1: maximum
        // + 1, which falls back to 0.
        QTest::newRow("rounds to one") << 0 << 5 << 2147483584 << 0;
        QTest::newRow("rounds below one") << 0 << 5 << 2147483583 << 5;
        // u = 11744051 * 2^-24 is just below 0.7; 10 * u = 6.99999988 rounds to
        // 7.0f in single precision (6 in double).
        QTest::newRow("product rounds up") << 0 << 9 << 1503238528 << 7;
        QTest::newRow("even raises odd") << 2 << 5 << 2147483000 << 6;
        QTest::newRow("odd raises even") << 1 << 5 << 0 << 1;
        QTest::newRow("odd keeps odd") << 1 << 5 << 2147483000 << 5;
        QTest::newRow("odd raises the fallback") << 1 << 5 << RAND_MAX << 1;
        QTest::newRow("negative maximum") << 0 << -5 << (1 << 30) << 0;
    }

    void singlePrecisionDraws()
    {
        QFETCH(qint32, which);
        QFETCH(qint32, maximum);
        QFETCH(int, draw);
        QFETCH(qint32, expected);

        randomNumberGenerator generator(scripted({draw}));
        generator.setupRandomNumberGeneratorWithPhotos(which, 11, maximum);
        QCOMPARE(generator.getNextRandomNumber(1), expected);
    }
};

QTEST_GUILESS_MAIN(tst_randomNumberGenerator)
#include "tst_randomnumbergenerator.moc"
