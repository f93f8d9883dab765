// Guards folder references: moved folders are found again, damaged records refused.
#include "TestSupport.h"
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

using namespace Qt::StringLiterals;

namespace {

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
    return folder ? QDir().mkpath(path) : TestSupport::writeFile(path, "photo");
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

    QTemporaryDir existing_;

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void resolvesMovedItems_data()
    {
        QTest::addColumn<QString>("original");
        QTest::addColumn<QString>("moved"); // empty: left in place
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
    }

    void goneItemsAreNotResolved()
    {
        QTemporaryDir root;
        const QString folder = root.filePath(u"store/photos"_s);
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
        QTest::newRow("magic only") << kAliasRecordMagic;
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

    void searchEndsInLinkLoops()
    {
        QTemporaryDir root;
        const QString store = root.filePath(u"store"_s);
        QVERIFY(QDir().mkpath(store + u"/a/b"_s));
        QVERIFY(QFile::link(store, store + u"/a/b/up"_s));
        QVERIFY(QFile::link(u"."_s, store + u"/a/self"_s));
        QVERIFY(QFile::link(root.path(), store + u"/root"_s));
        const QString folder = store + u"/photos"_s;
        QVERIFY(QDir().mkpath(folder));
        const QByteArray alias = MyAliasKit::aliasDataForPath(folder);

        // Found by its real path, never through a link.
        QVERIFY(moveItem(folder, store + u"/a/b/photos"_s));
        QString resolved;
        QVERIFY(MyAliasKit::resolveAliasFromData(alias, &resolved));
        QCOMPARE(resolved, store + u"/a/b/photos"_s);

        // Gone: the walk through the loops ends with no answer.
        QVERIFY(QDir(store + u"/a/b/photos"_s).removeRecursively());
        QVERIFY(!MyAliasKit::resolveAliasFromData(alias, &resolved));
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

    void aliasDataForPath()
    {
        QVERIFY(MyAliasKit::aliasDataForPath(QString()).isEmpty());
        QTemporaryDir root;
        QVERIFY(MyAliasKit::aliasDataForPath(root.filePath(u"missing"_s)).isEmpty());
        QVERIFY(MyAliasKit::aliasDataForPath(u"~/surely-missing-here"_s).isEmpty());
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

QTEST_GUILESS_MAIN(TestMyAliasKit)
#include "tst_myaliaskit.moc"
