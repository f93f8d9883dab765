// Guards the photo order: the queue (duplicates, invalid photos, resets, fills beside takes) and
// its numbers.
#include "slideshow/OvraQueue.h"
#include "slideshow/randomNumberGenerator.h"

#include "StderrCapture.h"
#include "TestHarness.h"
#include "TestSupport.h"

#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <deque>
#include <future>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

bool acceptAll(const QString &)
{
    return true;
}

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

class tst_OvraQueue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void takesFromTheFrontWrapsAndFollowsInsertions()
    {
        OvraQueue queue(acceptAll);
        queue.addToQueueInThread({u"/a.jpg"_s, u"/b.jpg"_s});
        QCOMPARE(queue.getNextObject(), u"/b.jpg"_s);
        queue.reset();
        QVERIFY(queue.isEmpty());
        QCOMPARE(queue.curIndex(), -1);

        // Newest first: the path reported last is taken first, then round again.
        queue.addToQueueInThread({u"C"_s, u"B"_s, u"A"_s});
        QCOMPARE(queue.entries(), QStringList({u"A"_s, u"B"_s, u"C"_s}));
        QStringList taken;
        for (int i = 0; i < 7; ++i) {
            taken.append(queue.getNextObject());
        }
        QCOMPARE(taken, QStringList({u"A"_s, u"B"_s, u"C"_s, u"A"_s, u"B"_s, u"C"_s, u"A"_s}));
        QCOMPARE(queue.curIndex(), 0);

        // Inserting at the front keeps the position: the last one taken comes again.
        QCOMPARE(queue.getNextObject(), u"B"_s);
        queue.addToQueueInThread({u"D"_s});
        QCOMPARE(queue.entries(), QStringList({u"D"_s, u"A"_s, u"B"_s, u"C"_s}));
        QCOMPARE(queue.curIndex(), 1);
        QCOMPARE(queue.getNextObject(), u"B"_s);
        QCOMPARE(queue.getNextObject(), u"C"_s);
        QCOMPARE(queue.getNextObject(), u"D"_s);
    }

    void refusesDuplicatesIgnoringCase()
    {
        OvraQueue queue(acceptAll);
        queue.addToQueueInThread({u"/p/One.jpg"_s, u"/p/ONE.jpg"_s, u"/p/one.JPG"_s});
        QCOMPARE(queue.entries(), QStringList{u"/p/One.jpg"_s});
        queue.addToQueueInThread({u"/P/one.jpg"_s});
        QCOMPARE(queue.entries(), QStringList{u"/p/One.jpg"_s});
    }

    void fillQueuesOnlyValidImages()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString good = dir.filePath(u"good.jpg"_s);
        QVERIFY(TestHarness::writeJpeg(good, QSize(16, 16), Qt::red));
        const QByteArray jpeg = TestSupport::readFile(good);
        const QString half = dir.filePath(u"half.jpg"_s);
        QVERIFY(TestSupport::writeFile(half, jpeg.left(jpeg.size() / 2)));
        const QString text = dir.filePath(u"text.jpg"_s);
        QVERIFY(TestSupport::writeFile(text, QByteArrayLiteral("not an image")));

        OvraQueue queue; // the real image test
        queue.addToQueueInThread({half, dir.filePath(u"missing.jpg"_s), good, text, QString()});
        QCOMPARE(queue.entries(), QStringList{good});
    }

    void fillWithNothingValidLeavesTheList()
    {
        OvraQueue queue([](const QString &path) { return path.startsWith(QLatin1String("/ok")); });
        queue.addToQueueInThread({u"/ok/1.jpg"_s, u"/ok/2.jpg"_s});
        QCOMPARE(queue.getNextObject(), u"/ok/2.jpg"_s);
        const QStringList before = queue.entries();

        queue.addToQueueInThread({u"/bad/1.jpg"_s, u"/bad/2.jpg"_s});
        QCOMPARE(queue.entries(), before);
        QCOMPARE(queue.curIndex(), 0);
        QCOMPARE(queue.getNextObject(), u"/ok/1.jpg"_s);

        OvraQueue empty([](const QString &) { return false; });
        empty.addToQueueInThread({u"/x.jpg"_s});
        QVERIFY(empty.isEmpty());
        QVERIFY(empty.getNextObject().isNull());
        QCOMPARE(empty.curIndex(), -1);
    }

    void resetDuringFillDropsTheRest()
    {
        // The display switches to another code while the old code's photos are
        // still being checked: none of the old ones may end up in the new list.
        OvraQueue *queueRef = nullptr;
        OvraQueue queue([&queueRef](const QString &path) {
            if (path == QLatin1String("/old/2.jpg")) {
                queueRef->reset();
            }
            return true;
        });
        queueRef = &queue;
        queue.addToQueueInThread({u"/old/1.jpg"_s, u"/old/2.jpg"_s, u"/old/3.jpg"_s});
        QVERIFY(queue.isEmpty());

        queue.addToQueueInThread({u"/new/1.jpg"_s});
        QCOMPARE(queue.entries(), QStringList{u"/new/1.jpg"_s});
    }

    void imageTestRunsOutsideTheLock()
    {
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        std::atomic<bool> checkingSecond{false};
        OvraQueue queue([&](const QString &path) {
            if (path == QLatin1String("/2.jpg")) {
                checkingSecond = true;
                released.wait();
            }
            return true;
        });
        std::thread filler([&] { queue.addToQueueInThread({u"/1.jpg"_s, u"/2.jpg"_s}); });
        QTRY_VERIFY(checkingSecond.load());
        // A slide step gets through while a slow image is being checked.
        QVERIFY(!queue.isEmpty());
        QCOMPARE(queue.getNextObject(), u"/1.jpg"_s);
        release.set_value();
        filler.join();
        QCOMPARE(queue.entries(), QStringList({u"/2.jpg"_s, u"/1.jpg"_s}));
    }

    void concurrentFillAndTake()
    {
        QStringList paths;
        for (int i = 0; i < 3000; ++i) {
            paths.append(u"/photos/P%1.jpg"_s.arg(i));
        }
        const QSet<QString> known(paths.cbegin(), paths.cend());
        OvraQueue queue(acceptAll);
        std::atomic<bool> filling{true};
        std::thread filler([&] {
            // Two fills of the same paths: the second adds nothing.
            queue.addToQueueInThread(paths);
            queue.addToQueueInThread(paths);
            filling = false;
        });

        int takes = 0;
        QSet<QString> unknown;
        while (filling.load() || takes < 10) {
            const bool wasEmpty = queue.isEmpty();
            const QString taken = queue.getNextObject();
            if (taken.isNull()) {
                QVERIFY(wasEmpty);
                continue;
            }
            ++takes;
            if (!known.contains(taken)) {
                unknown.insert(taken);
            }
            const qint64 index = queue.curIndex();
            QVERIFY(index >= 0 && index < queue.entries().size());
        }
        filler.join();

        QVERIFY2(unknown.isEmpty(), qPrintable(QStringList(unknown.values()).join(u',')));
        const QStringList entries = queue.entries();
        QCOMPARE(entries.size(), paths.size());
        QCOMPARE(QSet<QString>(entries.cbegin(), entries.cend()), known);
        QCOMPARE(entries.first(), paths.last());
    }

    // Random draws reach both ends and no further; the slots start all over
    // only when the maximum equals the argument.
    void randomStaysInRangeAndStartsAllOver()
    {
        std::srand(20120616);
        randomNumberGenerator generator;
        generator.setupRandomNumberGeneratorWithPhotos(kTagAllPhotos, kTagRandom, 5);
        QList<int> seen(6, 0);
        StderrCapture notLogged;
        for (int i = 0; i < 3000; ++i) {
            const qint32 r = generator.getNextRandomNumber(1);
            QVERIFY2(r >= 0 && r <= 5, qPrintable(QString::number(r)));
            ++seen[r];
        }
        QVERIFY(!notLogged.finish().contains(u"Start all over"_s));
        QVERIFY(!seen.contains(0));

        generator.setupRandomNumberGeneratorWithPhotos(kTagAllPhotos, kTagRandom, 1);
        StderrCapture logged;
        const qint32 r = generator.getNextRandomNumber(1);
        QVERIFY(logged.finish().contains(u"Start all over"_s));
        QVERIFY(r == 0 || r == 1);
    }

    // The kiosk draws among all photos in random order, in single precision.
    void singlePrecisionDraws_data()
    {
        QTest::addColumn<qint32>("maximum");
        QTest::addColumn<int>("draw");
        QTest::addColumn<qint32>("expected");
        // (float)(2^30 - 1) is 2^30: 5, where double arithmetic would give 4.
        QTest::newRow("rounds up to half") << 9 << (1 << 30) - 1 << 5;
        // Draws from 2147483584 on round to 2^31 (5 in double), u = 1: maximum
        // + 1, which falls back to 0.
        QTest::newRow("rounds to one") << 5 << 2147483584 << 0;
        QTest::newRow("rounds below one") << 5 << 2147483583 << 5;
        // u = 11744051 * 2^-24 is just below 0.7; 10 * u = 6.99999988 rounds to
        // 7.0f in single precision (6 in double).
        QTest::newRow("product rounds up") << 9 << 1503238528 << 7;
    }

    void singlePrecisionDraws()
    {
        QFETCH(qint32, maximum);
        QFETCH(int, draw);
        QFETCH(qint32, expected);
        randomNumberGenerator generator(scripted({draw}));
        generator.setupRandomNumberGeneratorWithPhotos(kTagAllPhotos, kTagRandom, maximum);
        QCOMPARE(generator.getNextRandomNumber(1), expected);
    }
};

QTEST_MAIN(tst_OvraQueue)
#include "tst_ovraqueue.moc"
