#include "support/ImageFiles.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

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

QByteArray encode(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(90);
    return writer.write(image) ? bytes : QByteArray();
}

void appendBigEndian(QByteArray &bytes, quint32 value, int size)
{
    for (int shift = (size - 1) * 8; shift >= 0; shift -= 8) {
        bytes.append(char((value >> shift) & 0xFF));
    }
}

// An APP1 Exif segment whose only IFD entry is Orientation (0x0112) = value.
QByteArray exifOrientationSegment(quint16 orientation)
{
    QByteArray tiff("MM\x00\x2A", 4);
    appendBigEndian(tiff, 8, 4);           // offset of IFD0
    appendBigEndian(tiff, 1, 2);           // one entry
    appendBigEndian(tiff, 0x0112, 2);      // Orientation
    appendBigEndian(tiff, 3, 2);           // SHORT
    appendBigEndian(tiff, 1, 4);           // one value
    appendBigEndian(tiff, orientation, 2); // the value, left-aligned
    appendBigEndian(tiff, 0, 2);
    appendBigEndian(tiff, 0, 4); // no next IFD
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    appendBigEndian(segment, quint32(payload.size() + 2), 2);
    return segment + payload;
}

// Inserts the segment after SOI and the JFIF segment, where cameras put it.
QByteArray withSegment(QByteArray jpeg, const QByteArray &segment)
{
    int at = 2;
    if (uchar(jpeg[2]) == 0xFF && uchar(jpeg[3]) == 0xE0) {
        at += 2 + qFromBigEndian<quint16>(jpeg.constData() + 4);
    }
    return jpeg.insert(at, segment);
}

quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= uchar(c);
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    QByteArray chunk;
    appendBigEndian(chunk, quint32(data.size()), 4);
    chunk += type + data;
    appendBigEndian(chunk, crc32(type + data), 4);
    return chunk;
}

// A PNG of width x height RGBA pixels whose image data holds two transparent
// rows of two pixels: complete for 2x2, only a header's worth for larger sizes.
QByteArray handMadePng(quint32 width, quint32 height)
{
    QByteArray ihdr;
    appendBigEndian(ihdr, width, 4);
    appendBigEndian(ihdr, height, 4);
    ihdr += QByteArray("\x08\x06\x00\x00\x00", 5);        // 8 bit RGBA, deflate, no interlace
    const QByteArray rows(2 * (1 + 2 * 4), '\0');         // filter byte + 2 pixels, twice
    const QByteArray zlibStream = qCompress(rows).mid(4); // without Qt's length prefix
    return QByteArray("\x89PNG\r\n\x1A\n", 8) + pngChunk("IHDR", ihdr) +
           pngChunk("IDAT", zlibStream) + pngChunk("IEND", QByteArray());
}

} // namespace

