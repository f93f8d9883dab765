// Guards code re-assignment against a kill at any moment: no photo lost or doubled, no torn record.
#include "TestHarness.h"
#include "TestSupport.h"
#include "console/CodeReassignment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <cstdio>

using namespace Qt::StringLiterals;

class TestReassignmentKill : public QObject
{
    Q_OBJECT
private slots:
    void killLeavesEveryPhotoInOneFolder();
};

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

void TestReassignmentKill::killLeavesEveryPhotoInOneFolder()
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

OVRA_TEST_MAIN_WITH_CHILDREN(TestReassignmentKill, {"--reassign-loop", reassignLoop})
#include "tst_reassignmentkill.moc"
