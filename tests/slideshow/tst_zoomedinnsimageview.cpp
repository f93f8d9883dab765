#include "platform/NotificationCenter.h"
#include "shell/CommonHeader.h"
#include "slideshow/zoomedInNSImageView.h"

#include <QApplication>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestZoomedInNSImageView : public QObject
{
    Q_OBJECT

private slots:
    void clickAsksToClose()
    {
        NotificationCenter center;
        QObject observer;
        QList<Notification> seen;
        center.addObserver(&observer, QString(), [&seen](const Notification &n) { seen << n; });
        zoomedInNSImageView view(nullptr, &center);
        view.resize(200, 100);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen.first().name, kCloseZoomedInWindow);
        QVERIFY(!seen.first().object.isValid());
        QVERIFY(seen.first().userInfo.isEmpty());
    }

    void fillsItsWindow()
    {
        QWidget window;
        window.resize(640, 480);
        auto *view = new zoomedInNSImageView(&window);
        view->setGeometry(10, 10, 50, 50);
        view->resizeSelfToParent();
        QCOMPARE(view->geometry(), QRect(0, 0, 640, 480));
    }

    void scalesProportionally_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("same proportions, enlarged") << QSize(40, 30) << QRectF(0, 0, 640, 480);
        QTest::newRow("portrait") << QSize(300, 400) << QRectF(140, 0, 360, 480);
        QTest::newRow("panorama, reduced") << QSize(3200, 800) << QRectF(0, 160, 640, 160);
    }

    void scalesProportionally()
    {
        QFETCH(QSize, image);
        QFETCH(QRectF, expected);
        zoomedInNSImageView view;
        view.resize(640, 480);
        QPalette palette = view.palette();
        palette.setColor(QPalette::Window, Qt::black);
        view.setPalette(palette);
        view.setAutoFillBackground(true);
        QImage picture(image, QImage::Format_RGB32);
        picture.fill(Qt::yellow);
        view.setImage(picture);
        QCOMPARE(view.imageRect(), expected);
        const QImage shown = view.grab().toImage();
        const QPoint inside = expected.center().toPoint();
        QCOMPARE(shown.pixelColor(inside), QColor(Qt::yellow));
        if (expected.left() > 1) {
            QCOMPARE(shown.pixelColor(1, inside.y()), QColor(Qt::black));
        }
    }
};

QTEST_MAIN(TestZoomedInNSImageView)
#include "tst_zoomedinnsimageview.moc"
