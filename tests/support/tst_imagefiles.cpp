// Guards photo decoding: hostile, enormous or EXIF-turned files never crash, hang or eat memory.
#include "support/ImageFiles.h"

#include "BadCorpus.h"
#include "StderrCapture.h"
#include "TestHarness.h"
#include "console/MyImageBrowserView/MyImageBrowserThumbnails.h"
#include "intake/OverlayCompositor.h"
#include "slideshow/slideShowWindowController.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QImage twoColourImage(int width, int height)
{
    // Left half red, right half blue, so turns can be told apart.
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, width / 2, height, Qt::red);
    return image;
}

const QSize kDisplay(1920, 1080);
const QSize kThumbnail(160, 120);

// Peak resident memory of the process so far, in KiB.
qint64 peakRssKiB()
{
    const QByteArray status = TestHarness::readFile(u"/proc/self/status"_s);
    const qsizetype at = status.indexOf("VmHWM:");
    return at < 0 ? -1 : status.mid(at + 6).trimmed().split(' ').value(0).toLongLong();
}

// Grey level at the centre of each quadrant: top left, top right, bottom left, bottom right.
QList<int> quadrants(const QImage &image)
{
    const int w = image.width();
    const int h = image.height();
    const QList<QPoint> points{
        {w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}};
    QList<int> levels;
    for (const QPoint &p : points) {
        // Rounded to the generator's levels (32, 96, 160, 224), which are 64 apart.
        levels.append((qGray(image.pixel(p)) + 32) / 64 * 64 - 32);
    }
    return levels;
}

} // namespace

