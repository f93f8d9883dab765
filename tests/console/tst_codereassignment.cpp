// Guards moving a code's photos: only its own photos move, a record is written, and a kill at any
// moment loses or doubles no photo and leaves no torn record.
#include "TestHarness.h"
#include "TestSupport.h"
#include "console/CodeReassignment.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPhotos = 12;

QString photoName(int i)
{
    return u"IMG_%1.jpg"_s.arg(i, 3, 10, QLatin1Char('0'));
}

QByteArray photoBytes(int i)
{
    return QByteArray(20000 + i, char('A' + i));
}

// Child: moves every photo from one code to the other and back, forever,
// with a record each time.
int reassignLoop(const QString &root)
{
    const QString a = root + u"/2026-12-06/K100"_s;
    const QString b = root + u"/2026-12-06/K200"_s;
    for (bool toB = true;; toB = !toB) {
        CodeReassignment move;
        move.oldCode = toB ? u"K100"_s : u"K200"_s;
        move.newCode = toB ? u"K200"_s : u"K100"_s;
        move.oldFolder = toB ? a : b;
        move.newFolder = toB ? b : a;
        for (const QString &name : QDir(move.oldFolder).entryList(QDir::Files)) {
            move.files << move.oldFolder + u'/' + name;
        }
        move.recordFolder = [root] {
            return root + u"/CodeChanges"_s;
        };
        const CodeReassignment::Result result = move.run();
        std::printf("moved %d\n", int(result.moved.size()));
        std::fflush(stdout);
    }
}

bool isWholeXml(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        xml.readNext();
    }
    return !xml.hasError();
}

} // namespace

class TestCodeReassignment : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        fDir = std::make_unique<QTemporaryDir>();
        QVERIFY(fDir->isValid());
        fOld = fDir->filePath(u"2020-01-02/abc"_s);
        fNew = fDir->filePath(u"2020-01-02/xyz"_s);
        fRecords = fDir->filePath(u"records"_s);
        for (const QString &folder : {fOld, fNew, fRecords}) {
            QVERIFY(QDir().mkpath(folder));
        }
    }

    void nothingHappens_data()
    {
        QTest::addColumn<QString>("newCode");
        QTest::addColumn<bool>("dropNewFolder");
        QTest::newRow("same code in capitals") << u"ABC"_s << false;
        QTest::newRow("no new code") << QString() << false;
        QTest::newRow("new folder vanished") << u"xyz"_s << true;
    }
    void nothingHappens()
    {
        QFETCH(QString, newCode);
        QFETCH(bool, dropNewFolder);
        CodeReassignment job = make({u"1.jpg"_s, u"2.jpg"_s});
        job.newCode = newCode;
        if (dropNewFolder) {
            QVERIFY(QDir(fNew).removeRecursively());
        }
        const CodeReassignment::Result result = job.run();
        QVERIFY(result.moved.isEmpty());
        QVERIFY(result.recordPath.isNull());
        QCOMPARE(QDir(fOld).entryList(QDir::Files).size(), 2);
        QVERIFY(QDir(fRecords).isEmpty());
    }

    void onlyPhotosOfTheOldFolderMove()
    {
        CodeReassignment job = make({u"1.jpg"_s});
        const QString stranger = photo(fDir->path(), u"desktop.jpg"_s);
        job.files.prepend(stranger);
        const CodeReassignment::Result result = job.run();
        QCOMPARE(result.moved, QStringList{u"1.jpg"_s});
        QVERIFY(QFileInfo::exists(stranger));
        QVERIFY(QFileInfo::exists(fNew + u"/1.jpg"_s));
        QCOMPARE(QFileInfo(result.recordPath).path(), fRecords);
    }

    void noRecordFolderKeepsTheMove()
    {
        CodeReassignment job = make({u"1.jpg"_s});
        job.recordFolder = [] {
            return QString();
        };
        const CodeReassignment::Result result = job.run();
        QCOMPARE(result.moved, QStringList{u"1.jpg"_s});
        QVERIFY(result.recordPath.isNull());
        QVERIFY(QFileInfo::exists(fNew + u"/1.jpg"_s));
    }

    void recordGoesToTheHomeFolderByDefault()
    {
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(fDir->path()));
        CodeReassignment job = make({u"1.jpg"_s});
        job.recordFolder = nullptr;
        const CodeReassignment::Result result = job.run();
        qputenv("HOME", home);
        QCOMPARE(QFileInfo(result.recordPath).path(), fDir->filePath(u".Ostrel/CodeChanges"_s));
        QVERIFY(QFileInfo::exists(result.recordPath));
    }

    void killLeavesEveryPhotoInOneFolder();

private:
    QString photo(const QString &folder, const QString &name)
    {
        const QString path = folder + QLatin1Char('/') + name;
        return TestSupport::writeFile(path, name.toUtf8()) ? path : QString();
    }

    CodeReassignment make(const QStringList &names)
    {
        CodeReassignment job;
        job.oldCode = u"abc"_s;
        job.newCode = u"xyz"_s;
        job.oldFolder = fOld;
        job.newFolder = fNew;
        for (const QString &name : names) {
            job.files << photo(fOld, name);
        }
        job.recordFolder = [this] {
            return fRecords;
        };
        return job;
    }

    std::unique_ptr<QTemporaryDir> fDir;
    QString fOld;
    QString fNew;
    QString fRecords;
};

void TestCodeReassignment::killLeavesEveryPhotoInOneFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString a = dir.filePath(u"2026-12-06/K100"_s);
    const QString b = dir.filePath(u"2026-12-06/K200"_s);
    const QString records = dir.filePath(u"CodeChanges"_s);
    QVERIFY(QDir().mkpath(b) && QDir().mkpath(records));
    for (int i = 0; i < kPhotos; ++i) {
        QVERIFY(TestSupport::writeFile(a + u'/' + photoName(i), photoBytes(i)));
    }
    int wholeRecords = 0;
    int split = 0; // rounds killed with the photos in both folders
    for (int round = 0; round < 20; ++round) {
        QVERIFY(TestHarness::killMidWork(u"--reassign-loop"_s, dir.path(), 60).contains("moved"));

        // Each photo is whole, in exactly one of the two folders.
        const QStringList inA = QDir(a).entryList(QDir::Files | QDir::Hidden);
        const QStringList inB = QDir(b).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(inA.size() + inB.size(), kPhotos);
        split += !inA.isEmpty() && !inB.isEmpty();
        for (int i = 0; i < kPhotos; ++i) {
            const bool there = inA.contains(photoName(i));
            QVERIFY2(there != inB.contains(photoName(i)), qPrintable(photoName(i)));
            QCOMPARE(TestSupport::readFile((there ? a : b) + u'/' + photoName(i)), photoBytes(i));
        }
        // A record without ".tmp" is complete.
        const QStringList written = QDir(records).entryList(QDir::Files | QDir::Hidden);
        for (const QString &name : written) {
            if (!name.contains(u".tmp"_s)) {
                QVERIFY2(isWholeXml(records + u'/' + name), qPrintable(name));
                ++wholeRecords;
            }
        }
    }
    QVERIFY(wholeRecords > 0);
    const QStringList unfinished =
        QDir(records).entryList({u"*.tmp*"_s}, QDir::Files | QDir::Hidden);
    qInfo("%d of 20 kills fell inside a re-assignment; %d unfinished records left", split,
          int(unfinished.size()));
}

OVRA_TEST_MAIN_WITH_CHILDREN(TestCodeReassignment, {"--reassign-loop", reassignLoop})
#include "tst_codereassignment.moc"
