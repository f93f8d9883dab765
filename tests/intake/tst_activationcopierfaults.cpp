#include "TestHarness.h"
#include "TestSupport.h"
#include "intake/ActivationCopier.h"
#include "shell/CommonHeader.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// Guards the activation's copy loop under disk faults: on a full working folder only whole photos
// stay, and a photo replaced while it is copied arrives whole, old or new.
class TestActivationCopierFaults : public QObject
{
    Q_OBJECT
private slots:
    void fullWorkingFolderKeepsOnlyWholePhotos();
    void replacedPhotoIsCopiedWhole_data();
    void replacedPhotoIsCopiedWhole();
};

namespace {

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

// The part that runs inside the mount namespace: copies the photos of dir/store
// into dir/tmp/slideshowA (on the small tmpfs) and checks what is left there.
// Exit code 0 when every file in the folder is one of the photos, whole, and
// the loop counted exactly those.
int copyIntoFullFolder(const QString &dir)
{
    const QString workingFolder = dir + u"/tmp/slideshowA"_s;
    QStringList photos;
    for (const QString &name : QDir(dir + u"/store"_s).entryList(QDir::Files, QDir::Name)) {
        photos << dir + u"/store/"_s + name;
    }
    int announced = 0;
    ActivationCopyJob job;
    job.results = photos;
    job.workingFolder = workingFolder;
    job.announce = [&announced] {
        ++announced;
    };
    const int count = copyFoundImages(job);
    const QStringList left = QDir(workingFolder).entryList(QDir::Files | QDir::Hidden);
    int whole = 0;
    for (const QString &name : left) {
        const auto source = std::find_if(photos.cbegin(), photos.cend(),
                                         [&](const QString &p) { return p.endsWith(u'/' + name); });
        if (source == photos.cend() ||
            TestSupport::readFile(workingFolder + u'/' + name) != TestSupport::readFile(*source)) {
            std::fprintf(stderr, "NOT A WHOLE PHOTO: %s\n", qPrintable(name));
            return 1;
        }
        ++whole;
    }
    std::fprintf(stderr, "COPIED %d OF %d, ANNOUNCED %d\n", count, int(photos.size()), announced);
    return (count == whole && whole > 0 && whole < photos.size() && announced == 2) ? 0 : 1;
}

} // namespace

void TestActivationCopierFaults::fullWorkingFolderKeepsOnlyWholePhotos()
{
    if (::geteuid() != 0 || QStandardPaths::findExecutable(u"unshare"_s).isEmpty()) {
        QSKIP("needs root and unshare to mount a small tmpfs in a private mount namespace");
    }
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Two photos fit into 2 MB, the third does not.
    QStringList photos;
    for (int i = 1; i <= 3; ++i) {
        photos << dir.filePath(u"store/IMG_%1.jpg"_s.arg(i));
        QVERIFY(
            TestHarness::writeFile(photos.last(), randomBytes(900 * 1024), TestHarness::ago(3600)));
    }
    const QString mountPoint = dir.filePath(u"tmp"_s);
    QVERIFY(QDir().mkpath(mountPoint));
    QProcess child;
    child.start(u"unshare"_s,
                QStringList{u"-m"_s, u"sh"_s, u"-c"_s,
                            u"mount -t tmpfs -o size=2m tmpfs \"$1\" && shift && exec \"$@\""_s,
                            u"sh"_s, mountPoint, QCoreApplication::applicationFilePath(),
                            u"--copy-into-full-folder"_s, dir.path()});
    QVERIFY(child.waitForFinished(60000));
    const QByteArray log = child.readAllStandardError();
    if (log.contains("mount: ") && child.exitCode() != 0) {
        QSKIP(qPrintable(u"tmpfs cannot be mounted here: "_s + QString::fromUtf8(log)));
    }
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, log.constData());
    QVERIFY2(log.contains("COPIED 2 OF 3"), log.constData());
    // The failed copy is logged as such, and no file of the failed copy is left behind.
    QVERIFY2(
        log.contains(kLogCopyItemError.arg(photos.last(), mountPoint + u"/slideshowA"_s, QString())
                         .toUtf8()),
        log.constData());
}

void TestActivationCopierFaults::replacedPhotoIsCopiedWhole_data()
{
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("renamed over") << false;
    QTest::newRow("rewritten in place") << true;
}

void TestActivationCopierFaults::replacedPhotoIsCopiedWhole()
{
    QFETCH(bool, inPlace);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Of different sizes, so that a truncated or mixed copy cannot pass for either.
    const QByteArray oldPhoto = randomBytes(6 * 1024 * 1024);
    const QByteArray newPhoto = randomBytes(2 * 1024 * 1024 + 4096);
    const QString source = dir.filePath(u"IMG_1.jpg"_s);
    const QString replacement = dir.filePath(u".IMG_1.jpg.new"_s);
    auto replace = [&](int delayUs) {
        ::usleep(useconds_t(delayUs));
        if (!inPlace) {
            ::rename(QFile::encodeName(replacement).constData(),
                     QFile::encodeName(source).constData());
            return;
        }
        const int fd = ::open(QFile::encodeName(source).constData(), O_WRONLY | O_TRUNC);
        for (qsizetype at = 0; fd >= 0 && at < newPhoto.size(); at += 256 * 1024) {
            (void)!::write(fd, newPhoto.constData() + at,
                           size_t(qMin(qsizetype(256 * 1024), newPhoto.size() - at)));
            ::usleep(300); // a writer on the network, a piece at a time
        }
        ::close(fd);
    };
    int olds = 0;
    int news = 0;
    for (int i = 0; i < 5; ++i) {
        QVERIFY(TestHarness::writeFile(source, oldPhoto, TestHarness::ago(3600)));
        const QString destination = dir.filePath(u"work/%1/IMG_1.jpg"_s.arg(i));
        QVERIFY(QDir().mkpath(QFileInfo(destination).absolutePath()));
        QVERIFY(inPlace || TestSupport::writeFile(replacement, newPhoto));
        std::thread writer(replace, QRandomGenerator::global()->bounded(800));
        QString error;
        const bool copied = copyFileNoReplace(source, destination, &error);
        writer.join();
        QVERIFY2(copied, qPrintable(error));
        const QByteArray got = TestSupport::readFile(destination);
        QVERIFY2(got == oldPhoto || got == newPhoto,
                 qPrintable(u"copy %1 is a mix or truncated: %2 bytes"_s.arg(i).arg(got.size())));
        (got == oldPhoto ? olds : news)++;
    }
    qInfo("%d copies of the old photo, %d of the new one", olds, news);
}

OVRA_TEST_MAIN_WITH_CHILDREN(TestActivationCopierFaults,
                             {"--copy-into-full-folder", copyIntoFullFolder})

#include "tst_activationcopierfaults.moc"
