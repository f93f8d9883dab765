#include "BadCorpus.h"
#include "StderrCapture.h"
#include "console/MyImageBrowserView/MyImageBrowserThumbnails.h"
#include "intake/OverlayCompositor.h"
#include "slideshow/slideShowWindowController.h"
#include "support/ImageFiles.h"

#include <QFile>
#include <QImageReader>
#include <QtTest>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const QSize kDisplay(1920, 1080);
const QSize kThumbnail(160, 120);

// Peak resident memory of the process so far, in KiB.
qint64 peakRssKiB()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
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

// Every image of the hostile corpus through the real decode paths: the
// validity check of the slide queue, the slide decode at display size, the
// image browser's thumbnails and the overlay compositing.
class tst_ImageFilesCorpus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyImage_data();
    void everyImage();
    void enormousImagesAreNotAllocated_data();
    void enormousImagesAreNotAllocated();
    void orientation_data();
    void orientation();
    void replacedFileGetsItsOwnThumbnail();
    void enormousOverlayIsRefused();

private:
    QString image(const QString &name) const { return corpus.filePath(u"images/"_s + name); }
    QTemporaryDir corpus;
    QTemporaryDir work;
};

void tst_ImageFilesCorpus::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(corpus.isValid() && work.isValid());
    QString error;
    QVERIFY2(BadCorpus::generate(corpus.path(), {u"images"_s}, &error), qPrintable(error));
    // A small landscape overlay, so every photo also goes through compositing.
    QImage overlay(64, 48, QImage::Format_ARGB32);
    overlay.fill(Qt::transparent);
    QVERIFY(overlay.save(work.filePath(u"Slideshow_LS.png"_s)));
    QVERIFY(
        overlay.transformed(QTransform().rotate(90)).save(work.filePath(u"Slideshow_PRT.png"_s)));
}

void tst_ImageFilesCorpus::everyImage_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("valid");
    const QStringList names = BadCorpus::entries(corpus.path(), u"images"_s);
    QVERIFY(names.size() >= 30);
    for (const QString &name : names) {
        const bool valid = name.startsWith(u"good"_s) || name.startsWith(u"orientation-"_s) ||
                           name.startsWith(u"big-"_s) || name == u"png-named.jpg"_s;
        QTest::newRow(qPrintable(name)) << name << valid;
    }
}

void tst_ImageFilesCorpus::everyImage()
{
    QFETCH(QString, name);
    QFETCH(bool, valid);
    const QString path = image(name);
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

    OverlayCompositor compositor(work.path(), work.filePath(u"composite-"_s + name + u".jpg"_s));
    const QString composite = compositor.applyOverlayToSourceItem(path);
    QCOMPARE(!composite.isEmpty(), valid);
    if (valid) {
        // Framed upright: turned photos take the portrait overlay.
        const QSize landscape(64, 48);
        QCOMPARE(QImageReader(composite).size(),
                 slide.height() > slide.width() ? landscape.transposed() : landscape);
    }
}

void tst_ImageFilesCorpus::enormousImagesAreNotAllocated_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("PNG 100000x100000") << u"huge-100000x100000.png"_s;
    QTest::newRow("PNG 30000x30000") << u"huge-30000x30000.png"_s;
    QTest::newRow("JPEG 65000x65000") << u"huge-65000x65000.jpg"_s;
    QTest::newRow("GIF 65535x65535") << u"huge-65535x65535.gif"_s;
    QTest::newRow("BMP 16000x16000") << u"huge-16000x16000.bmp"_s;
}

// The declared size is read first and the file refused before any decoder
// runs: the log says so for each path, and the peak resident memory of the
// process does not grow by anything like the declared image.
void tst_ImageFilesCorpus::enormousImagesAreNotAllocated()
{
    QFETCH(QString, name);
    const QString path = image(name);
    const QSize declared = QImageReader(path).size();
    QVERIFY2(qint64(declared.width()) * declared.height() * 4 > 1000000000, "the header is read");

    const qint64 before = peakRssKiB();
    StderrCapture log;
    QVERIFY(!IsValidImageObject(path));
    QVERIFY(readImage(path).isNull());
    QVERIFY(readImage(path, kDisplay).isNull());
    QVERIFY(slideShowWindowController::getNSImageFromFilePath(path, kDisplay).isNull());
    OverlayCompositor compositor(work.path(), work.filePath(u"huge-composite.jpg"_s));
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
}

void tst_ImageFilesCorpus::orientation_data()
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

void tst_ImageFilesCorpus::orientation()
{
    QFETCH(int, orientation);
    QFETCH(QSize, size);
    QFETCH(QList<int>, levels);
    const QString path = image(u"orientation-%1.jpg"_s.arg(orientation));

    const QImage slide = slideShowWindowController::getNSImageFromFilePath(path, kDisplay);
    QCOMPARE(slide.size(), size);
    QCOMPARE(quadrants(slide), levels);

    // Scaled down in the decoder: the box is turned with the photo.
    const QImage small = readImage(path, QSize(8, 8));
    QCOMPARE(small.size(), size.scaled(8, 8, Qt::KeepAspectRatio));

    MyImageBrowserThumbnails thumbnails;
    QSignalSpy ready(&thumbnails, &MyImageBrowserThumbnails::thumbnailReady);
    thumbnails.thumbnail(path, kThumbnail);
    QVERIFY(ready.wait());
    const QImage thumbnail = thumbnails.thumbnail(path, kThumbnail).toImage();
    QCOMPARE(thumbnail.size(), size);
    QCOMPARE(quadrants(thumbnail), levels);
}

void tst_ImageFilesCorpus::replacedFileGetsItsOwnThumbnail()
{
    // The next customer's photo under the same name.
    const QString path = work.filePath(u"IMG_0001.jpg"_s);
    MyImageBrowserThumbnails thumbnails;
    for (const QColor &colour : {QColor(Qt::red), QColor(Qt::blue)}) {
        QImage photo(64, 48, QImage::Format_RGB32);
        photo.fill(colour);
        QVERIFY(photo.save(path + u".new"_s, "JPEG"));
        QCOMPARE(std::rename(qPrintable(path + u".new"_s), qPrintable(path)), 0);
        QTRY_VERIFY(!thumbnails.thumbnail(path, kThumbnail).isNull());
        const QImage thumbnail = thumbnails.thumbnail(path, kThumbnail).toImage();
        QCOMPARE(QColor(thumbnail.pixel(thumbnail.rect().center())).blue() > 128,
                 colour == Qt::blue);
    }
}

void tst_ImageFilesCorpus::enormousOverlayIsRefused()
{
    QTemporaryDir desktop;
    QVERIFY(
        QFile::copy(image(u"huge-100000x100000.png"_s), desktop.filePath(u"Slideshow_LS.png"_s)));
    OverlayCompositor compositor(desktop.path(), desktop.filePath(u"out.jpg"_s));
    const qint64 before = peakRssKiB();
    StderrCapture log;
    QVERIFY(compositor.applyOverlayToSourceItem(image(u"good.jpg"_s)).isEmpty());
    const QString text = log.finish();
    QVERIFY(!QFile::exists(desktop.filePath(u"out.jpg"_s)));
    QVERIFY2(text.contains(u"declares 100000x100000 pixels, over the allocation limit"_s),
             qPrintable(text));
    QVERIFY(peakRssKiB() - before < 64 * 1024);
}

QTEST_MAIN(tst_ImageFilesCorpus)
#include "tst_imagefilescorpus.moc"
