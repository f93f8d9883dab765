// Guards folder creation modes, permissions, the trash, and revealing a folder.
#include "StderrCapture.h"
#include "TestSupport.h"
#include "shell/CommonHeader.h"
#include "support/OvraExtras.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

int modeOf(const QString &path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

// A folder nobody may delete from. The superuser ignores permission bits, so
// for it the folder is made immutable as well.
bool setImmutable(const QByteArray &path, bool immutable)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

bool makeUndeletableFolder(const QString &path, bool undeletable)
{
    const QByteArray native = QFile::encodeName(path);
    const bool superuser = ::geteuid() == 0;
    // An immutable folder refuses chmod too, so the flag goes first and comes last.
    if (superuser && !undeletable && !setImmutable(native, false)) {
        return false;
    }
    if (::chmod(native.constData(), undeletable ? 0555 : 0755) != 0) {
        return false;
    }
    return !superuser || !undeletable || setImmutable(native, true);
}

// The original path a trash information file records (Qt versions differ in
// whether they percent-encode it).
QString trashedFrom(const QString &infoFile)
{
    const QList<QByteArray> lines = TestSupport::readFile(infoFile).split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("Path=")) {
            return QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(5)));
        }
    }
    return QString();
}

QString trashFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Trash"_s;
}

QStringList trashedNames()
{
    return QDir(trashFolder() + u"/files"_s)
        .entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
}

} // namespace

