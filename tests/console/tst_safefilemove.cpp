#include "console/SafeFileMove.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

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
        fFrom = fDir->filePath(QStringLiteral("from"));
        fTo = fDir->filePath(QStringLiteral("to"));
        QVERIFY(QDir().mkpath(fFrom));
        QVERIFY(QDir().mkpath(fTo));
    }

    void movesUnderItsOwnName()
    {
        QVERIFY(TestSupport::writeFile(fFrom + QStringLiteral("/IMG 1.jpg"), "photo"));
        const auto result = SafeFileMove::moveIntoFolder(fFrom + QStringLiteral("/IMG 1.jpg"), fTo);
        QVERIFY(result.moved);
        QCOMPARE(result.destination, fTo + QStringLiteral("/IMG 1.jpg"));
        QCOMPARE(read(result.destination), QByteArray("photo"));
        QVERIFY(everything(fFrom).isEmpty());
    }

    void leavesTheFileWhenItCannotMove_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::newRow("name taken in the new folder") << QStringLiteral("taken");
        QTest::newRow("name taken by a folder") << QStringLiteral("folder");
        QTest::newRow("new folder vanished") << QStringLiteral("vanished");
    }
    void leavesTheFileWhenItCannotMove()
    {
        QFETCH(QString, situation);
        const QString source = fFrom + QStringLiteral("/a.jpg");
        QVERIFY(TestSupport::writeFile(source, "mine"));
        QString target = fTo;
        if (situation == QStringLiteral("taken")) {
            QVERIFY(TestSupport::writeFile(fTo + QStringLiteral("/a.jpg"), "theirs"));
        } else if (situation == QStringLiteral("folder")) {
            QVERIFY(QDir(fTo).mkdir(QStringLiteral("a.jpg")));
        } else {
            QVERIFY(QDir(fTo).removeRecursively());
        }
        const auto result = SafeFileMove::moveIntoFolder(source, target);
        QVERIFY(!result.moved);
        QVERIFY(!result.error.isEmpty());
        QCOMPARE(read(source), QByteArray("mine"));
        if (situation == QStringLiteral("taken")) {
            QCOMPARE(read(fTo + QStringLiteral("/a.jpg")), QByteArray("theirs"));
        }
    }

    void copyAcrossKeepsContentModeAndTime()
    {
        const QString source = fFrom + QStringLiteral("/b.jpg");
        QByteArray bytes(300000, 'x');
        bytes[12345] = 'y';
        QVERIFY(TestSupport::writeFile(source, bytes));
        QVERIFY(::chmod(QFile::encodeName(source).constData(), 0640) == 0);
        QFile file(source);
        const QDateTime stamp(QDate(2019, 12, 30), QTime(9, 30, 15));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(stamp, QFileDevice::FileModificationTime));
        file.close();

        const auto result =
            SafeFileMove::copyAcrossFileSystems(source, fTo + QStringLiteral("/b.jpg"));
        QVERIFY2(result.moved, qPrintable(result.error));
        QVERIFY(!QFileInfo::exists(source));
        QCOMPARE(read(fTo + QStringLiteral("/b.jpg")), bytes);
        const QFileInfo moved(fTo + QStringLiteral("/b.jpg"));
        QCOMPARE(moved.lastModified(), stamp);
        struct stat info;
        QVERIFY(::stat(QFile::encodeName(moved.filePath()).constData(), &info) == 0);
        QCOMPARE(int(info.st_mode & 0777), 0640);
        QCOMPARE(everything(fTo), QStringList{QStringLiteral("b.jpg")}); // no copy left behind
    }

    void copyAcrossRefusesATakenName()
    {
        const QString source = fFrom + QStringLiteral("/c.jpg");
        QVERIFY(TestSupport::writeFile(source, "mine"));
        QVERIFY(TestSupport::writeFile(fTo + QStringLiteral("/c.jpg"), "theirs"));
        const auto result =
            SafeFileMove::copyAcrossFileSystems(source, fTo + QStringLiteral("/c.jpg"));
        QVERIFY(!result.moved);
        QCOMPARE(read(source), QByteArray("mine"));
        QCOMPARE(read(fTo + QStringLiteral("/c.jpg")), QByteArray("theirs"));
        QCOMPARE(everything(fTo), QStringList{QStringLiteral("c.jpg")});
    }

    void copyAcrossTakesTheCopyBackWhenTheSourceStays()
    {
        if (::geteuid() == 0) {
            QSKIP("root may remove files from a read-only folder");
        }
        const QString source = fFrom + QStringLiteral("/d.jpg");
        QVERIFY(TestSupport::writeFile(source, "mine"));
        QVERIFY(::chmod(QFile::encodeName(fFrom).constData(), 0555) == 0);
        const auto result =
            SafeFileMove::copyAcrossFileSystems(source, fTo + QStringLiteral("/d.jpg"));
        ::chmod(QFile::encodeName(fFrom).constData(), 0755);
        QVERIFY(!result.moved);
        QCOMPARE(read(source), QByteArray("mine"));
        QVERIFY(everything(fTo).isEmpty());
    }

    void realMoveAcrossFileSystems()
    {
        QTemporaryDir other(QStringLiteral("/dev/shm/ovra-move-XXXXXX"));
        struct stat here, there;
        if (!other.isValid() || ::stat(QFile::encodeName(fTo).constData(), &here) != 0 ||
            ::stat(QFile::encodeName(other.path()).constData(), &there) != 0 ||
            here.st_dev == there.st_dev) {
            QSKIP("no second file system at hand");
        }
        const QString source = other.filePath(QStringLiteral("e.jpg"));
        QVERIFY(TestSupport::writeFile(source, "across"));
        const auto result = SafeFileMove::moveIntoFolder(source, fTo);
        QVERIFY2(result.moved, qPrintable(result.error));
        QVERIFY(!QFileInfo::exists(source));
        QCOMPARE(read(fTo + QStringLiteral("/e.jpg")), QByteArray("across"));
        QCOMPARE(everything(fTo), QStringList{QStringLiteral("e.jpg")});
    }

    void renameRefusesATakenName()
    {
        QVERIFY(TestSupport::writeFile(fFrom + QStringLiteral("/f"), "new"));
        QVERIFY(TestSupport::writeFile(fTo + QStringLiteral("/f"), "old"));
        QVERIFY(!SafeFileMove::renameWithoutReplacing(fFrom + QStringLiteral("/f"),
                                                      fTo + QStringLiteral("/f")));
        QCOMPARE(errno, EEXIST);
        QCOMPARE(read(fTo + QStringLiteral("/f")), QByteArray("old"));
        QCOMPARE(read(fFrom + QStringLiteral("/f")), QByteArray("new"));
    }

private:
    std::unique_ptr<QTemporaryDir> fDir;
    QString fFrom;
    QString fTo;
};

QTEST_GUILESS_MAIN(TestSafeFileMove)
#include "tst_safefilemove.moc"