class TestImageFiles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(dir_.isValid());
    }

    void classifiesFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("imageFile");
        QTest::addColumn<bool>("valid");

        const QImage picture = twoColourImage(320, 240);
        const QByteArray jpeg = encode(picture, "jpeg");
        const QByteArray png = encode(picture, "png");
        QVERIFY(jpeg.endsWith("\xFF\xD9") && !png.isEmpty());

        QTest::newRow("photo") << u"a.jpg"_s << jpeg << true << true;
        QTest::newRow("photo still being copied")
            << u"c.jpg"_s << jpeg.left(jpeg.size() * 6 / 10) << true << false;
        QTest::newRow("photo missing only its end marker")
            << u"d.jpg"_s << jpeg.chopped(2) << true << false;
        QTest::newRow("photo padded with zeros")
            << u"e.jpg"_s << jpeg + QByteArray(5000, '\0') << true << true;
        QTest::newRow("zero bytes") << u"f.jpg"_s << QByteArray() << true << false;
        QTest::newRow("PNG named .jpg") << u"g.jpg"_s << png << true << true;
        QTest::newRow("PNG") << u"h.png"_s << png << true << true;
        QTest::newRow("PNG still being copied")
            << u"h2.png"_s << png.left(png.size() / 2) << true << false;
        QTest::newRow("text") << u"notes.txt"_s << QByteArray("just some notes\n") << false
                              << false;
        QTest::newRow("text named .jpg")
            << u"i.jpg"_s << QByteArray("just some notes\n") << true << false;
        QTest::newRow("PNG without extension") << u"pngdata"_s << png << true << true;
        QTest::newRow("JPEG without extension") << u"jpegdata"_s << jpeg << true << true;
        QTest::newRow("text without extension")
            << u"readme"_s << QByteArray("hello\n") << false << false;
        QTest::newRow("XML info file")
            << u"12345678.xml"_s << QByteArray("<?xml version=\"1.0\"?><a/>") << false << false;
    }

    void classifiesFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, imageFile);
        QFETCH(bool, valid);
        const QString path = write(name, bytes);
        QVERIFY(!path.isEmpty());
        QCOMPARE(isImageFile(path), imageFile);
        QCOMPARE(IsValidImageObject(path), valid);
    }

    void refusesWhatIsNoReadableFile()
    {
        const QByteArray jpeg = encode(twoColourImage(64, 64), "jpeg");
        QVERIFY(!isImageFile(QString()));
        QVERIFY(!IsValidImageObject(QString()));
        QVERIFY(!isImageFile(dir_.filePath(u"missing.jpg"_s)));
        QVERIFY(!IsValidImageObject(dir_.filePath(u"missing.jpg"_s)));
        QVERIFY(QDir(dir_.path()).mkdir(u"folder.jpg"_s));
        QVERIFY(!isImageFile(dir_.filePath(u"folder.jpg"_s)));
        QVERIFY(!IsValidImageObject(dir_.filePath(u"folder.jpg"_s)));

        // A pipe in a photo folder must not block the reader waiting for a writer.
        const QString pipe = dir_.filePath(u"pipe.jpg"_s);
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QVERIFY(!isImageFile(pipe));
        QVERIFY(!IsValidImageObject(pipe));
        QVERIFY(readImage(pipe).isNull());

        const QString locked = write(u"locked.jpg"_s, jpeg);
        QVERIFY(QFile::setPermissions(locked, QFileDevice::WriteOwner));
        if (geteuid() == 0) {
            QSKIP("root reads every file");
        }
        QVERIFY(!isImageFile(locked));
        QVERIFY(!IsValidImageObject(locked));
    }

    void endOfImageMarker_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("complete");

        const QByteArray body(5000, 'x');
        QTest::newRow("marker at the end") << body + "\xFF\xD9" << true;
        QTest::newRow("marker then zeros") << body + "\xFF\xD9" + QByteArray(100, '\0') << true;
        QTest::newRow("marker then more zeros than one read")
            << body + "\xFF\xD9" + QByteArray(20000, '\0') << true;
        // FF as the last byte of one read, D9 as the first of the next.
        QTest::newRow("marker split across reads")
            << QByteArray(4095, 'x') + "\xFF\xD9" + QByteArray(4095, '\0') << true;
        QTest::newRow("D9 alone") << body + "x\xD9" << false;
        QTest::newRow("D9 alone at the start") << QByteArray("\xD9") << false;
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

    void readsExifRotatedPhotoUpright()
    {
        const QByteArray plain = encode(twoColourImage(80, 40), "jpeg");
        const QString path = write(u"turned.jpg"_s, withSegment(plain, exifOrientationSegment(6)));
        // The file itself holds a landscape picture...
        QCOMPARE(QImage(path).size(), QSize(80, 40));
        QVERIFY(IsValidImageObject(path));

        // ...that was taken upright: turned a quarter clockwise, red on top.
        const QImage upright = readImage(path);
        QCOMPARE(upright.size(), QSize(40, 80));
        QVERIFY(qRed(upright.pixel(20, 5)) > 200 && qBlue(upright.pixel(20, 5)) < 60);
        QVERIFY(qBlue(upright.pixel(20, 75)) > 200 && qRed(upright.pixel(20, 75)) < 60);

        // Fitting counts in the upright size.
        const QImage small = readImage(path, QSize(20, 20));
        QCOMPARE(small.size(), QSize(10, 20));
        QVERIFY(qRed(small.pixel(5, 2)) > 200);
    }

    void readsScaledToFit()
    {
        const QString jpeg = write(u"big.jpg"_s, encode(twoColourImage(800, 600), "jpeg"));
        const QString png = write(u"big.png"_s, encode(twoColourImage(800, 600), "png"));
        for (const QString &path : {jpeg, png}) {
            QCOMPARE(readImage(path, QSize(200, 200)).size(), QSize(200, 150));
            QCOMPARE(readImage(path, QSize(1000, 100)).size(), QSize(133, 100));
            // Never enlarged.
            QCOMPARE(readImage(path, QSize(4000, 4000)).size(), QSize(800, 600));
            QCOMPARE(readImage(path).size(), QSize(800, 600));
        }
        QVERIFY(readImage(dir_.filePath(u"missing.jpg"_s)).isNull());
        QVERIFY(readImage(write(u"junk.jpg"_s, "junk")).isNull());
    }

    void refusesHugeDeclaredSize()
    {
        // The hand-made file is a real PNG: at 2x2 it reads.
        const QString small = write(u"small.png"_s, handMadePng(2, 2));
        QVERIFY(IsValidImageObject(small));
        QCOMPARE(readImage(small).size(), QSize(2, 2));

        const QString path = write(u"huge.png"_s, handMadePng(100000, 100000));
        QVERIFY(isImageFile(path));
        QVERIFY(exceedsImageAllocationLimit(QSize(100000, 100000)));
        QVERIFY(!exceedsImageAllocationLimit(QSize(6000, 4000)));
        QVERIFY(!IsValidImageObject(path));
        QVERIFY(readImage(path).isNull());
        QVERIFY(readImage(path, QSize(1920, 1080)).isNull());
    }

private:
    QString write(const QString &name, const QByteArray &bytes)
    {
        return TestSupport::writeFile(dir_.filePath(name), bytes) ? dir_.filePath(name) : QString();
    }
    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(TestImageFiles)

#include "tst_imagefiles.moc"
