#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "support/FolderReference.h"
#include "support/MyAliasKit.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kPathKey = QStringLiteral("prefTestPath");
const QString kAliasKey = QStringLiteral("prefTestPathAliasData");
const QString kValidKey = QStringLiteral("prefTestPathAliasDataIsValid");

QVariantMap descriptor()
{
    return {{kPrefFolderNameKey, kPathKey},
            {kPrefFolderAliasDataKey, kAliasKey},
            {kPrefFolderNameIsValidKey, kValidKey}};
}

bool makeItem(const QString &path, bool folder)
{
    if (folder) {
        return QDir().mkpath(path);
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("photo") == 5;
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

class TestMyAliasKit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void resolvesMovedItems_data()
    {
        QTest::addColumn<QString>("original");
        QTest::addColumn<QString>("moved"); // empty: left in place
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("found");

        QTest::newRow("unchanged") << "store/photos"
                                   << "" << true << true;
        QTest::newRow("renamed") << "store/photos"
                                 << "store/photos 2024" << true << true;
        QTest::newRow("moved deeper") << "store/photos"
                                      << "store/a/b/c/d/e/photos" << true << true;
        QTest::newRow("moved to another branch") << "store/x/y/photos"
                                                 << "elsewhere/photos" << true << true;
        QTest::newRow("file renamed") << "store/movie.mov"
                                      << "store/intro.mov" << false << true;
        QTest::newRow("odd names") << "store/it's \"the\" one"
                                   << "store/new\nline 'quoted' \"name\"" << true << true;
        QTest::newRow("beyond the search depth") << "store/photos"
                                                 << "store/1/2/3/4/5/6/7/photos" << true << false;
    }

    void resolvesMovedItems()
    {
        QFETCH(QString, original);
        QFETCH(QString, moved);
        QFETCH(bool, folder);
        QFETCH(bool, found);
        QTemporaryDir root;
        const QString from = root.filePath(original);
        QVERIFY(makeItem(from, folder));
        const QByteArray alias = MyAliasKit::aliasDataForPath(from);
        QVERIFY(!alias.isEmpty());
        const QString to = moved.isEmpty() ? from : root.filePath(moved);
        if (!moved.isEmpty()) {
            QVERIFY(moveItem(from, to));
        }

        QString resolved;
        QByteArray changed = "stale";
        QCOMPARE(MyAliasKit::resolveAliasFromData(alias, &resolved, &changed), found);
        if (!found) {
            QVERIFY(resolved.isEmpty());
            QVERIFY(changed.isEmpty());
            return;
        }
        QCOMPARE(resolved, to);
        QCOMPARE(changed.isEmpty(), moved.isEmpty());
        if (!changed.isEmpty()) {
            // The fresh record finds the item directly and needs no update.
            QString again;
            QByteArray changedAgain;
            QVERIFY(MyAliasKit::resolveAliasFromData(changed, &again, &changedAgain));
            QCOMPARE(again, to);
            QVERIFY(changedAgain.isEmpty());
        }
        // The two-argument form answers the same.
        QString twoArgument;
        QVERIFY(MyAliasKit::resolveAliasFromData(alias, &twoArgument));
        QCOMPARE(twoArgument, to);
    }

    void goneItemsAreNotResolved()
    {
        QTemporaryDir root;
        const QString folder = root.filePath(QStringLiteral("store/photos"));
        QVERIFY(QDir().mkpath(folder));
        const QByteArray alias = MyAliasKit::aliasDataForPath(folder);
        QVERIFY(QDir(folder).removeRecursively());
        QString resolved;
        QVERIFY(!MyAliasKit::resolveAliasFromData(alias, &resolved));
        QVERIFY(resolved.isEmpty());

        // A new folder of the same name is another folder, even when the file
        // system hands it the freed inode number.
        QVERIFY(QDir().mkpath(folder));
        if (!fileSystemKeepsBirthTimes(folder)) {
            QSKIP("the file system keeps no birth times");
        }
        QVERIFY(!MyAliasKit::resolveAliasFromData(alias, &resolved));
    }

    void damagedRecordsAreRefused_data()
    {
        QTest::addColumn<int>("damage");
        // Each row damages a valid record of an existing folder in its own way.
        QTest::newRow("empty") << 0;
        QTest::newRow("magic only") << 1;
        QTest::newRow("header cut") << 2;
        QTest::newRow("last byte missing") << 3;
        QTest::newRow("random bytes") << 4;
        QTest::newRow("random bytes after the magic") << 5;
        QTest::newRow("future version") << 6;
        QTest::newRow("version zero") << 7;
        QTest::newRow("path byte flipped") << 8;
        QTest::newRow("trailing bytes") << 9;
        QTest::newRow("path length too large") << 10;
    }

    void damagedRecordsAreRefused()
    {
        QFETCH(int, damage);
        QTemporaryDir root;
        QVERIFY(
            MyAliasKit::resolveAliasFromData(MyAliasKit::aliasDataForPath(root.path()), nullptr));
        QByteArray record = MyAliasKit::aliasDataForPath(root.path());
        QRandomGenerator random(20240611);
        const qsizetype magic = kAliasRecordMagic.size();
        switch (damage) {
        case 0:
            record.clear();
            break;
        case 1:
            record = kAliasRecordMagic;
            break;
        case 2:
            record.truncate(magic + 10);
            break;
        case 3:
            record.chop(1);
            break;
        case 4:
            for (char &byte : record) {
                byte = char(random.bounded(256));
            }
            break;
        case 5:
            for (qsizetype i = magic; i < record.size(); ++i) {
                record[i] = char(random.bounded(256));
            }
            break;
        case 6:
            record[magic] = char(kAliasRecordVersion + 1);
            break;
        case 7:
            record[magic] = 0;
            break;
        case 8:
            record[record.size() - 4] = char(record.at(record.size() - 4) ^ 0x20);
            break;
        case 9:
            record.append("xyz");
            break;
        case 10:
            // Path length field (just before the path) made huge.
            record[magic + 30] = char(0x7f);
            break;
        }
        QString resolved;
        QByteArray changed;
        QVERIFY(!MyAliasKit::resolveAliasFromData(record, &resolved, &changed));
        QVERIFY(resolved.isEmpty());
        QVERIFY(changed.isEmpty());
    }

    void searchEndsInLinkLoops()
    {
        QTemporaryDir root;
        const QString store = root.filePath(QStringLiteral("store"));
        QVERIFY(QDir().mkpath(store + QStringLiteral("/a/b")));
        QVERIFY(QFile::link(store, store + QStringLiteral("/a/b/up")));
        QVERIFY(QFile::link(QStringLiteral("."), store + QStringLiteral("/a/self")));
        QVERIFY(QFile::link(root.path(), store + QStringLiteral("/root")));
        const QString folder = store + QStringLiteral("/photos");
        QVERIFY(QDir().mkpath(folder));
        const QByteArray alias = MyAliasKit::aliasDataForPath(folder);

        // Found by its real path, never through a link.
        QVERIFY(moveItem(folder, store + QStringLiteral("/a/b/photos")));
        QString resolved;
        QVERIFY(MyAliasKit::resolveAliasFromData(alias, &resolved));
        QCOMPARE(resolved, store + QStringLiteral("/a/b/photos"));

        // Gone: the walk through the loops ends with no answer.
        QVERIFY(QDir(store + QStringLiteral("/a/b/photos")).removeRecursively());
        QVERIFY(!MyAliasKit::resolveAliasFromData(alias, &resolved));
    }

    void namesThatAreNotUtf8()
    {
        QTemporaryDir root;
        const QByteArray rootBytes = QFile::encodeName(root.path());
        const QByteArray oddFolder = rootBytes + "/store/caf\xe9-\xff";
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("store"))));
        QVERIFY(::mkdir(oddFolder.constData(), 0755) == 0);
        QVERIFY(::mkdir((oddFolder + "/inner").constData(), 0755) == 0);
        // QTemporaryDir cannot name what lies inside to remove it.
        const auto remove = qScopeGuard([&] {
            ::rmdir((oddFolder + "/inner/photos").constData());
            ::rmdir((oddFolder + "/inner").constData());
            ::rmdir(oddFolder.constData());
        });
        const QString folder = root.filePath(QStringLiteral("store/photos"));
        QVERIFY(QDir().mkpath(folder));
        const QByteArray alias = MyAliasKit::aliasDataForPath(folder);

        // The walk passes such folders on its way.
        const QString renamed = root.filePath(QStringLiteral("store/zz/photos"));
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

    void aliasDataForPath()
    {
        QVERIFY(MyAliasKit::aliasDataForPath(QString()).isEmpty());
        QTemporaryDir root;
        QVERIFY(MyAliasKit::aliasDataForPath(root.filePath(QStringLiteral("missing"))).isEmpty());
        QVERIFY(MyAliasKit::aliasDataForPath(QStringLiteral("~/surely-missing-here")).isEmpty());
        const QByteArray record = MyAliasKit::aliasDataForPath(root.path());
        QVERIFY(record.startsWith(kAliasRecordMagic));
    }

    void savePath()
    {
        Preferences store{QString()};
        QTemporaryDir root;
        MyAliasKit::savePath(root.path(), kAliasKey, &store);
        QString resolved;
        QVERIFY(MyAliasKit::resolveAliasFromData(store.dataForKey(kAliasKey), &resolved));
        QCOMPARE(resolved, root.path());

        // No record for a missing path: the earlier one stays.
        const QByteArray before = store.dataForKey(kAliasKey);
        MyAliasKit::savePath(root.filePath(QStringLiteral("missing")), kAliasKey, &store);
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
        QTest::newRow("folder in place") << "store/photos"
                                         << "" << true << "store/photos" << untouched;
        QTest::newRow("folder renamed")
            << "store/photos"
            << "store/photos-old" << true << "store/photos-old" << QVariant(true);
        QTest::newRow("folder moved deeper")
            << "store/photos"
            << "store/2024/june/photos" << true << "store/2024/june/photos" << QVariant(true);
        QTest::newRow("folder deleted") << "store/photos"
                                        << "-" << false << "store/photos" << QVariant(false);
        QTest::newRow("stored with tilde") << "~/store/photos"
                                           << "" << true << "store/photos" << QVariant(true);
        QTest::newRow("stored with tilde, deleted")
            << "~/store/photos"
            << "-" << false << "~/store/photos" << QVariant(false);
        QTest::newRow("no path stored") << ""
                                        << "" << false << "" << untouched;
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

        const QString folder = root.filePath(QStringLiteral("store/photos"));
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

QTEST_GUILESS_MAIN(TestMyAliasKit)
#include "tst_myaliaskit.moc"
