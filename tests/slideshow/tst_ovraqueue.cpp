#include "slideshow/OvraQueue.h"

#include "TestSupport.h"

#include <QtTest>

#include <atomic>
#include <future>
#include <thread>

namespace {

bool acceptAll(const QString &)
{
    return true;
}

QStringList numberedPaths(int count)
{
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        paths.append(QStringLiteral("/photos/P%1.jpg").arg(i, 5, 10, QLatin1Char('0')));
    }
    return paths;
}

} // namespace

class tst_OvraQueue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void takesFromTheFrontAndWraps();
    void refusesDuplicatesIgnoringCase();
    void insertionAtTheFrontRepeatsTheLastTaken();
    void fillQueuesOnlyValidImages();
    void fillWithNothingValidLeavesTheList();
    void resetDuringFillDropsTheRest();
    void imageTestRunsOutsideTheLock();
    void concurrentFillAndTake();
};

void tst_OvraQueue::takesFromTheFrontAndWraps()
{
    OvraQueue queue(acceptAll);
    queue.addToQueueInThread({QStringLiteral("/a.jpg"), QStringLiteral("/b.jpg")});
    QCOMPARE(queue.getNextObject(), QStringLiteral("/b.jpg"));
    queue.reset();
    QVERIFY(queue.isEmpty());
    QCOMPARE(queue.curIndex(), -1);

    // Newest first: the path reported last is taken first, then round again.
    queue.addToQueueInThread({QStringLiteral("C"), QStringLiteral("B"), QStringLiteral("A")});
    QCOMPARE(queue.entries(),
             QStringList({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
    QStringList taken;
    for (int i = 0; i < 7; ++i) {
        taken.append(queue.getNextObject());
    }
    QCOMPARE(taken, QStringList({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                                 QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                                 QStringLiteral("A")}));
    QCOMPARE(queue.curIndex(), 0);
}

void tst_OvraQueue::refusesDuplicatesIgnoringCase()
{
    QStringList list{QStringLiteral("/Day/ABC/x.jpg"), QStringLiteral("/Day/ABC/y.jpg")};
    const QStringList before = list;
    QVERIFY(!OvraQueue::addToQueue(list, QStringLiteral("/day/abc/X.JPG")));
    QCOMPARE(list, before);
    QVERIFY(OvraQueue::addToQueue(list, QStringLiteral("/day/abc/z.jpg")));
    QCOMPARE(list.first(), QStringLiteral("/day/abc/z.jpg"));

    OvraQueue queue(acceptAll);
    queue.addToQueueInThread(
        {QStringLiteral("/p/One.jpg"), QStringLiteral("/p/ONE.jpg"), QStringLiteral("/p/one.JPG")});
    QCOMPARE(queue.entries(), QStringList{QStringLiteral("/p/One.jpg")});
    queue.addToQueueInThread({QStringLiteral("/P/one.jpg")});
    QCOMPARE(queue.entries(), QStringList{QStringLiteral("/p/One.jpg")});
}

void tst_OvraQueue::insertionAtTheFrontRepeatsTheLastTaken()
{
    OvraQueue queue(acceptAll);
    queue.addToQueueInThread({QStringLiteral("C"), QStringLiteral("B"), QStringLiteral("A")});
    QCOMPARE(queue.getNextObject(), QStringLiteral("A"));
    QCOMPARE(queue.getNextObject(), QStringLiteral("B"));
    queue.addToQueueInThread({QStringLiteral("D")});
    QCOMPARE(queue.entries(), QStringList({QStringLiteral("D"), QStringLiteral("A"),
                                           QStringLiteral("B"), QStringLiteral("C")}));
    QCOMPARE(queue.curIndex(), 1);
    QCOMPARE(queue.getNextObject(), QStringLiteral("B"));
    QCOMPARE(queue.getNextObject(), QStringLiteral("C"));
    QCOMPARE(queue.getNextObject(), QStringLiteral("D"));
}

void tst_OvraQueue::fillQueuesOnlyValidImages()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString good = dir.filePath(QStringLiteral("good.jpg"));
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(good, "JPG"));
    const QByteArray jpeg = TestSupport::readFile(good);
    const QString half = dir.filePath(QStringLiteral("half.jpg"));
    QVERIFY(TestSupport::writeFile(half, jpeg.left(jpeg.size() / 2)));
    const QString text = dir.filePath(QStringLiteral("text.jpg"));
    QVERIFY(TestSupport::writeFile(text, QByteArrayLiteral("not an image")));

    OvraQueue queue; // the real image test
    queue.addToQueueInThread(
        {half, dir.filePath(QStringLiteral("missing.jpg")), good, text, QString()});
    QCOMPARE(queue.entries(), QStringList{good});
}

void tst_OvraQueue::fillWithNothingValidLeavesTheList()
{
    OvraQueue queue([](const QString &path) { return path.startsWith(QLatin1String("/ok")); });
    queue.addToQueueInThread({QStringLiteral("/ok/1.jpg"), QStringLiteral("/ok/2.jpg")});
    QCOMPARE(queue.getNextObject(), QStringLiteral("/ok/2.jpg"));
    const QStringList before = queue.entries();

    queue.addToQueueInThread({QStringLiteral("/bad/1.jpg"), QStringLiteral("/bad/2.jpg")});
    QCOMPARE(queue.entries(), before);
    QCOMPARE(queue.curIndex(), 0);
    QCOMPARE(queue.getNextObject(), QStringLiteral("/ok/1.jpg"));

    OvraQueue empty([](const QString &) { return false; });
    empty.addToQueueInThread({QStringLiteral("/x.jpg")});
    QVERIFY(empty.isEmpty());
    QVERIFY(empty.getNextObject().isNull());
    QCOMPARE(empty.curIndex(), -1);
}

void tst_OvraQueue::resetDuringFillDropsTheRest()
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
    queue.addToQueueInThread(
        {QStringLiteral("/old/1.jpg"), QStringLiteral("/old/2.jpg"), QStringLiteral("/old/3.jpg")});
    QVERIFY(queue.isEmpty());

    queue.addToQueueInThread({QStringLiteral("/new/1.jpg")});
    QCOMPARE(queue.entries(), QStringList{QStringLiteral("/new/1.jpg")});
}

void tst_OvraQueue::imageTestRunsOutsideTheLock()
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
    std::thread filler([&] {
        queue.addToQueueInThread({QStringLiteral("/1.jpg"), QStringLiteral("/2.jpg")});
    });
    QTRY_VERIFY(checkingSecond.load());
    // A slide step gets through while a slow image is being checked.
    QVERIFY(!queue.isEmpty());
    QCOMPARE(queue.getNextObject(), QStringLiteral("/1.jpg"));
    release.set_value();
    filler.join();
    QCOMPARE(queue.entries(), QStringList({QStringLiteral("/2.jpg"), QStringLiteral("/1.jpg")}));
}

void tst_OvraQueue::concurrentFillAndTake()
{
    const QStringList paths = numberedPaths(3000);
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

QTEST_MAIN(tst_OvraQueue)
#include "tst_ovraqueue.moc"
