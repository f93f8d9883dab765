// Guards the preferences file against an unwritable folder and a kill in the middle of a save.
#include "TestHarness.h"
#include "TestSupport.h"
#include "platform/Preferences.h"
#include "platform/PreferencesFile.h"
#include "platform/PropertyList.h"
#include "shell/CommonHeader.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include <unistd.h>

using namespace Qt::StringLiterals;

class TestPreferencesFaults : public QObject
{
    Q_OBJECT
private slots:
    void unwritableFileKeepsOldContentAndNewValues();
    void killDuringSaveLeavesAWholeFile();
};

namespace {

const QString kDelayKey = u"prefSlideShowDelay2"_s;
const QString kCounterKey = u"counter"_s;
const QString kListKey = u"list"_s;

// Every entry names the counter it was saved with: a file made of two
// versions would show two numbers.
QVariantList listFor(qint64 counter)
{
    QVariantList list;
    for (int j = 0; j < 300; ++j) {
        list << u"photo-%1-%2"_s.arg(counter).arg(j);
    }
    return list;
}

// Child: the store on a file it may not write. Exit 0 when the save is
// refused while the new value is still what the store answers.
int saveReadOnly(const QString &file)
{
    Preferences store(file);
    if (store.doubleForKey(kDelayKey) != 5.0) {
        std::fprintf(stderr, "OLD VALUE NOT READ\n");
        return 1;
    }
    store.setDouble(9.0, kDelayKey);
    const bool saved = store.synchronize();
    const double inMemory = store.doubleForKey(kDelayKey);
    std::fprintf(stderr, "SAVED %d, VALUE %g\n", int(saved), inMemory);
    return !saved && inMemory == 9.0 ? 0 : 1;
}

// Child: saves forever, announcing each completed save on standard output.
int saveLoop(const QString &file)
{
    Preferences store(file);
    for (qint64 i = 1;; ++i) {
        store.setInteger(i, kCounterKey);
        store.setObject(listFor(i), kListKey);
        if (store.synchronize()) {
            std::printf("saved %lld\n", static_cast<long long>(i));
            std::fflush(stdout);
        }
    }
}

} // namespace

void TestPreferencesFaults::unwritableFileKeepsOldContentAndNewValues()
{
    const bool root = ::geteuid() == 0;
    if (root && QStandardPaths::findExecutable(u"unshare"_s).isEmpty()) {
        QSKIP("root ignores permissions, and unshare is missing for a read-only mount");
    }
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(u"ovra-videowall"_s);
    const QString file = folder + u"/org.ovra.VideoWall.plist"_s;
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(PropertyList::writeFileAtomically(file, QVariantMap{{kDelayKey, 5.0}}));
    const QByteArray before = TestSupport::readFile(file);

    QProcess child;
    const QStringList self{QCoreApplication::applicationFilePath(), u"--save-read-only"_s, file};
    if (root) {
        // Root writes through any mode bits; a read-only bind mount stops it.
        child.start(u"unshare"_s,
                    QStringList{u"-m"_s, u"sh"_s, u"-c"_s,
                                u"mount --bind \"$1\" \"$1\" && mount -o remount,ro,bind \"$1\" "
                                u"\"$1\" && shift && exec \"$@\""_s,
                                u"sh"_s, folder} +
                        self);
    } else {
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        child.start(self.first(), self.mid(1));
    }
    QVERIFY(child.waitForFinished(30000));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray log = child.readAllStandardError();
    if (root && log.contains("mount: ") && child.exitCode() != 0) {
        QSKIP(qPrintable(u"no read-only bind mount here: "_s + QString::fromUtf8(log)));
    }
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, log.constData());
    QVERIFY2(log.contains(kLogPreferencesSaveFailed.arg(file, QString()).toUtf8()),
             log.constData());
    QCOMPARE(TestSupport::readFile(file), before);
}

void TestPreferencesFaults::killDuringSaveLeavesAWholeFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(u"ovra-videowall/org.ovra.VideoWall.plist"_s);
    for (int round = 0; round < 20; ++round) {
        const QByteArray out = TestHarness::killMidWork(u"--save-loop"_s, file, 40);
        QVERIFY(out.contains("saved"));
        const QList<QByteArray> lines = out.trimmed().split('\n');
        const qint64 lastSaved = lines.last().mid(6).toLongLong();

        const PreferencesFile::Content content = PreferencesFile(file).read();
        QVERIFY2(content.status == PreferencesFile::Status::Ok, qPrintable(content.error));
        const qint64 counter = content.values.value(kCounterKey).toLongLong();
        QVERIFY2(counter >= lastSaved, qPrintable(u"%1 < %2"_s.arg(counter).arg(lastSaved)));
        QCOMPARE(content.values.value(kListKey).toList(), listFor(counter));
    }
    // Where the file system has no unnamed files, a kill between writing and
    // renaming leaves the temporary; the next store to open the file clears
    // it, and nothing else that stands beside the file.
    const QDir folder = QFileInfo(file).absoluteDir();
    QVERIFY(TestSupport::writeFile(folder.filePath(u"org.ovra.VideoWall.plist.saving-AbCdEf"_s),
                                   "<?xml"));
    QVERIFY(TestSupport::writeFile(folder.filePath(u"org.ovra.VideoWall.plist.backup"_s), "kept"));
    {
        Preferences store(file);
        QVERIFY(store.integerForKey(kCounterKey) > 0);
    }
    QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden),
             QStringList({u"org.ovra.VideoWall.plist"_s, u"org.ovra.VideoWall.plist.backup"_s,
                          u"org.ovra.VideoWall.plist.lock"_s}));
}

OVRA_TEST_MAIN_WITH_CHILDREN(TestPreferencesFaults, {"--save-read-only", saveReadOnly},
                             {"--save-loop", saveLoop})
#include "tst_preferencesfaults.moc"