class TestImageFiles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(dir_.isValid() && corpus_.isValid() && work_.isValid());
        QString error;
        QVERIFY2(BadCorpus::generate(corpus_.path(), {u"images"_s}, &error), qPrintable(error));
        // A small landscape overlay, so every photo also goes through compositing.
        QImage overlay(64, 48, QImage::Format_ARGB32);
        overlay.fill(Qt::transparent);
        QVERIFY(overlay.save(work_.filePath(u"Slideshow_LS.png"_s)));
        QVERIFY(overlay.transformed(QTransform().rotate(90))
                    .save(work_.filePath(u"Slideshow_PRT.png"_s)));
    }

    void classifiesFiles()
    {
        const QByteArray jpeg = TestHarness::jpeg(twoColourImage(320, 240));
        QVERIFY(jpeg.endsWith("\xFF\xD9"));
        QVERIFY(QDir(dir_.path()).mkdir(u"folder.jpg"_s));
        // A pipe in a photo folder must not block the reader waiting for a writer.
        const QString pipe = dir_.filePath(u"pipe.jpg"_s);
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QVERIFY(readImage(pipe).isNull());
        // Path, named as an image, a valid image.
        QList<std::tuple<QString, bool, bool>> files{
            {write(u"d.jpg"_s, jpeg.chopped(2)), true, false}, // missing only its end marker
            {write(u"e.jpg"_s, jpeg + QByteArray(5000, '\0')), true, true},
            {write(u"notes.txt"_s, "just some notes\n"), false, false},
            {write(u"jpegdata"_s, jpeg), true, true},
            {QString(), false, false},
            {dir_.filePath(u"missing.jpg"_s), false, false},
            {dir_.filePath(u"folder.jpg"_s), false, false},
            {pipe, false, false}};
        // Root reads every file.
        if (geteuid() != 0) {
            files.append({write(u"locked.jpg"_s, jpeg), false, false});
            QVERIFY(QFile::setPermissions(std::get<0>(files.last()), QFileDevice::WriteOwner));
        }
        for (const auto &[path, imageFile, valid] : files) {
            QVERIFY2(isImageFile(path) == imageFile && IsValidImageObject(path) == valid,
                     qPrintable(path));
        }
    }

    void endOfImageMarker_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("complete");

        const QByteArray body(5000, 'x');
        QTest::newRow("marker at the end") << body + "\xFF\xD9" << true;
        QTest::newRow("marker then more zeros than one read")
            << body + "\xFF\xD9" + QByteArray(20000, '\0') << true;
        // FF as the last byte of one read, D9 as the first of the next.
        QTest::newRow("marker split across reads")
            << QByteArray(4095, 'x') + "\xFF\xD9" + QByteArray(4095, '\0') << true;
        QTest::newRow("D9 alone") << body + "x\xD9" << false;
        QTest::newRow("marker then data") << body + "\xFF\xD9\x01" << false;
        QTest::newRow("zeros only") << QByteArray(9000, '\0') << false;
        QTest::newRow("empty") << QByteArray() << false;
    }

    void endOfImageMarker()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, complete);
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QCOMPARE(jpegHasEndOfImage(buffer), complete);
    }

    void readsScaledToFit()
    {
        const QString jpeg = write(u"big.jpg"_s, TestHarness::jpeg(twoColourImage(800, 600)));
        const QString png = dir_.filePath(u"big.png"_s);
        QVERIFY(twoColourImage(800, 600).save(png));
        for (const QString &path : {jpeg, png}) {
            QCOMPARE(readImage(path, QSize(200, 200)).size(), QSize(200, 150));
            QCOMPARE(readImage(path, QSize(1000, 100)).size(), QSize(133, 100));
            // Never enlarged.
            QCOMPARE(readImage(path, QSize(4000, 4000)).size(), QSize(800, 600));
            QCOMPARE(readImage(path).size(), QSize(800, 600));
        }
        QVERIFY(readImage(dir_.filePath(u"missing.jpg"_s)).isNull());
    }

    void everyImage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        const QStringList names = BadCorpus::entries(corpus_.path(), u"images"_s);
        QVERIFY(names.size() >= 30);
        for (const QString &name : names) {
            const bool valid = name.startsWith(u"good"_s) || name.startsWith(u"orientation-"_s) ||
                               name.startsWith(u"big-"_s) || name == u"png-named.jpg"_s;
            QTest::newRow(qPrintable(name)) << name << valid;
        }
    }

    void everyImage()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        const QString path = image(name);
        // Named as an image, it is one; without an extension only its content counts.
        QCOMPARE(isImageFile(path), name.contains(u'.'));
        QCOMPARE(IsValidImageObject(path), valid);

        const QImage slide = slideShowWindowController::getNSImageFromFilePath(path, kDisplay);
        QCOMPARE(!slide.isNull(), valid);
        if (valid) {
            QVERIFY(slide.width() <= kDisplay.width() && slide.height() <= kDisplay.height());
        }
        QCOMPARE(!readImage(path, kThumbnail).isNull(), valid);

        {
            MyImageBrowserThumbnails thumbnails;
            QSignalSpy ready(&thumbnails, &MyImageBrowserThumbnails::thumbnailReady);
            QVERIFY(thumbnails.thumbnail(path, kThumbnail).isNull());
            if (valid) {
                QVERIFY(ready.wait());
                const QPixmap thumbnail = thumbnails.thumbnail(path, kThumbnail);
                QVERIFY(!thumbnail.isNull());
                QVERIFY(thumbnail.width() <= kThumbnail.width() &&
                        thumbnail.height() <= kThumbnail.height());
            }
            // Leaving the scope waits for the decoder threads: a bad file must
            // neither crash nor hang them.
        }

        OverlayCompositor compositor(work_.path(),
                                     work_.filePath(u"composite-"_s + name + u".jpg"_s));
        QCOMPARE(!compositor.applyOverlayToSourceItem(path).isEmpty(), valid);
    }

    void enormousImagesAreNotAllocated_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("PNG 100000x100000") << u"huge-100000x100000.png"_s;
        QTest::newRow("JPEG 65000x65000") << u"huge-65000x65000.jpg"_s;
        QTest::newRow("GIF 65535x65535") << u"huge-65535x65535.gif"_s;
        QTest::newRow("BMP 16000x16000") << u"huge-16000x16000.bmp"_s;
    }

    // The declared size is read first and the file refused before any decoder
    // runs: the log says so for each path, and the peak resident memory of the
    // process does not grow by anything like the declared image.
    void enormousImagesAreNotAllocated()
    {
        QFETCH(QString, name);
        const QString path = image(name);
        const QSize declared = QImageReader(path).size();
        QVERIFY2(qint64(declared.width()) * declared.height() * 4 > 1000000000,
                 "the header is read");

        const qint64 before = peakRssKiB();
        StderrCapture log;
        QVERIFY(!IsValidImageObject(path));
        QVERIFY(readImage(path).isNull());
        QVERIFY(readImage(path, kDisplay).isNull());
        QVERIFY(slideShowWindowController::getNSImageFromFilePath(path, kDisplay).isNull());
        OverlayCompositor compositor(work_.path(), work_.filePath(u"huge-composite.jpg"_s));
        QVERIFY(compositor.applyOverlayToSourceItem(path).isEmpty());
        const QString text = log.finish();
        const qint64 grown = peakRssKiB() - before;

        const QString refusal =
            u"declares %1x%2 pixels, over the allocation limit"_s.arg(declared.width())
                .arg(declared.height());
        // The validity check, the full-size read and the compositor each refuse
        // before decoding.
        QVERIFY2(text.count(refusal) >= 3, qPrintable(text));
        QVERIFY2(grown < 64 * 1024, qPrintable(u"peak RSS grew by %1 KiB"_s.arg(grown)));
        // A 24-megapixel camera photo is under the limit.
        QVERIFY(!exceedsImageAllocationLimit(QSize(6000, 4000)));
    }

    void orientation_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<int>>("levels");
        // Stored: 32x16 with 32 | 96 over 160 | 224. Each row is what EXIF says the
        // viewer must see.
        const QSize wide(32, 16);
        const QSize tall(16, 32);
        QTest::newRow("1 as stored") << 1 << wide << QList<int>{32, 96, 160, 224};
        QTest::newRow("2 mirrored") << 2 << wide << QList<int>{96, 32, 224, 160};
        QTest::newRow("3 rotated 180") << 3 << wide << QList<int>{224, 160, 96, 32};
        QTest::newRow("4 flipped") << 4 << wide << QList<int>{160, 224, 32, 96};
        QTest::newRow("5 transposed") << 5 << tall << QList<int>{32, 160, 96, 224};
        QTest::newRow("6 rotated 90 cw") << 6 << tall << QList<int>{160, 32, 224, 96};
        QTest::newRow("7 transversed") << 7 << tall << QList<int>{224, 96, 160, 32};
        QTest::newRow("8 rotated 90 ccw") << 8 << tall << QList<int>{96, 224, 32, 160};
    }

    void orientation()
    {
        QFETCH(int, orientation);
        QFETCH(QSize, size);
        QFETCH(QList<int>, levels);
        const QString path = image(u"orientation-%1.jpg"_s.arg(orientation));

        // The slide and the thumbnail are read through readImage with their box.
        const QImage upright = readImage(path, kDisplay);
        QCOMPARE(upright.size(), size);
        QCOMPARE(quadrants(upright), levels);
        QCOMPARE(quadrants(readImage(path)), levels);

        // Scaled down in the decoder: the box is turned with the photo.
        const QImage small = readImage(path, QSize(8, 8));
        QCOMPARE(small.size(), size.scaled(8, 8, Qt::KeepAspectRatio));
    }

    void replacedFileGetsItsOwnThumbnail()
    {
        // The next customer's photo under the same name.
        const QString path = work_.filePath(u"IMG_0001.jpg"_s);
        MyImageBrowserThumbnails thumbnails;
        for (const QColor &colour : {QColor(Qt::red), QColor(Qt::blue)}) {
            QVERIFY(TestHarness::writeJpeg(path + u".new"_s, QSize(64, 48), colour));
            QCOMPARE(std::rename(qPrintable(path + u".new"_s), qPrintable(path)), 0);
            QTRY_VERIFY(!thumbnails.thumbnail(path, kThumbnail).isNull());
            const QImage thumbnail = thumbnails.thumbnail(path, kThumbnail).toImage();
            QCOMPARE(QColor(thumbnail.pixel(thumbnail.rect().center())).blue() > 128,
                     colour == Qt::blue);
        }
    }

    void enormousOverlayIsRefused()
    {
        QTemporaryDir desktop;
        QVERIFY(QFile::copy(image(u"huge-100000x100000.png"_s),
                            desktop.filePath(u"Slideshow_LS.png"_s)));
        OverlayCompositor compositor(desktop.path(), desktop.filePath(u"out.jpg"_s));
        const qint64 before = peakRssKiB();
        QVERIFY(compositor.applyOverlayToSourceItem(image(u"good.jpg"_s)).isEmpty());
        QVERIFY(!QFile::exists(desktop.filePath(u"out.jpg"_s)));
        QVERIFY(peakRssKiB() - before < 64 * 1024);
    }

private:
    QString image(const QString &name) const { return corpus_.filePath(u"images/"_s + name); }
    QString write(const QString &name, const QByteArray &bytes)
    {
        return TestHarness::writeFile(dir_.filePath(name), bytes) ? dir_.filePath(name) : QString();
    }
    QTemporaryDir dir_;
    QTemporaryDir corpus_;
    QTemporaryDir work_;
};

QTEST_MAIN(TestImageFiles)

#include "tst_imagefiles.moc"
