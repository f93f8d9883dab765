#include "TestSupport.h"
#include "shell/CommonHeader.h"
#include "support/OvraExtras.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Everything written to standard error (so every log line) while it lives.
class StderrCapture
{
public:
    StderrCapture()
    {
        file_.open();
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        ::dup2(file_.handle(), STDERR_FILENO);
    }
    ~StderrCapture() { restore(); }
    QString text()
    {
        restore();
        return QString::fromUtf8(TestSupport::readFile(file_.fileName()));
    }

private:
    void restore()
    {
        if (saved_ >= 0) {
            std::fflush(stderr);
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
            saved_ = -1;
        }
    }
    QTemporaryFile file_;
    int saved_ = -1;
};

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
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Trash");
}

QStringList trashedNames()
{
    return QDir(trashFolder() + QStringLiteral("/files"))
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
        revealedFile_ = bundleResources_.filePath(QStringLiteral("revealed.txt"));
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

        QTest::newRow("existing 0755") << "photos" << 0755 << true << 0777;
        QTest::newRow("existing with sticky bit") << "photos" << 01755 << true << 01777;
        QTest::newRow("existing with set-group-id") << "photos" << 02750 << true << 02777;
        QTest::newRow("nested, missing") << "a/b/c" << -1 << true << 0777;
        QTest::newRow("odd name") << "it's \"new\"\nfolder" << -1 << true << 0777;
        QTest::newRow("below home") << "~/made/here" << -1 << true << 0777;
        QTest::newRow("plain file in the way") << "photos" << -2 << false << 0644;
        QTest::newRow("plain file as parent") << "photos/inner" << -3 << false << -1;
        QTest::newRow("empty path") << "" << -1 << false << -1;
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
            const QString file =
                existingMode == -2 ? full : root.filePath(QStringLiteral("photos"));
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
            QVERIFY(QDir(home_.filePath(QStringLiteral("made"))).removeRecursively());
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
        const QString path = root.filePath(QStringLiteral("item with 'quotes'"));
        QVERIFY(folder ? QDir().mkpath(path) : TestSupport::writeFile(path, "x"));
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(before)), 0);
        QVERIFY(::setPermission(path, mode_t(requested)));
        QCOMPARE(modeOf(path), after);
    }

    void setPermissionFailures()
    {
        QTemporaryDir root;
        StderrCapture log;
        QVERIFY(!::setPermission(root.filePath(QStringLiteral("missing")), 0777));
        QVERIFY(!::setPermission(QString(), 0777));
        QVERIFY(log.text().contains(QStringLiteral("setPermission => Unable to get info")));
    }

    void setPermissionInCTakesRawBytes()
    {
        QTemporaryDir root;
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
        const QString path = root.filePath(QStringLiteral("a b.log"));
        QVERIFY(TestSupport::writeFile(path, "first"));
        ::moveFileToUserTrash(path);
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(trashedNames(), QStringList{QStringLiteral("a b.log")});
        QCOMPARE(trashedFrom(trashFolder() + QStringLiteral("/info/a b.log.trashinfo")), path);

        // Same name again: both stay, each with its own content.
        QVERIFY(TestSupport::writeFile(path, "second"));
        ::moveFileToUserTrash(path);
        QVERIFY(!QFileInfo::exists(path));
        const QStringList names = trashedNames();
        QCOMPARE(names.size(), 2);
        QSet<QByteArray> contents;
        for (const QString &name : names) {
            contents << TestSupport::readFile(trashFolder() + QStringLiteral("/files/") + name);
            QCOMPARE(trashedFrom(trashFolder() + QStringLiteral("/info/") + name +
                                 QStringLiteral(".trashinfo")),
                     path);
        }
        QCOMPARE(contents, (QSet<QByteArray>{"first", "second"}));
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
        QVERIFY(TestSupport::writeFile(root.filePath(QStringLiteral("folder/photo.jpg")), "x"));

        ::moveFileToUserTrash(QStringLiteral("folder"));
        QVERIFY(!QFileInfo::exists(root.filePath(QStringLiteral("folder"))));
        QCOMPARE(trashedNames(), QStringList{QStringLiteral("folder")});
        QVERIFY(QFileInfo::exists(trashFolder() + QStringLiteral("/files/folder/photo.jpg")));
    }

    void trashAcceptsTilde()
    {
        const QString path = home_.filePath(QStringLiteral("old.log"));
        QVERIFY(TestSupport::writeFile(path, "x"));
        ::moveFileToUserTrash(QStringLiteral("~/old.log"));
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(trashedNames().contains(QStringLiteral("old.log")));
    }

    void undeletableItemsStay()
    {
        QTemporaryDir root;
        const QString folder = root.filePath(QStringLiteral("locked"));
        const QString path = folder + QStringLiteral("/keep.log");
        QVERIFY(TestSupport::writeFile(path, "x"));
        if (!makeUndeletableFolder(folder, true)) {
            makeUndeletableFolder(folder, false);
            QSKIP("cannot lock a folder on this file system");
        }
        const auto unlock = qScopeGuard([&] { makeUndeletableFolder(folder, false); });
        const QStringList before = trashedNames();

        StderrCapture log;
        ::moveFileToUserTrash(path);
        ::moveFileToUserTrash(root.filePath(QStringLiteral("missing.log")));
        ::moveFileToUserTrash(QString());
        const QString text = log.text();
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(trashedNames(), before);
        QVERIFY(text.contains(kLogTrashNotDeletable.arg(path)));
        QVERIFY(
            text.contains(kLogTrashNotDeletable.arg(root.filePath(QStringLiteral("missing.log")))));
    }

    void revealItemInFinder_data()
    {
        QTest::addColumn<QString>("path");     // "@" stands for the temporary folder
        QTest::addColumn<QString>("revealed"); // empty: the script must not run

        QTest::newRow("folder") << "@/sub folder 'x'"
                                << "@/sub folder 'x'";
        QTest::newRow("folder below home") << "~/Pictures"
                                           << "~/Pictures";
        QTest::newRow("file") << "@/photo.jpg"
                              << "";
        QTest::newRow("missing") << "@/nothing"
                                 << "";
        QTest::newRow("empty") << ""
                               << "";
    }

    void revealItemInFinder()
    {
        QFETCH(QString, path);
        QFETCH(QString, revealed);
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("sub folder 'x'"))));
        QVERIFY(QDir().mkpath(home_.filePath(QStringLiteral("Pictures"))));
        QVERIFY(TestSupport::writeFile(root.filePath(QStringLiteral("photo.jpg")), "x"));
        const auto real = [&](QString text) {
            text.replace(QLatin1Char('@'), root.path());
            return text.startsWith(QLatin1Char('~')) ? home_.path() + text.mid(1) : text;
        };

        StderrCapture log;
        ::revealItemInFinder(path.replace(QLatin1Char('@'), root.path()));
        const QString text = log.text();
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
