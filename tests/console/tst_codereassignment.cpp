// Guards moving a code's photos: only its own photos move, and a record is written.
#include "TestSupport.h"
#include "console/CodeReassignment.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

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

QTEST_GUILESS_MAIN(TestCodeReassignment)
#include "tst_codereassignment.moc"
