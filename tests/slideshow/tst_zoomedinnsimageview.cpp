// Guards the zoomed-in photo: closing on a click, filling its window, painting the photo.
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

    // The fit itself is tested with the other views' in tst_slideshowview.
    void paintsTheImageScaledOnBlack()
    {
        zoomedInNSImageView view;
        view.resize(640, 480);
        QPalette palette = view.palette();
        palette.setColor(QPalette::Window, Qt::black);
        view.setPalette(palette);
        view.setAutoFillBackground(true);
        QImage picture(300, 400, QImage::Format_RGB32);
        picture.fill(Qt::yellow);
        view.setImage(picture);
        QCOMPARE(view.imageRect(), QRectF(140, 0, 360, 480));
        const QImage shown = view.grab().toImage();
        QCOMPARE(shown.pixelColor(320, 240), QColor(Qt::yellow));
        QCOMPARE(shown.pixelColor(1, 240), QColor(Qt::black));
    }
};

QTEST_MAIN(TestZoomedInNSImageView)
#include "tst_zoomedinnsimageview.moc"
