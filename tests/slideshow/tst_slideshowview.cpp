// Guards the photo view: aspect fit, transition names, frames of every transition family.
#include "StderrCapture.h"

#include "shell/CommonHeader.h"
#include "slideshow/AspectFit.h"
#include "slideshow/OffscreenTransitionRenderer.h"
#include "slideshow/OpenGLProbe.h"
#include "slideshow/SlideshowView.h"
#include "slideshow/SoftwareTransitionPainter.h"
#include "slideshow/TransitionImages.h"
#include "slideshow/TransitionRegions.h"

#include "platform/Bundle.h"

#include <QApplication>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QSize kView(480, 270);

// A photo with structure in both directions, so that shifted, mirrored or
// mixed pictures all differ from it.
QImage photo(QSize size, QColor a, QColor b)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height() / 3.0);
    gradient.setColorAt(0, a);
    gradient.setColorAt(1, b);
    painter.fillRect(image.rect(), gradient);
    painter.fillRect(
        QRect(size.width() / 8, size.height() / 6, size.width() / 5, size.height() / 2), Qt::white);
    return image;
}

QImage from()
{
    return photo(kView, QColor(200, 30, 20), QColor(240, 210, 40));
}
QImage to()
{
    return photo(kView, QColor(20, 40, 190), QColor(30, 200, 220));
}

// Mean absolute difference per channel, 0..255.
double difference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size()) {
        return 255;
    }
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            sum += std::abs(qRed(p[col]) - qRed(q[col])) +
                   std::abs(qGreen(p[col]) - qGreen(q[col])) +
                   std::abs(qBlue(p[col]) - qBlue(q[col]));
        }
    }
    return sum / (3.0 * x.width() * x.height());
}

constexpr double kSame = 1.5;
constexpr double kDifferent = 6.0;

// The window's background, as a display window would give it.
void blackBackground(QWidget &view)
{
    QPalette palette = view.palette();
    palette.setColor(QPalette::Window, Qt::black);
    view.setPalette(palette);
}

} // namespace

