// Guards folder creation modes and revealing a folder.
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

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

int modeOf(const QString &path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
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
