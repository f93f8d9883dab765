// Guards moving a code's photos: a photo is never replaced, lost or left as two copies, even when
// killed mid-move, and its record is whole, named by the week-based year and escaped.
#include "TestHarness.h"
#include "TestSupport.h"
#include "console/CodeReassignment.h"
#include "console/ReassignmentRecord.h"
#include "console/SafeFileMove.h"
#include "support/OvraNSXmlParser.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

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

QString read(const QString &path)
{
    return QString::fromUtf8(TestSupport::readFile(path));
}

ReassignmentRecord sample()
{
    ReassignmentRecord record;
    record.oldCode = u"abc"_s;
    record.oldDate = u"2019-12-30"_s;
    record.newCode = u"XYZ"_s;
    record.newDate = u"2019-12-30"_s;
    record.files = {u"p1.jpg"_s, u"Tom & Jerry.jpg"_s};
    return record;
}

QStringList everything(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
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

    void nameUsesTheWeekBasedYear_data()
    {
        QTest::addColumn<QDateTime>("instant");
        QTest::addColumn<QString>("name");
        QTest::newRow("30 Dec 2019 is in week 1 of 2020")
            << QDateTime(QDate(2019, 12, 30), QTime(10, 0, 0))
            << u"20201230100000_reassigned.xml"_s;
        QTest::newRow("28 Dec 2019 is still 2019")
            << QDateTime(QDate(2019, 12, 28), QTime(23, 59, 59))
            << u"20191228235959_reassigned.xml"_s;
    }
    void nameUsesTheWeekBasedYear()
    {
        QFETCH(QDateTime, instant);
        QFETCH(QString, name);
        QCOMPARE(ReassignmentRecord::fileName(instant), name);
    }

    void layoutWithTabs()
    {
        const QString path =
            sample().writeInto(fRecords, QDateTime(QDate(2020, 3, 1), QTime(8, 0, 0)));
        QCOMPARE(path, fRecords + u"/20200301080000_reassigned.xml"_s);
        const QString text = read(path);
        QVERIFY(text.startsWith(
            QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
                           "<data type=\"changecode\">\n")));
        QVERIFY(text.endsWith(u"</data>\n"_s));
        QVERIFY(text.contains(u"\t<oldcode date=\"2019-12-30\">\n\t\tabc\n\t</oldcode>\n"_s));
        QVERIFY(text.contains(u"\t<newcode date=\"2019-12-30\">\n\t\tXYZ\n\t</newcode>\n"_s));
        QVERIFY(text.contains(QStringLiteral("\t<files>\n\t\t<filename>p1.jpg</filename>\n"
                                             "\t\t<filename>Tom &amp; Jerry.jpg</filename>\n"
                                             "\t</files>\n")));
        QVERIFY(!text.contains(u"datafornewcode"_s));
        QCOMPARE(QDir(fRecords).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"20200301080000_reassigned.xml"_s});
    }

    // Escaping: what the reader gets back is what was written, and xmllint accepts the file.
    void readsBackWithTheReader()
    {
        ReassignmentRecord record = sample();
        record.newCode = u"A<B>"_s;
        record.newCodeInfo = {{u"name"_s, u"Smith & <Jones> \"Sons\""_s},
                              {u"ids"_s, QStringList{u"7"_s, u"8"_s}}};
        const QString path = record.writeInto(fRecords, QDateTime::currentDateTime());
        QVERIFY(!path.isEmpty());
        OvraNSXmlParser parser(read(path).toUtf8());
        parser.setItemNeedsArray({u"files"_s, u"ids"_s});
        parser.setItemNeedsDictionary({u"data"_s, u"oldcode"_s, u"newcode"_s, u"datafornewcode"_s});
        parser.setRootKey(u"data"_s);
        QVERIFY(parser.parse());
        const QVariantMap data = parser.mDictionary().toMap();
        QCOMPARE(data.value(u"type"_s), QVariant(u"changecode"_s));
        QCOMPARE(data.value(u"files"_s).toStringList(), record.files);
        QCOMPARE(data.value(u"newcode"_s).toMap().value(u"value"_s), QVariant(u"A<B>"_s));
        const QVariantMap info = data.value(u"datafornewcode"_s).toMap();
        QCOMPARE(info.value(u"name"_s), QVariant(u"Smith & <Jones> \"Sons\""_s));
        QCOMPARE(info.value(u"ids"_s).toStringList(), (QStringList{u"7"_s, u"8"_s}));

        const QString xmllint = QStandardPaths::findExecutable(u"xmllint"_s);
        if (xmllint.isEmpty()) {
            QSKIP("xmllint is not installed");
        }
        QProcess lint;
        lint.start(xmllint, {u"--noout"_s, path});
        QVERIFY(lint.waitForFinished(30000));
        QCOMPARE(lint.readAllStandardError(), QByteArray());
        QCOMPARE(lint.exitCode(), 0);
    }

    void aTakenNameIsNeverReplaced()
    {
        const QDateTime instant(QDate(2020, 3, 1), QTime(8, 0, 0));
        const QString first = sample().writeInto(fRecords, instant);
        ReassignmentRecord second = sample();
        second.files = {u"other.jpg"_s};
        const QString secondPath = second.writeInto(fRecords, instant);
        QCOMPARE(QFileInfo(secondPath).fileName(), u"20200301080000-2_reassigned.xml"_s);
        QVERIFY(read(first).contains(u"p1.jpg"_s));
        QVERIFY(read(secondPath).contains(u"other.jpg"_s));
    }

    void noFolderGivesNoRecord()
    {
        const QString missing = fDir->filePath(u"not/there"_s);
        QVERIFY(sample().writeInto(missing, QDateTime::currentDateTime()).isNull());
        QVERIFY(!QFileInfo::exists(missing));
    }

    void leavesTheFileWhenItCannotMove_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::newRow("name taken in the new folder") << u"taken"_s;
        QTest::newRow("name taken by a folder") << u"folder"_s;
        QTest::newRow("new folder vanished") << u"vanished"_s;
    }
    void leavesTheFileWhenItCannotMove()
    {
        QFETCH(QString, situation);
        const QString source = fOld + u"/a.jpg"_s;
        QVERIFY(TestSupport::writeFile(source, "mine"));
        QString target = fNew;
        if (situation == u"taken"_s) {
            QVERIFY(TestSupport::writeFile(fNew + u"/a.jpg"_s, "theirs"));
        } else if (situation == u"folder"_s) {
            QVERIFY(QDir(fNew).mkdir(u"a.jpg"_s));
        } else {
            QVERIFY(QDir(fNew).removeRecursively());
        }
        const auto result = SafeFileMove::moveIntoFolder(source, target);
        QVERIFY(!result.moved);
        QVERIFY(!result.error.isEmpty());
        QCOMPARE(TestSupport::readFile(source), QByteArray("mine"));
        if (situation == u"taken"_s) {
            QCOMPARE(TestSupport::readFile(fNew + u"/a.jpg"_s), QByteArray("theirs"));
            // The copy across file systems refuses the taken name too, and leaves no copy.
            QVERIFY(!SafeFileMove::copyAcrossFileSystems(source, fNew + u"/a.jpg"_s).moved);
            QCOMPARE(TestSupport::readFile(source), QByteArray("mine"));
            QCOMPARE(TestSupport::readFile(fNew + u"/a.jpg"_s), QByteArray("theirs"));
            QCOMPARE(everything(fNew), QStringList{u"a.jpg"_s});
        }
    }

    void copyAcrossKeepsContentModeAndTime()
    {
        const QString source = fOld + u"/b.jpg"_s;
        QByteArray bytes(300000, 'x');
        bytes[12345] = 'y';
        const QDateTime stamp(QDate(2019, 12, 30), QTime(9, 30, 15));
        QVERIFY(TestHarness::writeFile(source, bytes, stamp));
        QVERIFY(::chmod(QFile::encodeName(source).constData(), 0640) == 0);

        const auto result = SafeFileMove::copyAcrossFileSystems(source, fNew + u"/b.jpg"_s);
        QVERIFY2(result.moved, qPrintable(result.error));
        QVERIFY(!QFileInfo::exists(source));
        QCOMPARE(TestSupport::readFile(fNew + u"/b.jpg"_s), bytes);
        const QFileInfo moved(fNew + u"/b.jpg"_s);
        QCOMPARE(moved.lastModified(), stamp);
        struct stat info;
        QVERIFY(::stat(QFile::encodeName(moved.filePath()).constData(), &info) == 0);
        QCOMPARE(int(info.st_mode & 0777), 0640);
        QCOMPARE(everything(fNew), QStringList{u"b.jpg"_s}); // no copy left behind
    }

    void copyAcrossTakesTheCopyBackWhenTheSourceStays()
    {
        if (::geteuid() == 0) {
            QSKIP("root may remove files from a read-only folder");
        }
        const QString source = fOld + u"/d.jpg"_s;
        QVERIFY(TestSupport::writeFile(source, "mine"));
        QVERIFY(::chmod(QFile::encodeName(fOld).constData(), 0555) == 0);
        const auto result = SafeFileMove::copyAcrossFileSystems(source, fNew + u"/d.jpg"_s);
        ::chmod(QFile::encodeName(fOld).constData(), 0755);
        QVERIFY(!result.moved);
        QCOMPARE(TestSupport::readFile(source), QByteArray("mine"));
        QVERIFY(everything(fNew).isEmpty());
    }

    void realMoveAcrossFileSystems()
    {
        QTemporaryDir other(u"/dev/shm/ovra-move-XXXXXX"_s);
        struct stat here, there;
        if (!other.isValid() || ::stat(QFile::encodeName(fNew).constData(), &here) != 0 ||
            ::stat(QFile::encodeName(other.path()).constData(), &there) != 0 ||
            here.st_dev == there.st_dev) {
            QSKIP("no second file system at hand");
        }
        const QString source = other.filePath(u"e.jpg"_s);
        QVERIFY(TestSupport::writeFile(source, "across"));
        const auto result = SafeFileMove::moveIntoFolder(source, fNew);
        QVERIFY2(result.moved, qPrintable(result.error));
        QVERIFY(!QFileInfo::exists(source));
        QCOMPARE(TestSupport::readFile(fNew + u"/e.jpg"_s), QByteArray("across"));
        QCOMPARE(everything(fNew), QStringList{u"e.jpg"_s});
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