class TestOvraExtras : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir bundleResources_;
    QTemporaryDir bundleHelpers_;
    QTemporaryDir home_;
    QString revealedFile_;
    QByteArray oldHome_;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        // A stand-in for the bundle script that records its argument instead
        // of opening a file manager; set before the bundle is first used.
        revealedFile_ = bundleResources_.filePath(u"revealed.txt"_s);
        QVERIFY(TestSupport::writeScript(bundleResources_.filePath(kRevealInFinderScript),
                                         "printf '%s' \"$1\" > '" +
                                             QFile::encodeName(revealedFile_) + "'\n"));
        qputenv("OVRA_SHARE_DIR", QFile::encodeName(bundleResources_.path()));
        qputenv("OVRA_LIBEXEC_DIR", QFile::encodeName(bundleHelpers_.path()));
        oldHome_ = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home_.path()));
    }

    void cleanupTestCase() { qputenv("HOME", oldHome_); }

    void init() { QFile::remove(revealedFile_); }

    void createDirectoryIfMissing_data()
    {
        QTest::addColumn<QString>("path");     // below the temporary folder, or "~/..."
        QTest::addColumn<int>("existingMode"); // -1: nothing there, -2: a plain file there
        QTest::addColumn<bool>("created");
        QTest::addColumn<int>("modeAfter");

        QTest::newRow("existing 0755") << u"photos"_s << 0755 << true << 0777;
        QTest::newRow("existing with sticky bit") << u"photos"_s << 01755 << true << 01777;
        QTest::newRow("nested, missing") << u"a/b/c"_s << -1 << true << 0777;
        QTest::newRow("odd name") << u"it's \"new\"\nfolder"_s << -1 << true << 0777;
        QTest::newRow("below home") << u"~/made/here"_s << -1 << true << 0777;
        QTest::newRow("plain file in the way") << u"photos"_s << -2 << false << 0644;
        QTest::newRow("plain file as parent") << u"photos/inner"_s << -3 << false << -1;
        QTest::newRow("empty path") << QString() << -1 << false << -1;
    }

    void createDirectoryIfMissing()
    {
        QFETCH(QString, path);
        QFETCH(int, existingMode);
        QFETCH(bool, created);
        QFETCH(int, modeAfter);
        QTemporaryDir root;
        const bool belowHome = path.startsWith(QLatin1Char('~'));
        const QString full = path.isEmpty() ? QString()
                             : belowHome    ? home_.path() + path.mid(1)
                                            : root.filePath(path);
        if (existingMode >= 0) {
            QVERIFY(QDir().mkpath(full));
            QCOMPARE(::chmod(QFile::encodeName(full).constData(), mode_t(existingMode)), 0);
        } else if (existingMode <= -2) {
            const QString file = existingMode == -2 ? full : root.filePath(u"photos"_s);
            QVERIFY(TestSupport::writeFile(file, "not a folder"));
            QCOMPARE(::chmod(QFile::encodeName(file).constData(), 0644), 0);
        }
        const mode_t oldMask = ::umask(022);
        const auto restoreMask = qScopeGuard([oldMask] { ::umask(oldMask); });

        QCOMPARE(::createDirectoryIfMissing(path.isEmpty() || belowHome ? path : full), created);
        QCOMPARE(modeOf(full), modeAfter);
        if (created) {
            QVERIFY(QFileInfo(full).isDir());
            // Every folder made on the way is open too.
            const QString base = belowHome ? home_.path() : root.path();
            for (QString parent = QFileInfo(full).absolutePath(); parent.size() > base.size();
                 parent = QFileInfo(parent).absolutePath()) {
                QCOMPARE(modeOf(parent), 0777);
            }
        }
        if (belowHome) {
            QVERIFY(QDir(home_.filePath(u"made"_s)).removeRecursively());
        }
    }

    void setPermission_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("after");

        QTest::newRow("file") << false << 0600 << 0644 << 0644;
        QTest::newRow("own set-id bits ignored") << false << 0600 << 04755 << 0755;
        QTest::newRow("set-user-id kept") << false << 04755 << 0700 << 04700;
        QTest::newRow("sticky folder") << true << 01700 << 0777 << 01777;
    }

    void setPermission()
    {
        QFETCH(bool, folder);
        QFETCH(int, before);
        QFETCH(int, requested);
        QFETCH(int, after);
        QTemporaryDir root;
        const QString path = root.filePath(u"item with 'quotes'"_s);
        QVERIFY(folder ? QDir().mkpath(path) : TestSupport::writeFile(path, "x"));
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(before)), 0);
        QVERIFY(::setPermission(path, mode_t(requested)));
        QCOMPARE(modeOf(path), after);
    }

    void setPermissionFailuresAndRawNames()
    {
        QTemporaryDir root;
        StderrCapture log;
        QVERIFY(!::setPermission(root.filePath(u"missing"_s), 0777));
        QVERIFY(!::setPermission(QString(), 0777));
        QVERIFY(log.finish().contains(u"setPermission => Unable to get info"_s));

        // The C form takes the raw bytes of a name that is no UTF-8.
        const QByteArray path = QFile::encodeName(root.path()) + "/caf\xe9";
        QCOMPARE(::mkdir(path.constData(), 0700), 0);
        // QTemporaryDir cannot name it to remove it.
        const auto remove = qScopeGuard([&] { ::rmdir(path.constData()); });
        QVERIFY(::setPermissionInC(path, 0750));
        struct stat info = {};
        QCOMPARE(::stat(path.constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 07777), 0750);
    }

    void moveFileToUserTrash()
    {
        QVERIFY(QDir(trashFolder()).removeRecursively());
        QTemporaryDir root;
        const QString path = root.filePath(u"a b.log"_s);
        QVERIFY(TestSupport::writeFile(path, "first"));
        ::moveFileToUserTrash(path);
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(trashedNames(), QStringList{u"a b.log"_s});
        QCOMPARE(trashedFrom(trashFolder() + u"/info/a b.log.trashinfo"_s), path);

        // Same name again: both stay, each with its own content.
        QVERIFY(TestSupport::writeFile(path, "second"));
        ::moveFileToUserTrash(path);
        QVERIFY(!QFileInfo::exists(path));
        const QStringList names = trashedNames();
        QCOMPARE(names.size(), 2);
        QSet<QByteArray> contents;
        for (const QString &name : names) {
            contents << TestSupport::readFile(trashFolder() + u"/files/"_s + name);
            QCOMPARE(trashedFrom(trashFolder() + u"/info/"_s + name + u".trashinfo"_s), path);
        }
        QCOMPARE(contents, (QSet<QByteArray>{"first", "second"}));

        QVERIFY(TestSupport::writeFile(home_.filePath(u"old.log"_s), "x"));
        ::moveFileToUserTrash(u"~/old.log"_s);
        QVERIFY(!QFileInfo::exists(home_.filePath(u"old.log"_s)));
        QVERIFY(trashedNames().contains(u"old.log"_s));
    }

    void trashFolderIsCreatedWhenMissing()
    {
        const QString dataFolder =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QVERIFY(QDir(dataFolder).removeRecursively());
        QVERIFY(QDir(QFileInfo(dataFolder).absolutePath()).removeRecursively());
        QTemporaryDir root;
        const QString oldCurrent = QDir::currentPath();
        const auto restoreCurrent = qScopeGuard([&] { QDir::setCurrent(oldCurrent); });
        QVERIFY(QDir::setCurrent(root.path()));
        QVERIFY(TestSupport::writeFile(root.filePath(u"folder/photo.jpg"_s), "x"));

        ::moveFileToUserTrash(u"folder"_s);
        QVERIFY(!QFileInfo::exists(root.filePath(u"folder"_s)));
        QCOMPARE(trashedNames(), QStringList{u"folder"_s});
        QVERIFY(QFileInfo::exists(trashFolder() + u"/files/folder/photo.jpg"_s));
    }

    void undeletableItemsStay()
    {
        QTemporaryDir root;
        const QString folder = root.filePath(u"locked"_s);
        const QString path = folder + u"/keep.log"_s;
        QVERIFY(TestSupport::writeFile(path, "x"));
        if (!makeUndeletableFolder(folder, true)) {
            makeUndeletableFolder(folder, false);
            QSKIP("cannot lock a folder on this file system");
        }
        const auto unlock = qScopeGuard([&] { makeUndeletableFolder(folder, false); });
        const QStringList before = trashedNames();

        StderrCapture log;
        ::moveFileToUserTrash(path);
        ::moveFileToUserTrash(root.filePath(u"missing.log"_s));
        ::moveFileToUserTrash(QString());
        const QString text = log.finish();
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(trashedNames(), before);
        QVERIFY(text.contains(kLogTrashNotDeletable.arg(path)));
        QVERIFY(text.contains(kLogTrashNotDeletable.arg(root.filePath(u"missing.log"_s))));
    }

    void revealItemInFinder_data()
    {
        QTest::addColumn<QString>("path");     // "@" stands for the temporary folder
        QTest::addColumn<QString>("revealed"); // empty: the script must not run

        QTest::newRow("folder") << u"@/sub folder 'x'"_s << u"@/sub folder 'x'"_s;
        QTest::newRow("folder below home") << u"~/Pictures"_s << u"~/Pictures"_s;
        QTest::newRow("file") << u"@/photo.jpg"_s << QString();
        QTest::newRow("missing") << u"@/nothing"_s << QString();
        QTest::newRow("empty") << QString() << QString();
    }

    void revealItemInFinder()
    {
        QFETCH(QString, path);
        QFETCH(QString, revealed);
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.filePath(u"sub folder 'x'"_s)));
        QVERIFY(QDir().mkpath(home_.filePath(u"Pictures"_s)));
        QVERIFY(TestSupport::writeFile(root.filePath(u"photo.jpg"_s), "x"));
        const auto real = [&](QString text) {
            text.replace(QLatin1Char('@'), root.path());
            return text.startsWith(QLatin1Char('~')) ? home_.path() + text.mid(1) : text;
        };

        StderrCapture log;
        ::revealItemInFinder(path.replace(QLatin1Char('@'), root.path()));
        const QString text = log.finish();
        if (revealed.isEmpty()) {
            QVERIFY(!QFileInfo::exists(revealedFile_));
            QVERIFY(text.contains(kLogRevealNeedsValidFolder));
        } else {
            QCOMPARE(QString::fromUtf8(TestSupport::readFile(revealedFile_)), real(revealed));
            QVERIFY(!text.contains(kLogRevealNeedsValidFolder));
        }
    }
};

QTEST_MAIN(TestOvraExtras)
#include "tst_ovraextras.moc"
