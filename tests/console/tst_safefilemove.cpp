// Guards moving a photo between code folders: never replaced, lost or left as two copies.
#include "console/SafeFileMove.h"

#include "TestHarness.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QStringList everything(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

class TestSafeFileMove : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        fDir = std::make_unique<QTemporaryDir>();
        QVERIFY(fDir->isValid());
        fFrom = fDir->filePath(u"from"_s);
        fTo = fDir->filePath(u"to"_s);
        QVERIFY(QDir().mkpath(fFrom));
        QVERIFY(QDir().mkpath(fTo));
    }

    void movesUnderItsOwnName()
    {
        QVERIFY(TestSupport::writeFile(fFrom + u"/IMG 1.jpg"_s, "photo"));
        const auto result = SafeFileMove::moveIntoFolder(fFrom + u"/IMG 1.jpg"_s, fTo);
        QVERIFY(result.moved);
        QCOMPARE(result.destination, fTo + u"/IMG 1.jpg"_s);
        QCOMPARE(TestSupport::readFile(result.destination), QByteArray("photo"));
        QVERIFY(everything(fFrom).isEmpty());
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
        const QString source = fFrom + u"/a.jpg"_s;
        QVERIFY(TestSupport::writeFile(source, "mine"));
        QString target = fTo;
        if (situation == u"taken"_s) {
            QVERIFY(TestSupport::writeFile(fTo + u"/a.jpg"_s, "theirs"));
        } else if (situation == u"folder"_s) {
            QVERIFY(QDir(fTo).mkdir(u"a.jpg"_s));
        } else {
            QVERIFY(QDir(fTo).removeRecursively());
        }
        const auto result = SafeFileMove::moveIntoFolder(source, target);
        QVERIFY(!result.moved);
        QVERIFY(!result.error.isEmpty());
        QCOMPARE(TestSupport::readFile(source), QByteArray("mine"));
        if (situation == u"taken"_s) {
            QCOMPARE(TestSupport::readFile(fTo + u"/a.jpg"_s), QByteArray("theirs"));
            // The copy across file systems refuses the taken name too, and leaves no copy.
            QVERIFY(!SafeFileMove::copyAcrossFileSystems(source, fTo + u"/a.jpg"_s).moved);
            QCOMPARE(TestSupport::readFile(source), QByteArray("mine"));
            QCOMPARE(TestSupport::readFile(fTo + u"/a.jpg"_s), QByteArray("theirs"));
            QCOMPARE(everything(fTo), QStringList{u"a.jpg"_s});
        }
    }

    void copyAcrossKeepsContentModeAndTime()
    {
        const QString source = fFrom + u"/b.jpg"_s;
        QByteArray bytes(300000, 'x');
        bytes[12345] = 'y';
        const QDateTime stamp(QDate(2019, 12, 30), QTime(9, 30, 15));
        QVERIFY(TestHarness::writeFile(source, bytes, stamp));
        QVERIFY(::chmod(QFile::encodeName(source).constData(), 0640) == 0);

        const auto result = SafeFileMove::copyAcrossFileSystems(source, fTo + u"/b.jpg"_s);
        QVERIFY2(result.moved, qPrintable(result.error));
        QVERIFY(!QFileInfo::exists(source));
        QCOMPARE(TestSupport::readFile(fTo + u"/b.jpg"_s), bytes);
        const QFileInfo moved(fTo + u"/b.jpg"_s);
        QCOMPARE(moved.lastModified(), stamp);
        struct stat info;
        QVERIFY(::stat(QFile::encodeName(moved.filePath()).constData(), &info) == 0);
        QCOMPARE(int(info.st_mode & 0777), 0640);
        QCOMPARE(everything(fTo), QStringList{u"b.jpg"_s}); // no copy left behind
    }

    void copyAcrossTakesTheCopyBackWhenTheSourceStays()
    {
        if (::geteuid() == 0) {
            QSKIP("root may remove files from a read-only folder");
        }
        const QString source = fFrom + u"/d.jpg"_s;
        QVERIFY(TestSupport::writeFile(source, "mine"));
        QVERIFY(::chmod(QFile::encodeName(fFrom).constData(), 0555) == 0);
        const auto result = SafeFileMove::copyAcrossFileSystems(source, fTo + u"/d.jpg"_s);
        ::chmod(QFile::encodeName(fFrom).constData(), 0755);
        QVERIFY(!result.moved);
        QCOMPARE(TestSupport::readFile(source), QByteArray("mine"));
        QVERIFY(everything(fTo).isEmpty());
    }

    void realMoveAcrossFileSystems()
    {
        QTemporaryDir other(u"/dev/shm/ovra-move-XXXXXX"_s);
        struct stat here, there;
        if (!other.isValid() || ::stat(QFile::encodeName(fTo).constData(), &here) != 0 ||
            ::stat(QFile::encodeName(other.path()).constData(), &there) != 0 ||
            here.st_dev == there.st_dev) {
            QSKIP("no second file system at hand");
        }
        const QString source = other.filePath(u"e.jpg"_s);
        QVERIFY(TestSupport::writeFile(source, "across"));
        const auto result = SafeFileMove::moveIntoFolder(source, fTo);
        QVERIFY2(result.moved, qPrintable(result.error));
        QVERIFY(!QFileInfo::exists(source));
        QCOMPARE(TestSupport::readFile(fTo + u"/e.jpg"_s), QByteArray("across"));
        QCOMPARE(everything(fTo), QStringList{u"e.jpg"_s});
    }

private:
    std::unique_ptr<QTemporaryDir> fDir;
    QString fFrom;
    QString fTo;
};

QTEST_GUILESS_MAIN(TestSafeFileMove)
#include "tst_safefilemove.moc"
