// Guards the small helpers: bundle lookups, folder modes and references, reveal, shell scripts.
#include "StderrCapture.h"
#include "TestHarness.h"
#include "platform/Bundle.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "support/FolderReference.h"
#include "support/MyAliasKit.h"
#include "support/OvraAdditions.h"
#include "support/OvraExtras.h"
#include "support/OvraShellUtilities.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

int modeOf(const QString &path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

const QString kSh = u"/bin/sh"_s;

QStringList shArgs(const QString &script, const QStringList &extra = {})
{
    return QStringList{u"-c"_s, script, u"sh"_s} + extra;
}

const QString kPathKey = u"prefTestPath"_s;
const QString kAliasKey = u"prefTestPathAliasData"_s;
const QString kValidKey = u"prefTestPathAliasDataIsValid"_s;

QVariantMap descriptor()
{
    return {{kPrefFolderNameKey, kPathKey},
            {kPrefFolderAliasDataKey, kAliasKey},
            {kPrefFolderNameIsValidKey, kValidKey}};
}

bool makeItem(const QString &path, bool folder)
{
    return folder ? QDir().mkpath(path) : TestHarness::writeFile(path, "photo");
}

bool moveItem(const QString &from, const QString &to)
{
    QDir().mkpath(QFileInfo(to).absolutePath());
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool fileSystemKeepsBirthTimes(const QString &path)
{
    struct statx info = {};
    return statx(AT_FDCWD, QFile::encodeName(path).constData(), 0, STATX_BTIME, &info) == 0 &&
           (info.stx_mask & STATX_BTIME);
}

} // namespace

class TestOvraHelpers : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir bundleResources_;
    QTemporaryDir bundleHelpers_;
    QTemporaryDir home_;
    QTemporaryDir existing_;
    QString revealedFile_;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        // A stand-in for the bundle script that records its argument instead
        // of opening a file manager; set before the bundle is first used.
        revealedFile_ = bundleResources_.filePath(u"revealed.txt"_s);
        QVERIFY(TestHarness::writeScript(bundleResources_.filePath(kRevealInFinderScript),
                                         "printf '%s' \"$1\" > '" +
                                             QFile::encodeName(revealedFile_) + "'\n"));
        qputenv("OVRA_SHARE_DIR", QFile::encodeName(bundleResources_.path()));
        qputenv("OVRA_LIBEXEC_DIR", QFile::encodeName(bundleHelpers_.path()));
        qputenv("HOME", QFile::encodeName(home_.path()));
    }

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
            QVERIFY(TestHarness::writeFile(file, "not a folder"));
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

    void revealItemInFinder_data()
    {
        QTest::addColumn<QString>("path");     // "@" stands for the temporary folder
        QTest::addColumn<QString>("revealed"); // empty: the script must not run

        QTest::newRow("folder") << u"@/sub folder 'x'"_s << u"@/sub folder 'x'"_s;
        QTest::newRow("folder below home") << u"~/Pictures"_s << u"~/Pictures"_s;
        QTest::newRow("file") << u"@/photo.jpg"_s << QString();
        QTest::newRow("missing") << u"@/nothing"_s << QString();
    }

    void revealItemInFinder()
    {
        QFETCH(QString, path);
        QFETCH(QString, revealed);
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.filePath(u"sub folder 'x'"_s)));
        QVERIFY(QDir().mkpath(home_.filePath(u"Pictures"_s)));
        QVERIFY(TestHarness::writeFile(root.filePath(u"photo.jpg"_s), "x"));
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
            QCOMPARE(QString::fromUtf8(TestHarness::readFile(revealedFile_)), real(revealed));
            QVERIFY(!text.contains(kLogRevealNeedsValidFolder));
        }
    }

    void expandTilde()
    {
        QStringList expanded;
        for (const QString &path :
             {u"~"_s, u"~/Library/Logs"_s, u"~bob/x"_s, u"/tmp/~/x"_s, QString()}) {
            expanded << ::expandTilde(path);
        }
        const QString home = QDir::homePath();
        QCOMPARE(expanded, (QStringList{home, home + u"/Library/Logs"_s, u"~bob/x"_s, u"/tmp/~/x"_s,
                                        QString()}));
    }

    void shellCommandOutput()
    {
        const QString a256(256, u'a');
        const QList<std::pair<QString, QString>> runs{
            {u"printf '%0256d' 0 | tr 0 a"_s, a256},
            // The rest arrives later than the first block: a reader that stops at
            // the first short read would lose it.
            {u"printf '%0256d' 0 | tr 0 a; sleep 0.2; printf bbb"_s, a256 + u"bbb"_s},
            // A two-byte character straddling the 256-byte mark.
            {u"printf '%0255d' 0 | tr 0 a; printf '\\303\\251'"_s,
             QString(255, u'a') + u"\u00e9"_s},
            {u"echo partial; exit 4"_s, u"partial\n"_s},
            {QString(), QString()},
            {u"true"_s, QString()}};
        for (const auto &[command, expected] : runs) {
            const QString output = outputWhenRunAsShellCommand(command);
            QVERIFY2(output == expected && output.isNull() == expected.isNull(),
                     qPrintable(command));
        }
    }

    // The kiosk's own bundle carries every field, so no fallback is reached.
    void versionAndUserDataPath()
    {
        const Bundle bundle({{kInfoCFBundleExecutable, u"ovra-videowall"_s},
                             {kInfoCFBundleDisplayName, u"Ovra VideoWall"_s},
                             {kInfoCFBundleName, u"other"_s},
                             {kInfoCFBundleShortVersionString, u"2.1"_s},
                             {kInfoDTXcode, u"GNU-12.2"_s},
                             {kInfoDTSDKName, u"Qt-6.4.2"_s}},
                            QString(), QString(), QString());
        const QString expected = u"Ovra VideoWall - v2.1 [XC-GNU-12.2 sdk-Qt-6.4.2]"_s;
        Preferences store(QString{});
        QCOMPARE(getAppVersionString(bundle, &store), expected);
        QCOMPARE(store.stringForKey(kPrefAppVersion), expected);
        QCOMPARE(getThisAppUserDataPath(bundle), QDir::homePath() + u"/ovra-videowall"_s);
    }

    void outputAndFailure()
    {
        const QList<std::tuple<QString, int, QString>> runs{
            {u"printf 'some text'; exit 1"_s, kShellDefaultTimeoutMs, u"some text"_s},
            {u"printf '\\303\\251\\342\\202\\254 ok\\n'"_s, kShellDefaultTimeoutMs,
             u"\u00e9\u20ac ok\n"_s},
            // Nothing printed is empty, not null.
            {u"true"_s, kShellDefaultTimeoutMs, u""_s},
            // A hung child is killed, its output kept.
            {u"printf partial; sleep 30"_s, 500, u"partial"_s}};
        for (const auto &[script, timeout, output] : runs) {
            const QString got = runShellScript2(kSh, shArgs(script), timeout);
            QVERIFY2(got == output && !got.isNull(), qPrintable(script));
        }
        // Nothing that can run answers null.
        for (const QString &path : {QString(), u"/nonexistent/ovra/no-such-tool"_s, u"/"_s}) {
            QVERIFY2(runShellScript2(path).isNull(), qPrintable(path));
        }
    }

    void largeOutputDoesNotDeadlock()
    {
        // Far more than a pipe holds, printed before the child can exit.
        const QString answer =
            runShellScript2(kSh, shArgs(u"head -c 10485760 /dev/zero | tr '\\0' x"_s));
        QCOMPARE(answer, QString(10485760, u'x'));
    }

    void argumentsPassVerbatim()
    {
        const QStringList args{u"a b"_s,
                               u"  c  "_s,
                               u"it's"_s,
                               u"\"q\""_s,
                               u"line1\nline2"_s,
                               u"$(touch /tmp/ovra-never)"_s,
                               u"; ls *"_s,
                               QString(),
                               u"x"_s,
                               u"Caf\u00e9 \u65e5\u672c"_s};
        // Each argument comes back terminated by a NUL byte.
        const QString answer =
            runShellScript2(kSh, shArgs(u"for a; do printf '%s\\000' \"$a\"; done"_s, args));
        QStringList back = answer.split(QChar(0));
        QCOMPARE(back.takeLast(), QString());
        QCOMPARE(back, args);
    }

    void bundleScriptIsFoundAndRun()
    {
        QTemporaryDir resources;
        QVERIFY(resources.isValid());
        QVERIFY(TestHarness::writeScript(resources.filePath(u"touchit.sh"_s),
                                         "printf done > \"$1\"\n"));
        const Bundle bundle(Bundle::defaultInfoDictionary(), resources.path(), resources.path(),
                            resources.filePath(u"no-helpers"_s));
        QCOMPARE(bundle.bundleIdentifier(), u"org.ovra.VideoWall"_s);
        const QString target = resources.filePath(u"out file.txt"_s);

        runShellScript(bundle, u"touchit.sh"_s, QStringList{target});
        QFile out(target);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), QByteArray("done"));

        // Neither of these may run anything or fail loudly.
        runShellScript(bundle, u"missing.sh"_s);
        runShellScript(bundle, QString());
    }

    void revealScriptOpensTheFolderItWasGiven()
    {
        QTemporaryDir fakeBin;
        QVERIFY(fakeBin.isValid());
        const QString record = fakeBin.filePath(u"opened"_s);
        QVERIFY(TestHarness::writeScript(fakeBin.filePath(u"xdg-open"_s),
                                         "printf '%s' \"$1\" > \"" + QFile::encodeName(record) +
                                             "\"\n"));
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(fakeBin.path()) + ":/usr/bin:/bin");
        const QString folder = fakeBin.filePath(u"a folder 'with' \"quotes\""_s);
        const QString answer = runShellScript2(
            QStringLiteral(OVRA_SOURCE_DIR "/resources/revealInFinder.sh"), QStringList{folder});
        qputenv("PATH", oldPath);

        QCOMPARE(answer, QString());
        // xdg-open runs detached, so it may still be writing.
        QTRY_COMPARE(QString::fromUtf8(TestHarness::readFile(record)), folder);
    }

    void resourcesAndScriptsAreFoundInTheirFolders()
    {
        QTemporaryDir dir;
        QVERIFY(TestHarness::writeFile(dir.filePath(u"share/FactoryDefault.plist"_s), "x"));
        QVERIFY(TestHarness::writeScript(dir.filePath(u"share/getnewestfiles.sh"_s), "exit 0\n"));
        QVERIFY(TestHarness::writeScript(dir.filePath(u"share/revealInFinder.sh"_s), "exit 0\n"));
        QVERIFY(TestHarness::writeScript(dir.filePath(u"libexec/getnewestfiles.sh"_s), "exit 0\n"));
        // A helper that is not executable does not count.
        QVERIFY(TestHarness::writeFile(dir.filePath(u"libexec/relaunch"_s), "x"));
        QVERIFY(TestHarness::writeScript(dir.filePath(u"outside.sh"_s), "exit 0\n"));
        const Bundle bundle({}, dir.path(), dir.filePath(u"share"_s), dir.filePath(u"libexec"_s));

        // Helpers before resources; names cannot climb out of their folder.
        const QStringList found{bundle.pathForResource(u"FactoryDefault"_s, u"plist"_s),
                                bundle.pathForResource(u"FactoryDefault.plist"_s),
                                bundle.pathForScript(u"getnewestfiles.sh"_s),
                                bundle.pathForScript(u"revealInFinder.sh"_s),
                                bundle.pathForResource(u"ForcedDefaultPrefs"_s, u"plist"_s),
                                bundle.pathForResource(QString(), u"plist"_s),
                                bundle.pathForAuxiliaryExecutable(u"relaunch"_s),
                                bundle.pathForScript(u"missing.sh"_s),
                                bundle.pathForResource(u"../outside"_s, u"sh"_s),
                                bundle.pathForAuxiliaryExecutable(u"../outside.sh"_s)};
        const QString factory = dir.filePath(u"share/FactoryDefault.plist"_s);
        QCOMPARE(found, QStringList({factory, factory, dir.filePath(u"libexec/getnewestfiles.sh"_s),
                                     dir.filePath(u"share/revealInFinder.sh"_s)}) +
                            QStringList(6));
    }

    void resolvesMovedItems_data()
    {
        QTest::addColumn<QString>("original");
        QTest::addColumn<QString>("moved"); // empty: left in place, "-": deleted, another made
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("found");

        QTest::newRow("unchanged") << u"store/photos"_s << QString() << true << true;
        QTest::newRow("moved deeper")
            << u"store/photos"_s << u"store/a/b/c/d/e/photos"_s << true << true;
        QTest::newRow("moved to another branch")
            << u"store/x/y/photos"_s << u"elsewhere/photos"_s << true << true;
        QTest::newRow("file renamed")
            << u"store/movie.mov"_s << u"store/intro.mov"_s << false << true;
        QTest::newRow("odd names") << u"store/it's \"the\" one"_s
                                   << u"store/new\nline 'quoted' \"name\""_s << true << true;
        QTest::newRow("beyond the search depth")
            << u"store/photos"_s << u"store/1/2/3/4/5/6/7/photos"_s << true << false;
        // Even when the file system hands the new folder the freed inode number.
        QTest::newRow("deleted, another of the same name made")
            << u"store/photos"_s << u"-"_s << true << false;
    }

    void resolvesMovedItems()
    {
        QFETCH(QString, original);
        QFETCH(QString, moved);
        QFETCH(bool, folder);
        QFETCH(bool, found);
        QTemporaryDir root;
        // Link loops on the way: the walk ends, and answers real paths only.
        const QString store = root.filePath(u"store"_s);
        QVERIFY(QDir().mkpath(store + u"/a/b"_s));
        QVERIFY(QFile::link(store, store + u"/a/b/up"_s));
        QVERIFY(QFile::link(u"."_s, store + u"/a/self"_s));
        QVERIFY(QFile::link(root.path(), store + u"/root"_s));
        const QString from = root.filePath(original);
        QVERIFY(makeItem(from, folder));
        const QByteArray alias = MyAliasKit::aliasDataForPath(from);
        QVERIFY(!alias.isEmpty());
        const bool remade = moved == u"-"_s;
        const QString to = moved.isEmpty() || remade ? from : root.filePath(moved);
        if (remade) {
            QVERIFY(QDir(from).removeRecursively());
            QVERIFY(QDir().mkpath(from));
            if (!fileSystemKeepsBirthTimes(from)) {
                QSKIP("the file system keeps no birth times");
            }
        } else if (!moved.isEmpty()) {
            QVERIFY(moveItem(from, to));
        }

        QString resolved;
        QByteArray changed = "stale";
        QCOMPARE(MyAliasKit::resolveAliasFromData(alias, &resolved, &changed), found);
        QCOMPARE(resolved, found ? to : QString());
        QCOMPARE(changed.isEmpty(), !found || moved.isEmpty());
        if (!changed.isEmpty()) {
            // The fresh record finds the item directly and needs no update.
            QString again;
            QByteArray changedAgain;
            QVERIFY(MyAliasKit::resolveAliasFromData(changed, &again, &changedAgain));
            QCOMPARE(again, to);
            QVERIFY(changedAgain.isEmpty());
        }
    }

    void damagedRecordsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("record");
        // Each row damages a valid record of an existing folder in its own way.
        const QByteArray valid = MyAliasKit::aliasDataForPath(existing_.path());
        QVERIFY(MyAliasKit::resolveAliasFromData(valid, nullptr));
        const qsizetype magic = kAliasRecordMagic.size();
        QRandomGenerator random(20240611);
        QByteArray noise(valid.size(), '\0');
        for (char &byte : noise) {
            byte = char(random.bounded(256));
        }
        const auto with = [&](qsizetype at, int byte) {
            QByteArray changed = valid;
            changed[at] = char(byte);
            return changed;
        };
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("header cut") << valid.left(magic + 10);
        QTest::newRow("random bytes") << noise;
        QTest::newRow("future version") << with(magic, kAliasRecordVersion + 1);
        QTest::newRow("version zero") << with(magic, 0);
        QTest::newRow("path byte flipped")
            << with(valid.size() - 4, valid.at(valid.size() - 4) ^ 0x20);
        QTest::newRow("trailing bytes") << valid + "xyz";
        // The path length field, just before the path, made huge.
        QTest::newRow("path length too large") << with(magic + 30, 0x7f);
    }

    void damagedRecordsAreRefused()
    {
        QFETCH(QByteArray, record);
        QString resolved;
        QByteArray changed;
        QVERIFY(!MyAliasKit::resolveAliasFromData(record, &resolved, &changed));
        QVERIFY(resolved.isEmpty());
        QVERIFY(changed.isEmpty());
    }

    void namesThatAreNotUtf8()
    {
        QTemporaryDir root;
        const QByteArray rootBytes = QFile::encodeName(root.path());
        const QByteArray oddFolder = rootBytes + "/store/caf\xe9-\xff";
        QVERIFY(QDir().mkpath(root.filePath(u"store"_s)));
        QVERIFY(::mkdir(oddFolder.constData(), 0755) == 0);
        QVERIFY(::mkdir((oddFolder + "/inner").constData(), 0755) == 0);
        // QTemporaryDir cannot name what lies inside to remove it.
        const auto remove = qScopeGuard([&] {
            ::rmdir((oddFolder + "/inner/photos").constData());
            ::rmdir((oddFolder + "/inner").constData());
            ::rmdir(oddFolder.constData());
        });
        const QString folder = root.filePath(u"store/photos"_s);
        QVERIFY(QDir().mkpath(folder));
        const QByteArray alias = MyAliasKit::aliasDataForPath(folder);

        // The walk passes such folders on its way.
        const QString renamed = root.filePath(u"store/zz/photos"_s);
        QVERIFY(moveItem(folder, renamed));
        QString resolved;
        QVERIFY(MyAliasKit::resolveAliasFromData(alias, &resolved));
        QCOMPARE(resolved, renamed);

        // An item inside one cannot be named as text: no answer rather than a
        // path to something else.
        QVERIFY(::rename(QFile::encodeName(renamed).constData(),
                         (oddFolder + "/inner/photos").constData()) == 0);
        resolved.clear();
        QVERIFY(!MyAliasKit::resolveAliasFromData(alias, &resolved));
        QVERIFY(resolved.isEmpty());
    }

    void savePath()
    {
        QVERIFY(MyAliasKit::aliasDataForPath(QString()).isEmpty());
        QVERIFY(MyAliasKit::aliasDataForPath(u"~/surely-missing-here"_s).isEmpty());
        Preferences store{QString()};
        QTemporaryDir root;
        MyAliasKit::savePath(root.path(), kAliasKey, &store);
        // No record for a missing path: the earlier one stays.
        const QByteArray before = store.dataForKey(kAliasKey);
        QVERIFY(!before.isEmpty());
        MyAliasKit::savePath(root.filePath(u"missing"_s), kAliasKey, &store);
        QCOMPARE(store.dataForKey(kAliasKey), before);
    }

    void validateFolderPref_data()
    {
        QTest::addColumn<QString>("stored");  // as stored under the path key; "" = nothing
        QTest::addColumn<QString>("movedTo"); // "" = left, "-" = deleted
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("pathAfter");
        QTest::addColumn<QVariant>("validityAfter"); // invalid = untouched

        const QVariant untouched;
        QTest::newRow("folder in place")
            << u"store/photos"_s << QString() << true << u"store/photos"_s << untouched;
        QTest::newRow("folder renamed") << u"store/photos"_s << u"store/photos-old"_s << true
                                        << u"store/photos-old"_s << QVariant(true);
        QTest::newRow("folder deleted")
            << u"store/photos"_s << u"-"_s << false << u"store/photos"_s << QVariant(false);
        QTest::newRow("stored with tilde")
            << u"~/store/photos"_s << QString() << true << u"store/photos"_s << QVariant(true);
        QTest::newRow("no path stored")
            << QString() << QString() << false << QString() << untouched;
    }

    void validateFolderPref()
    {
        QFETCH(QString, stored);
        QFETCH(QString, movedTo);
        QFETCH(bool, valid);
        QFETCH(QString, pathAfter);
        QFETCH(QVariant, validityAfter);
        QTemporaryDir root;
        const QByteArray oldHome = qgetenv("HOME");
        const auto restoreHome = qScopeGuard([&] { qputenv("HOME", oldHome); });
        qputenv("HOME", QFile::encodeName(root.path()));
        const auto absolute = [&](const QString &path) {
            return path.startsWith(QLatin1Char('~')) || path.isEmpty() ? path : root.filePath(path);
        };

        const QString folder = root.filePath(u"store/photos"_s);
        QVERIFY(QDir().mkpath(folder));
        Preferences store{QString()};
        if (!stored.isEmpty()) {
            store.setObject(absolute(stored), kPathKey);
        }
        MyAliasKit::savePath(folder, kAliasKey, &store);
        if (movedTo == QLatin1String("-")) {
            QVERIFY(QDir(folder).removeRecursively());
        } else if (!movedTo.isEmpty()) {
            QVERIFY(moveItem(folder, root.filePath(movedTo)));
        }

        QCOMPARE(validateFolderPrefWithParam(descriptor(), &store), valid);
        QCOMPARE(store.objectForKey(kPathKey).toString(), absolute(pathAfter));
        QCOMPARE(store.objectForKey(kValidKey), validityAfter);
        if (valid && validityAfter.isValid()) {
            // The stored record now points straight at the folder.
            QString resolved;
            QByteArray changed;
            QVERIFY(
                MyAliasKit::resolveAliasFromData(store.dataForKey(kAliasKey), &resolved, &changed));
            QCOMPARE(resolved, absolute(pathAfter));
            QVERIFY(changed.isEmpty());
        }
    }
};

QTEST_MAIN(TestOvraHelpers)
#include "tst_ovrahelpers.moc"
