#include "TestHarness.h"
#include "TestSupport.h"
#include "intake/OverlayCompositor.h"

#include <QImageWriter>
#include <QPainter>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Overlay: transparent, with an opaque green band along the top edge.
QImage overlayPicture(QSize size)
{
    QImage overlay(size, QImage::Format_ARGB32);
    overlay.fill(Qt::transparent);
    QPainter(&overlay).fillRect(0, 0, size.width(), 6, Qt::green);
    return overlay;
}

} // namespace

using TestHarness::near;

// Guards the framed composite: the photo is centred upright under the overlay of its orientation,
// and no composite is made without a usable overlay, photo or destination.
class tst_OverlayCompositor : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        fDir = std::make_unique<QTemporaryDir>();
        QVERIFY(fDir->isValid());
        QVERIFY(QDir().mkpath(path(u"Desktop"_s)));
        fCompositor = std::make_unique<OverlayCompositor>(path(u"Desktop/"_s), path(u"out.jpg"_s));
    }
    void compositeCentresPhotoUnderOverlay_data()
    {
        QTest::addColumn<QSize>("photo");
        QTest::addColumn<QString>("overlayName");
        QTest::addColumn<QSize>("overlay");
        QTest::addColumn<QRect>("inside");   // well inside the photo's rectangle
        QTest::addColumn<QPoint>("outside"); // canvas left black
        // Full-size photo and overlay sizes, scaled to a tenth.
        QTest::newRow("landscape") << QSize(300, 200) << u"Slideshow_LS.png"_s << QSize(180, 120)
                                   << QRect(10, 20, 160, 90) << QPoint(-1, -1);
        QTest::newRow("portrait") << QSize(200, 300) << u"Slideshow_PRT.png"_s << QSize(120, 180)
                                  << QRect(22, 30, 76, 120) << QPoint(7, 90);
        QTest::newRow("square") << QSize(200, 200) << u"Slideshow_LS.png"_s << QSize(180, 120)
                                << QRect(52, 24, 76, 72) << QPoint(20, 60);
    }
    void compositeCentresPhotoUnderOverlay()
    {
        QFETCH(QSize, photo);
        QFETCH(QString, overlayName);
        QFETCH(QSize, overlay);
        QFETCH(QRect, inside);
        QFETCH(QPoint, outside);
        QVERIFY(overlayPicture(overlay).save(path(u"Desktop/"_s + overlayName)));
        QVERIFY(TestHarness::writeJpeg(path(u"photo.jpg"_s), photo, Qt::red));

        QCOMPARE(fCompositor->applyOverlayToSourceItem(path(u"photo.jpg"_s)), path(u"out.jpg"_s));
        const QImage result(path(u"out.jpg"_s), "jpeg");
        QCOMPARE(result.size(), overlay);
        QVERIFY(near(result.pixel(overlay.width() / 2, 2), Qt::green)); // overlay drawn on top
        for (const QPoint corner : {inside.topLeft(), inside.bottomRight(), inside.center()}) {
            QVERIFY2(near(result.pixel(corner), Qt::red),
                     qPrintable(u"%1,%2"_s.arg(corner.x()).arg(corner.y())));
        }
        if (outside.x() >= 0) {
            QVERIFY(near(result.pixel(outside), Qt::black));
        }
    }

    void exifRotatedPhotoIsFramedUpright()
    {
        // Stored 300x200 (left red, right blue) but turned 90 degrees clockwise
        // by its orientation: shown 200x300, so it is a portrait photo with red on top.
        QImage stored(300, 200, QImage::Format_RGB32);
        stored.fill(Qt::blue);
        QPainter(&stored).fillRect(0, 0, 150, 200, Qt::red);
        QImageWriter writer(path(u"turned.jpg"_s), "jpeg");
        writer.setTransformation(QImageIOHandler::TransformationRotate90); // Exif orientation 6
        QVERIFY(writer.write(stored));
        QVERIFY(overlayPicture({180, 120}).save(path(u"Desktop/Slideshow_LS.png"_s)));
        QVERIFY(overlayPicture({120, 180}).save(path(u"Desktop/Slideshow_PRT.png"_s)));

        QCOMPARE(fCompositor->applyOverlayToSourceItem(path(u"turned.jpg"_s)), path(u"out.jpg"_s));
        const QImage result(path(u"out.jpg"_s), "jpeg");
        QCOMPARE(result.size(), QSize(120, 180));
        // Photo rectangle (15, 22.5, 90, 135): red in its upper half, blue below.
        QVERIFY(near(result.pixel(60, 50), Qt::red));
        QVERIFY(near(result.pixel(60, 130), Qt::blue));
        QVERIFY(near(result.pixel(5, 90), Qt::black));
    }

    void noCompositeWithoutOverlayOrPhoto()
    {
        QVERIFY(TestHarness::writeJpeg(path(u"portrait.jpg"_s), {200, 300}, Qt::red));
        QVERIFY(overlayPicture({180, 120}).save(path(u"Desktop/Slideshow_LS.png"_s)));
        // Only the landscape overlay: a portrait photo stays unframed.
        QVERIFY(fCompositor->applyOverlayToSourceItem(path(u"portrait.jpg"_s)).isNull());
        QVERIFY(TestSupport::writeFile(path(u"broken.jpg"_s), "not a photo"));
        QVERIFY(fCompositor->applyOverlayToSourceItem(path(u"broken.jpg"_s)).isNull());
        QVERIFY(fCompositor->applyOverlayToSourceItem(path(u"missing.jpg"_s)).isNull());
        // An overlay that does not decode.
        QVERIFY(TestSupport::writeFile(path(u"Desktop/Slideshow_PRT.png"_s), "garbage"));
        QVERIFY(fCompositor->applyOverlayToSourceItem(path(u"portrait.jpg"_s)).isNull());
        QVERIFY(!QFile::exists(path(u"out.jpg"_s)));
        // A composite that cannot be written.
        QVERIFY(TestHarness::writeJpeg(path(u"photo.jpg"_s), {300, 200}, Qt::red));
        OverlayCompositor unwritable(path(u"Desktop"_s), path(u"no/such/folder/out.jpg"_s));
        QVERIFY(unwritable.applyOverlayToSourceItem(path(u"photo.jpg"_s)).isNull());
    }

    void changedOverlayIsReadAgain()
    {
        QVERIFY(TestHarness::writeJpeg(path(u"photo.jpg"_s), {300, 200}, Qt::red));
        QVERIFY(overlayPicture({180, 120}).save(path(u"Desktop/Slideshow_LS.png"_s)));
        QVERIFY(!fCompositor->applyOverlayToSourceItem(path(u"photo.jpg"_s)).isNull());
        QCOMPARE(QImage(path(u"out.jpg"_s)).size(), QSize(180, 120));
        QVERIFY(overlayPicture({240, 160}).save(path(u"Desktop/Slideshow_LS.png"_s)));
        QVERIFY(!fCompositor->applyOverlayToSourceItem(path(u"photo.jpg"_s)).isNull());
        QCOMPARE(QImage(path(u"out.jpg"_s)).size(), QSize(240, 160));
    }

private:
    QString path(const QString &relative) const { return fDir->filePath(relative); }
    std::unique_ptr<QTemporaryDir> fDir;
    std::unique_ptr<OverlayCompositor> fCompositor;
};

QTEST_MAIN(tst_OverlayCompositor)
#include "tst_overlaycompositor.moc"
