// Guards the local master folder's cap: which photos retire, name clashes, what counts.
#include "TestSupport.h"
#include "platform/NotificationCenter.h"
#include "shell/CommonHeader.h"
#include "watcherStuff/LocalSlideShowFolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <thread>

using namespace Qt::StringLiterals;

class tst_LocalSlideShowFolder : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        for (const QString &name : {u"Current"_s, u"Processed"_s, u"Failed"_s}) {
            QVERIFY(QDir().mkpath(path(name)));
        }
        local = std::make_unique<LocalSlideShowFolder>(
            LocalSlideShowFolder::Folders{path(u"Current"_s), path(u"Processed"_s),
                                          path(u"Failed"_s)},
            &center);
        changes.clear();
        center.addObserver(
            &observer, kLocalMasterSlideShowArrayChanged,
            [this](const Notification &) { changes.append(QThread::currentThread()); });
    }
    void cleanup()
    {
        center.removeObserver(&observer);
        local.reset();
        dir.reset();
    }

    void cap_data()
    {
        QTest::addColumn<qint64>("cap");
        QTest::addColumn<int>("photos");
        QTest::addColumn<QStringList>("retired");
        QTest::addColumn<int>("kept");
        QTest::newRow("cap 0 retires all")
            << qint64(0) << 3 << QStringList{u"IMG_1.jpg"_s, u"IMG_2.jpg"_s, u"IMG_3.jpg"_s} << 0;
        QTest::newRow("40 of 40 stay") << qint64(40) << 40 << QStringList() << 40;
        QTest::newRow("41 retires the first by name")
            << qint64(40) << 41 << QStringList{u"IMG_1.jpg"_s} << 40;
        QTest::newRow("11 over 10: IMG_10 is older than IMG_2")
            << qint64(9) << 11 << QStringList{u"IMG_1.jpg"_s, u"IMG_10.jpg"_s} << 9;
        QTest::newRow("negative cap counts as 0")
            << qint64(-1) << 2 << QStringList{u"IMG_1.jpg"_s, u"IMG_2.jpg"_s} << 0;
        QTest::newRow("low 32 bits")
            << (qint64(1) << 32) + 1 << 2 << QStringList{u"IMG_1.jpg"_s} << 1;
    }
    void cap()
    {
        QFETCH(qint64, cap);
        QFETCH(int, photos);
        QFETCH(QStringList, retired);
        QFETCH(int, kept);
        makePhotos(photos);
        local->maxCountOfPhotos = cap;
        // The scan runs on a worker, and publishes there.
        QThread *worker = nullptr;
        bool scanned = false;
        std::thread([this, &worker, &scanned] {
            worker = QThread::currentThread();
            scanned = local->checkInsideLocalSlideShowFolder();
        }).join();
        QVERIFY(scanned);

        QCOMPARE(entries(u"Processed"_s), retired);
        QCOMPARE(entries(u"Current"_s).size(), kept);
        if (retired.isEmpty()) {
            // Nothing retired: nothing published, no news.
            QVERIFY(changes.isEmpty());
            QVERIFY(local->localMasterSlideShowFileList().isEmpty());
            return;
        }
        QCOMPARE(changes, QList<QThread *>{worker});
        QStringList expected;
        for (const QString &name : entries(u"Current"_s)) {
            expected.append(path(u"Current/"_s + name));
        }
        std::sort(expected.begin(), expected.end());
        QCOMPARE(local->localMasterSlideShowFileList(), expected);
    }

    void retiredNameAlreadyTaken()
    {
        makePhotos(3);
        QVERIFY(TestSupport::writeFile(path(u"Processed/IMG_1.jpg"_s), "older"));
        QVERIFY(TestSupport::writeFile(path(u"Processed/IMG_2.jpg"_s), "older"));
        QVERIFY(TestSupport::writeFile(path(u"Failed/IMG_2.jpg"_s), "older"));
        local->maxCountOfPhotos = 1;
        QVERIFY(local->checkInsideLocalSlideShowFolder());

        // Taken in Processed: to Failed. Taken in both: stays, unharmed.
        QCOMPARE(entries(u"Failed"_s), (QStringList{u"IMG_1.jpg"_s, u"IMG_2.jpg"_s}));
        QCOMPARE(TestSupport::readFile(path(u"Processed/IMG_1.jpg"_s)), "older");
        QCOMPARE(TestSupport::readFile(path(u"Failed/IMG_2.jpg"_s)), "older");
        QCOMPARE(entries(u"Current"_s), (QStringList{u"IMG_2.jpg"_s, u"IMG_3.jpg"_s}));
        QCOMPARE(local->localMasterSlideShowFileList(), QStringList{path(u"Current/IMG_3.jpg"_s)});

        // The photo left behind is found again by the next scan.
        QVERIFY(QFile::remove(path(u"Failed/IMG_2.jpg"_s)));
        QVERIFY(local->checkInsideLocalSlideShowFolder());
        QCOMPARE(entries(u"Current"_s), QStringList{u"IMG_3.jpg"_s});
    }

    void onlyVisibleJpgFilesCount_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("counts");
        QTest::newRow("photo.JPG") << u"photo.JPG"_s << false << true;
        QTest::newRow("photo.jpg") << u"photo.jpg"_s << false << true;
        QTest::newRow("photo.jpeg") << u"photo.jpeg"_s << false << false;
        QTest::newRow(".hidden.jpg") << u".hidden.jpg"_s << false << false;
        QTest::newRow("folder x.jpg") << u"x.jpg"_s << true << false;
        QTest::newRow("photo.jpg.part") << u"photo.jpg.part"_s << false << false;
    }
    void onlyVisibleJpgFilesCount()
    {
        QFETCH(QString, name);
        QFETCH(bool, folder);
        QFETCH(bool, counts);
        const QString item = path(u"Current/"_s + name);
        QVERIFY(folder ? QDir().mkpath(item) : TestSupport::writeFile(item, "jpeg"));
        local->maxCountOfPhotos = 0;
        QVERIFY(local->checkInsideLocalSlideShowFolder());
        QCOMPARE(entries(u"Processed"_s), counts ? QStringList{name} : QStringList());
        QCOMPARE(entries(u"Current"_s), counts ? QStringList() : QStringList{name});
        QCOMPARE(changes.size(), counts ? 1 : 0);
    }

    void missingCurrentFolderChangesNothing()
    {
        QVERIFY(QDir(path(u"Current"_s)).removeRecursively());
        QVERIFY(local->checkInsideLocalSlideShowFolder());
        QVERIFY(changes.isEmpty());
        QVERIFY(entries(u"Processed"_s).isEmpty());
    }

private:
    QString path(const QString &relative) const { return dir->filePath(relative); }
    void makePhotos(int count)
    {
        // IMG_1 .. IMG_n: literal order puts IMG_10 before IMG_2.
        for (int i = 1; i <= count; ++i) {
            QVERIFY(TestSupport::writeFile(path(u"Current/IMG_%1.jpg"_s.arg(i)), "jpeg"));
        }
    }

    QStringList entries(const QString &relative) const
    {
        return QDir(path(relative))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<LocalSlideShowFolder> local;
    NotificationCenter center;
    QObject observer;
    QList<QThread *> changes;
};

QTEST_GUILESS_MAIN(tst_LocalSlideShowFolder)
#include "tst_localslideshowfolder.moc"