class TestSlideshowView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void aspectFit_data()
    {
        QTest::addColumn<QSizeF>("image");
        QTest::addColumn<QRectF>("bounds");
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("landscape, view wider")
            << QSizeF(4000, 3000) << QRectF(0, 0, 1920, 1200) << QRectF(160, 0, 1600, 1200);
        QTest::newRow("portrait") << QSizeF(3000, 4000) << QRectF(0, 0, 1920, 1080)
                                  << QRectF(555, 0, 810, 1080);
        QTest::newRow("panorama") << QSizeF(3000, 1000) << QRectF(0, 0, 1920, 1080)
                                  << QRectF(0, 220, 1920, 640);
        QTest::newRow("bounds origin not added")
            << QSizeF(4000, 3000) << QRectF(100, 50, 1920, 1200) << QRectF(160, 0, 1600, 1200);
        QTest::newRow("empty image") << QSizeF(0, 0) << QRectF(0, 0, 1920, 1080) << QRectF();
        QTest::newRow("empty view") << QSizeF(400, 300) << QRectF(0, 0, 0, 1080) << QRectF();
    }

    void aspectFit()
    {
        QFETCH(QSizeF, image);
        QFETCH(QRectF, bounds);
        QFETCH(QRectF, expected);
        QCOMPARE(computeMaxRect(image, bounds), expected);
    }

    void transitionNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("known");
        QTest::newRow("none, mixed case")
            << u"nO TRANSITION eFFECT"_s << int(TransitionKind::None) << true;
        // The other names are caught by the read-back of every transition below.
        QTest::newRow("fade") << kTransitionFade << int(TransitionKind::Fade) << true;
        QTest::newRow("ripple") << kTransitionRipple << int(TransitionKind::Ripple) << true;
        // Filter and animation names are exact.
        QTest::newRow("Fade") << u"Fade"_s << int(TransitionKind::Fade) << false;
        QTest::newRow("ciripple") << u"cirippletransition"_s << int(TransitionKind::Fade) << false;
        QTest::newRow("unknown") << u"CIZoomBlur"_s << int(TransitionKind::Fade) << false;
    }

    void transitionNames()
    {
        QFETCH(QString, name);
        QFETCH(int, kind);
        QFETCH(bool, known);
        const TransitionSettings t = transitionSettingsFor(name, QRectF(0, 0, 1920, 1080));
        QCOMPARE(int(t.kind), kind);
        QCOMPARE(t.knownName, known);
        QCOMPARE(t.durationSeconds, 1.0);
    }

    void viewUsesItsOwnBoundsAtTheCall()
    {
        SlideshowView view(nullptr, SlideshowView::Renderer::Software);
        view.resize(1920, 1080);
        // The rectangle argument does not count.
        QCOMPARE(view.computeMaxRectForImage(QImage(3000, 4000, QImage::Format_Mono),
                                             QRectF(7, 7, 10, 10)),
                 QRectF(555, 0, 810, 1080));

        view.resize(800, 600);
        view.updateSubviewsWithTransition(kTransitionRipple);
        view.resize(1000, 700);
        QCOMPARE(view.transition().center, QPointF(400, 300));
        QCOMPARE(view.transition().extent, QRectF(0, 0, 800, 600));

        const TransitionSettings curl =
            transitionSettingsFor(kTransitionPageCurl, QRectF(0, 0, 640, 480));
        QCOMPARE(float(curl.angle), -0.7853982f);
        QCOMPARE(curl.extent, QRectF(0, 0, 640, 480));
        // The mask is stretched to the view, whatever its own proportions.
        const TransitionSettings crumble = transitionSettingsFor(
            kTransitionDisintegrateWithMask, QRectF(0, 0, 1920, 1080), QSize(256, 128));
        QVERIFY(std::abs(crumble.maskSize.width() - 1920) < 0.01);
        QVERIFY(std::abs(crumble.maskSize.height() - 1080) < 0.01);
    }

    void namesThatAreLogged()
    {
        SlideshowView view(nullptr, SlideshowView::Renderer::Software);
        StderrCapture capture;
        view.updateSubviewsWithTransition(u"NO transition EFFECT"_s);
        view.updateSubviewsWithTransition(u"CIZoomBlur"_s);
        view.updateSubviewsWithTransition(kTransitionMod);
        view.updateSubviewsWithTransition(kTransitionPush);
        const QString log = capture.finish();
        QVERIFY(log.contains(kLogNoTransitionEffectSet.arg(u"SlideshowView"_s)));
        QVERIFY(log.contains(kLogUnknownTransition.arg(u"SlideshowView"_s, u"CIZoomBlur"_s)));
        // Without OpenGL a filter is faded, and said so once.
        QCOMPARE(log.count(kLogTransitionNeedsOpenGL.arg(u"SlideshowView"_s, kTransitionMod)), 1);
        QCOMPARE(log.count(u"SlideshowView"_s), 3);
    }

    void softwareTransitions_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString &name : {kTransitionFade, kTransitionMoveIn, kTransitionPush,
                                    kTransitionReveal, kTransitionFlash}) {
            QTest::newRow(qPrintable(name)) << name;
        }
    }

    void softwareTransitions()
    {
        QFETCH(QString, name);
        const QImage a = from();
        const QImage b = to();
        auto frame = [&](double p) {
            return SoftwareTransitionPainter::renderFrame(name, a, b, p, kView);
        };
        QVERIFY(difference(frame(0), a) < kSame);
        QVERIFY(difference(frame(1), b) < kSame);
        const QImage half = frame(0.5);
        QVERIFY(difference(half, a) > kDifferent);
        QVERIFY(difference(half, b) > kDifferent);
        if (name == kTransitionFlash) {
            // Filters are faded without OpenGL.
            QVERIFY(difference(half, SoftwareTransitionPainter::renderFrame(kTransitionFade, a, b,
                                                                            0.5, kView)) < kSame);
        }
    }

    void viewShowsHidesAndEmpties_data()
    {
        QTest::addColumn<bool>("openGL");
        QTest::newRow("software") << false;
        QTest::newRow("OpenGL") << true;
    }

    void viewShowsHidesAndEmpties()
    {
        QFETCH(bool, openGL);
        if (openGL) {
            skipWithoutOpenGL();
        }
        SlideshowView view(nullptr, openGL ? SlideshowView::Renderer::OpenGL
                                           : SlideshowView::Renderer::Software);
        QCOMPARE(view.usesOpenGL(), openGL);
        blackBackground(view);
        view.resize(kView);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(!view.hasCurrentImage());
        view.doHide(true); // nothing shown yet: nothing to hide
        QCoreApplication::processEvents();
        QVERIFY(!view.isCurrentImageHidden());

        view.updateSubviewsWithTransition(u"no transition effect"_s);
        view.transitionToImage(from());
        QVERIFY(!view.isTransitionRunning()); // at once
        QVERIFY(difference(view.grabFrame(), from()) < kSame);

        view.updateSubviewsWithTransition(kTransitionFade);
        view.transitionToImage(to());
        QVERIFY(view.isTransitionRunning());
        // The first frame after the upload is the outgoing photo, never a blank.
        const QImage first = view.grabFrame();
        QVERIFY(difference(first, from()) < difference(first, to()) / 2);
        QTRY_VERIFY_WITH_TIMEOUT(!view.isTransitionRunning(), 10000);
        QVERIFY(difference(view.grabFrame(), to()) < kSame);

        view.doHide(true);
        QVERIFY(!view.isCurrentImageHidden()); // later, on the main thread
        QTRY_VERIFY(view.isCurrentImageHidden());
        const QImage hidden = view.grabFrame();
        QCOMPARE(hidden.pixelColor(kView.width() / 2, kView.height() / 2), QColor(Qt::black));

        // The next photo is shown, visible again.
        view.updateSubviewsWithTransition(kNoTransitionEffect);
        view.transitionToImage(from());
        QVERIFY(!view.isCurrentImageHidden());
        QVERIFY(difference(view.grabFrame(), from()) < kSame);

        view.transitionToImage(QImage());
        QVERIFY(!view.hasCurrentImage());
        QCOMPARE(view.grabFrame().pixelColor(10, 10), QColor(Qt::black));
    }

    void automaticChoiceWithoutOpenGL()
    {
        if (QGuiApplication::platformName() != u"offscreen"_s) {
            // Run this case again in a process of its own on the offscreen platform.
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
            env.insert(u"OVRA_TEST_KEEP_PLATFORM"_s, u"1"_s);
            child.setProcessEnvironment(env);
            child.start(QCoreApplication::applicationFilePath(),
                        {u"automaticChoiceWithoutOpenGL"_s});
            QVERIFY(child.waitForFinished(60000));
            const QString output = QString::fromLocal8Bit(child.readAll());
            QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                     qPrintable(output));
            QVERIFY2(
                output.contains(u"PASS   : TestSlideshowView::automaticChoiceWithoutOpenGL()"_s),
                qPrintable(output));
            return;
        }
        StderrCapture capture;
        SlideshowView view;
        const QString log = capture.finish();
        QVERIFY(!view.usesOpenGL());
        QVERIFY(log.contains(u"no OpenGL on platform [offscreen]"_s));
        blackBackground(view);
        view.resize(kView);
        view.show();
        view.updateSubviewsWithTransition(kTransitionPageCurl);
        view.transitionToImage(from());
        QTRY_VERIFY_WITH_TIMEOUT(!view.isTransitionRunning(), 10000);
        QVERIFY(difference(view.grabFrame(), from()) < kSame);
        QVERIFY(OffscreenTransitionRenderer(kView).errorString().contains(u"no OpenGL"_s));
    }

    void glTransitions_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString &name : availableTransitionNames()) {
            QTest::newRow(qPrintable(name)) << name;
        }
    }

    void glTransitions()
    {
        skipWithoutOpenGL();
        QFETCH(QString, name);
        const TransitionImages images = TransitionImages::load(Bundle::mainBundle());
        QVERIFY2(!images.shading.isNull() && !images.mask.isNull(),
                 "the transition images are missing");
        OffscreenTransitionRenderer renderer(kView, images.shading, images.mask);
        QVERIFY2(renderer.isValid(), qPrintable(renderer.errorString()));
        renderer.setPhotos(from(), to());
        const QImage start = renderer.renderFrame(name, 0.0);
        const QImage half = renderer.renderFrame(name, 0.5);
        const QImage end = renderer.renderFrame(name, 1.0);
        QVERIFY2(!half.isNull(), "the transition's shader does not build");
        // The photos are the view's size: the still pictures are the photos themselves.
        QVERIFY2(difference(start, from()) < kSame,
                 qPrintable(QString::number(difference(start, from()))));
        QVERIFY2(difference(end, to()) < kSame, qPrintable(QString::number(difference(end, to()))));
        QVERIFY(difference(half, from()) > kDifferent);
        QVERIFY(difference(half, to()) > kDifferent);
        if (name != kTransitionFade && name != kTransitionDissolve) {
            // A look of its own, not a fade standing in.
            QVERIFY(difference(half, renderer.renderFrame(kTransitionFade, 0.5)) > kDifferent / 3);
        }
    }

    void glTransitionAskedMidWayStartsFromTheScreen()
    {
        skipWithoutOpenGL();
        OffscreenTransitionRenderer renderer(kView);
        QVERIFY(renderer.isValid());
        renderer.setPhotos(from(), to());
        const QImage onScreen = renderer.renderFrame(kTransitionPush, 0.4);
        const QImage third = photo(QSize(360, 270), Qt::darkGreen, Qt::magenta); // pillarboxed
        renderer.interrupt(kTransitionPush, 0.4, third);
        QVERIFY(difference(renderer.renderFrame(kTransitionFade, 0.0), onScreen) < kSame);
        QVERIFY(difference(renderer.renderFrame(kTransitionFade, 1.0),
                           SoftwareTransitionPainter::renderFrame(kNoTransitionEffect, third, third,
                                                                  1.0, kView)) < kSame);
    }

    void regionsCoverTheViewOnce()
    {
        const QSizeF view(1920, 1080);
        for (const QString &name : availableTransitionNames()) {
            const TransitionSettings t = transitionSettingsFor(name, QRectF(QPointF(0, 0), view));
            for (double p : {0.0, 0.1, 0.37, 0.5, 0.81, 1.0}) {
                double area = 0;
                for (const auto &region : TransitionRegions::regionsOf(t, p, view)) {
                    const QPolygonF &poly = region.polygon;
                    double twice = 0;
                    for (qsizetype i = 0; i < poly.size(); ++i) {
                        const QPointF a = poly[i];
                        const QPointF b = poly[(i + 1) % poly.size()];
                        twice += a.x() * b.y() - b.x() * a.y();
                    }
                    area += std::abs(twice) / 2;
                    QVERIFY(poly.boundingRect()
                                .adjusted(-0.01, -0.01, 0.01, 0.01)
                                .intersects(QRectF(QPointF(0, 0), view)));
                }
                QVERIFY2(std::abs(area - view.width() * view.height()) < 1.0,
                         qPrintable(u"%1 at %2: %3"_s.arg(name).arg(p).arg(area)));
            }
        }
    }

    void glCopiedRegionsMatchTheWholeShader()
    {
        skipWithoutOpenGL();
        const TransitionImages images = TransitionImages::load(Bundle::mainBundle());
        OffscreenTransitionRenderer split(kView, images.shading, images.mask);
        OffscreenTransitionRenderer whole(kView, images.shading, images.mask);
        QVERIFY(split.isValid() && whole.isValid());
        whole.setRegionsEnabled(false);
        split.setPhotos(from(), to());
        whole.setPhotos(from(), to());
        for (const QString &name : availableTransitionNames()) {
            for (double p : {0.2, 0.5, 0.8}) {
                QVERIFY2(difference(split.renderFrame(name, p), whole.renderFrame(name, p)) < 0.05,
                         qPrintable(u"%1 at %2"_s.arg(name).arg(p)));
            }
        }
    }

private:
    static void skipWithoutOpenGL()
    {
        QString reason;
        if (!openGLUsable(&reason)) {
            QSKIP(qPrintable(u"no OpenGL here: "_s + reason));
        }
    }
};

int main(int argc, char *argv[])
{
    // ctest puts every test on the offscreen platform; the OpenGL cases need
    // the X server the suite runs under.
    if (!qEnvironmentVariableIsEmpty("DISPLAY") &&
        !qEnvironmentVariableIsSet("OVRA_TEST_KEEP_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    TestSlideshowView test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_slideshowview.moc"
