// Guards the display's views and windows: fit, every transition family, pattern, drag, code sheet.
#include "StderrCapture.h"
#include "TestHarness.h"

#include "shell/CommonHeader.h"
#include "slideshow/AspectFit.h"
#include "slideshow/OffscreenTransitionRenderer.h"
#include "slideshow/OpenGLProbe.h"
#include "slideshow/SelectDisplayWindowController.h"
#include "slideshow/SlideshowView.h"
#include "slideshow/SoftwareTransitionPainter.h"
#include "slideshow/TransitionImages.h"
#include "slideshow/TransitionRegions.h"
#include "slideshow/borderlessWindow.h"
#include "slideshow/zoomedInNSImageView.h"

#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "platform/PropertyList.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTemporaryDir>
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

// A transition between the view-sized photos: the ends are the photos
// themselves, half-way is neither.
bool movesFromTo(const QImage &start, const QImage &half, const QImage &end)
{
    const double a = difference(start, from());
    const double b = difference(end, to());
    if (a >= kSame || b >= kSame) {
        qWarning("the ends differ from the photos by %f and %f", a, b);
        return false;
    }
    return difference(half, from()) > kDifferent && difference(half, to()) > kDifferent;
}

// The window's background, as a display window would give it.
void blackBackground(QWidget &view)
{
    QPalette palette = view.palette();
    palette.setColor(QPalette::Window, Qt::black);
    view.setPalette(palette);
}

void mouse(QWidget &window, QEvent::Type type, QPoint global)
{
    const QPointF local = QPointF(global - window.frameGeometry().topLeft());
    QMouseEvent event(type, local, QPointF(global), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &event);
}

template <typename T> T *child(QObject &parent, const char *name)
{
    return parent.findChild<T *>(QLatin1String(name));
}

} // namespace

class TestSlideshowView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        store_ = std::make_unique<Preferences>(QString());
        home_ = dir_->filePath(u"home"_s);
        userData_ = home_ + u"/ovra-videowall"_s;
        QDir().mkpath(userData_);
        QDir().mkpath(dir_->filePath(u"store/root"_s));
        QDir().mkpath(dir_->filePath(u"share"_s));
        bundle_ = std::make_unique<Bundle>(QVariantMap(), dir_->path(), dir_->filePath(u"share"_s),
                                           dir_->filePath(u"libexec"_s));
        store_->setObject(dir_->filePath(u"store/root"_s), kPrefSlideShowPath);
        store_->setObject(QStringList{u"pattern"_s}, kPrefPatternImageBaseNames);
        seen_.clear();
        center_.removeObserver(&observer_);
        center_.addObserver(&observer_, QString(), [this](const Notification &n) {
            if (n.name != kUpdateWindow) {
                seen_ << n;
            }
        });
    }

    // The rows show which folders are searched, and in what order.
    void patternSearchOrder_data()
    {
        QTest::addColumn<QStringList>("baseNames");
        QTest::addColumn<QStringList>("files"); // relative to the temporary folder
        QTest::addColumn<QString>("expected");
        const QStringList one{u"pattern"_s};
        QTest::newRow("folders before extensions")
            << one << QStringList{u"home/ovra-videowall/pattern.png"_s, u"store/root/pattern.jpg"_s}
            << u"home/ovra-videowall/pattern.png"_s;
        QTest::newRow("jpg before png")
            << one << QStringList{u"store/root/pattern.png"_s, u"store/root/pattern.jpg"_s}
            << u"store/root/pattern.jpg"_s;
        QTest::newRow("extensions before base names")
            << QStringList{u"a"_s, u"b"_s}
            << QStringList{u"store/root/a.png"_s, u"store/root/b.jpg"_s} << u"store/root/b.jpg"_s;
        QTest::newRow("root before its parent")
            << one << QStringList{u"store/pattern.jpg"_s, u"store/root/pattern.png"_s}
            << u"store/root/pattern.png"_s;
        QTest::newRow("nothing") << one << QStringList{u"store/root/other.jpg"_s} << QString();
    }

    void patternSearchOrder()
    {
        QFETCH(QStringList, baseNames);
        QFETCH(QStringList, files);
        QFETCH(QString, expected);
        store_->setObject(baseNames, kPrefPatternImageBaseNames);
        for (const QString &file : files) {
            image(dir_->filePath(file), Qt::red);
        }
        StderrCapture capture;
        const BackgroundPattern found = findBackgroundPattern(sources());
        const QString log = capture.finish();
        QCOMPARE(found.path, expected.isEmpty() ? QString() : dir_->filePath(expected));
        QCOMPARE(found.image.isNull(), expected.isEmpty());
        if (!expected.isEmpty()) {
            QVERIFY(log.contains(kLogFoundPatternImage.arg(dir_->filePath(expected))));
        }
    }

    void noBaseNamesSkipsTheSearch()
    {
        store_->removeObjectForKey(kPrefPatternImageBaseNames);
        image(userData_ + u"/pattern.jpg"_s, Qt::red);
        QVERIFY(findBackgroundPattern(sources()).image.isNull());

        // A root that is no folder is not searched, its parent still is; and a
        // missing user-data folder means "~/OvraSlideShow" under the home given.
        store_->setObject(QStringList{u"pattern"_s}, kPrefPatternImageBaseNames);
        store_->setObject(dir_->filePath(u"store/missing"_s), kPrefSlideShowPath);
        image(home_ + u"/OvraSlideShow/pattern.png"_s, Qt::blue);
        BackgroundPatternSources s = sources();
        s.userDataPath.clear();
        StderrCapture capture;
        QCOMPARE(findBackgroundPattern(s).path, home_ + u"/OvraSlideShow/pattern.png"_s);
        QVERIFY(capture.finish().contains(kLogPathsToSearch.arg(
            u"(%1, %2)"_s.arg(home_ + u"/OvraSlideShow"_s, dir_->filePath(u"store"_s)))));

        // A root written with "~" lies under the home given.
        store_->setObject(u"~/photos"_s, kPrefSlideShowPath);
        QVERIFY(QDir().mkpath(home_ + u"/photos"_s));
        StderrCapture tilde;
        findBackgroundPattern(s);
        QVERIFY(tilde.finish().contains(kLogPathsToSearch.arg(
            u"(%1, %2, %3)"_s.arg(home_ + u"/OvraSlideShow"_s, home_ + u"/photos"_s, home_))));
    }

    void parentApplicationAccount_data()
    {
        QTest::addColumn<QVariant>("account");
        QTest::addColumn<QString>("expected");
        QTest::newRow("another account") << QVariant(u"Studio7"_s) << u"BG.jpg"_s;
        QTest::newRow("Fennick, any case") << QVariant(u"FENNICK"_s) << u"FennickBG.png"_s;
        QTest::newRow("no account") << QVariant() << u"FennickBG.png"_s;
    }

    void parentApplicationAccount()
    {
        QFETCH(QVariant, account);
        QFETCH(QString, expected);
        store_->removeObjectForKey(kPrefPatternImageBaseNames);
        store_->setObject(u"parent.plist"_s, kPrefParentAppPlistName);
        QVariantMap ostrel{{u"other"_s, 1}};
        if (account.isValid()) {
            ostrel.insert(kParentAppAccountKey, account);
        }
        const QVariantMap plist{
            {kParentAppRootEntry, QVariantMap{{kParentAppOstrelEntry, ostrel}}}};
        QDir().mkpath(home_ + u"/Library/Preferences"_s);
        QVERIFY(PropertyList::writeFileAtomically(home_ + u"/Library/Preferences/parent.plist"_s,
                                                  plist));
        for (const QString &name : {u"BG.png"_s, u"BG.jpg"_s, u"FennickBG.png"_s}) {
            image(dir_->filePath(u"share/"_s + name), Qt::green);
        }
        QCOMPARE(findBackgroundPattern(sources()).path, dir_->filePath(u"share/"_s + expected));

        // Without the fennick image, the plain "BG.png" is next.
        QFile::remove(dir_->filePath(u"share/FennickBG.png"_s));
        if (expected == u"FennickBG.png"_s) {
            QCOMPARE(findBackgroundPattern(sources()).path, dir_->filePath(u"share/BG.png"_s));
        }
    }

    void unreadableParentPreferencesAreLogged()
    {
        store_->setObject(u"parent.plist"_s, kPrefParentAppPlistName);
        QVERIFY(TestHarness::writeFile(home_ + u"/Library/Preferences/parent.plist"_s,
                                       "\x89PNG not a property list"));
        StderrCapture capture;
        QVERIFY(findBackgroundPattern(sources()).image.isNull());
        QVERIFY(capture.finish().contains(u"Error reading plist: "_s));
    }

    void windowWearsThePatternOrBlack()
    {
        image(userData_ + u"/pattern.png"_s, QColor(10, 200, 30));
        borderlessWindow patterned(QRect(0, 0, 200, 100), sources());
        const QBrush brush = patterned.palette().brush(QPalette::Window);
        QCOMPARE(brush.style(), Qt::TexturePattern);
        QCOMPARE(brush.textureImage().pixelColor(1, 1), QColor(10, 200, 30));
        QVERIFY(patterned.windowFlags().testFlag(Qt::FramelessWindowHint));

        QFile::remove(userData_ + u"/pattern.png"_s);
        borderlessWindow plain(QRect(0, 0, 200, 100), sources());
        QCOMPARE(plain.palette().color(QPalette::Window), QColor(Qt::black));
    }

    void dragFollowsTheMouseBelowTheMainScreenTop_data()
    {
        QTest::addColumn<bool>("menuBar");
        QTest::newRow("menu bar shown: dragged") << true;
        // The setting counts as it was when the window was made.
        QTest::newRow("menu bar hidden at creation: fixed") << false;
    }

    void dragFollowsTheMouseBelowTheMainScreenTop()
    {
        QFETCH(bool, menuBar);
        store_->setBool(menuBar, kPrefDoShowMenuBar);
        borderlessWindow window(QRect(100, 200, 300, 200), sources());
        store_->setBool(!menuBar, kPrefDoShowMenuBar); // too late for this window
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.canDragWindow(), menuBar);
        const QPoint start = window.frameGeometry().topLeft();
        mouse(window, QEvent::MouseButtonPress, start + QPoint(50, 40));
        mouse(window, QEvent::MouseMove, start + QPoint(150, 90));
        if (!menuBar) {
            QCOMPARE(window.frameGeometry().topLeft(), start);
            return;
        }
        QCOMPARE(window.frameGeometry().topLeft(), start + QPoint(100, 50));
        // Upwards it stops with its top at the main screen's top.
        const int top = QGuiApplication::primaryScreen()->geometry().top();
        mouse(window, QEvent::MouseMove, QPoint(start.x() + 80, top + 10));
        QCOMPARE(window.frameGeometry().topLeft(), QPoint(start.x() + 30, top));
        mouse(window, QEvent::MouseButtonRelease, QPoint(start.x() + 80, top + 10));
    }

    // The code sheet: nothing without a folder, nothing on cancel or Escape.
    void sheetPostsNothingWithoutFolderOrOnCancel()
    {
        SelectDisplayWindowController chooser(nullptr, &center_);
        QVariantMap p = param();
        p.remove(kKeySourcePath);
        chooser.showDialogWithParam(p);
        QVERIFY(!chooser.isVisible());
        chooser.ibAcceptButton();
        chooser.showDialogWithParam(param());
        QTest::mouseClick(child<QPushButton>(chooser, "ibCancelButton"), Qt::LeftButton);
        QVERIFY(!chooser.isVisible());
        chooser.showDialogWithParam(param());
        chooser.reject();
        QVERIFY(seen_.isEmpty());
    }

    void sheetFillsFieldsLocksMainScreenAndPostsTheChoice()
    {
        SelectDisplayWindowController chooser(nullptr, &center_);
        child<QLineEdit>(chooser, "ibTextField3")->setText(QStringLiteral("stale@example.org"));
        chooser.showDialogWithParam(param());
        QCOMPARE(child<QLineEdit>(chooser, "ibTextField1")->text(), QStringLiteral("A123"));
        QCOMPARE(child<QLineEdit>(chooser, "ibTextField2")->text(), QStringLiteral("Ann Example"));
        QCOMPARE(child<QLineEdit>(chooser, "ibTextField3")->text(), QString());
        QComboBox *popup = child<QComboBox>(chooser, "ibPopupButton");
        QCOMPARE(popup->count(), 3);
        QCOMPARE(popup->itemText(2), QStringLiteral("Display #3"));
        QCOMPARE(popup->currentIndex(), 1);
        const auto *model = qobject_cast<QStandardItemModel *>(popup->model());
        QVERIFY(!model->item(0)->isEnabled() && model->item(1)->isEnabled());
        // Test asks for a fresh list and keeps the locked main screen unchosen.
        popup->setCurrentIndex(0);
        QTest::mouseClick(child<QPushButton>(chooser, "ibTestButton"), Qt::LeftButton);
        QCOMPARE(seen_.size(), 1);
        QCOMPARE(seen_.first().name, kTestNotification);
        QCOMPARE(popup->currentIndex(), 1);
        // Accepting posts the chosen display and the code's folder.
        popup->setCurrentIndex(2);
        QTest::mouseClick(child<QPushButton>(chooser, "ibAcceptButton"), Qt::LeftButton);
        QVERIFY(!chooser.isVisible());
        QCOMPARE(seen_.size(), 2);
        QCOMPARE(seen_.last().name, kSlideShowParamChanged);
        QCOMPARE(seen_.last().userInfo.value(kKeyScreenIndex).toInt(), 2);
        QCOMPARE(seen_.last().userInfo.value(kKeySourcePath).toString(),
                 QStringLiteral("/photos/2026-12-06/A123"));
    }

    void sheetWithOneDisplayKeepsItSelectable()
    {
        SelectDisplayWindowController chooser(nullptr, &center_);
        QVariantMap p = param();
        p[kKeyDisplayNamesArrayController] = displays(1);
        chooser.showDialogWithParam(p);
        QComboBox *popup = child<QComboBox>(chooser, "ibPopupButton");
        QCOMPARE(popup->currentIndex(), 0);
        QVERIFY(qobject_cast<QStandardItemModel *>(popup->model())->item(0)->isEnabled());
        chooser.ibAcceptButton();
        QCOMPARE(seen_.size(), 1);
        QCOMPARE(seen_.first().userInfo.value(kKeyScreenIndex).toInt(), 0);
    }

    // The zoomed photo fills its window, paints the photo fitted on black and
    // asks to close on a click. The fit itself is tested in tst_slideshowview.
    void zoomedPhotoFillsPaintsAndClosesOnAClick()
    {
        QWidget window;
        window.resize(640, 480);
        auto *view = new zoomedInNSImageView(&window, &center_);
        view->setGeometry(10, 10, 50, 50);
        view->resizeSelfToParent();
        QCOMPARE(view->geometry(), QRect(0, 0, 640, 480));
        blackBackground(*view);
        view->setAutoFillBackground(true);
        QImage picture(300, 400, QImage::Format_RGB32);
        picture.fill(Qt::yellow);
        view->setImage(picture);
        QCOMPARE(view->imageRect(), QRectF(140, 0, 360, 480));
        const QImage shown = view->grab().toImage();
        QCOMPARE(shown.pixelColor(320, 240), QColor(Qt::yellow));
        QCOMPARE(shown.pixelColor(1, 240), QColor(Qt::black));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(seen_.size(), 1);
        QCOMPARE(seen_.first().name, kCloseZoomedInWindow);
    }

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
        QCOMPARE(crumble.maskSize.toSize(), QSize(1920, 1080));
    }

    void namesThatAreLogged()
    {
        SlideshowView view(nullptr, SlideshowView::Renderer::Software);
        StderrCapture capture;
        view.updateSubviewsWithTransition(u"NO transition EFFECT"_s);
        // Filter and animation names are exact: other cases are unknown.
        const QStringList unknown{u"CIZoomBlur"_s, u"Fade"_s, u"cirippletransition"_s};
        for (const QString &name : unknown) {
            view.updateSubviewsWithTransition(name);
            QCOMPARE(view.transition().kind, TransitionKind::Fade);
        }
        QCOMPARE(view.transition().durationSeconds, 1.0);
        view.updateSubviewsWithTransition(kTransitionMod);
        view.updateSubviewsWithTransition(kTransitionPush);
        const QString log = capture.finish();
        QVERIFY(log.contains(kLogNoTransitionEffectSet.arg(u"SlideshowView"_s)));
        for (const QString &name : unknown) {
            QVERIFY(log.contains(kLogUnknownTransition.arg(u"SlideshowView"_s, name)));
        }
        // Without OpenGL a filter is faded, and said so once.
        QCOMPARE(log.count(kLogTransitionNeedsOpenGL.arg(u"SlideshowView"_s, kTransitionMod)), 1);
        QCOMPARE(log.count(u"SlideshowView"_s), 5);
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
        auto frame = [&](double p) {
            return SoftwareTransitionPainter::renderFrame(name, from(), to(), p, kView);
        };
        const QImage half = frame(0.5);
        QVERIFY(movesFromTo(frame(0), half, frame(1)));
        if (name == kTransitionFlash) {
            // Filters are faded without OpenGL.
            QVERIFY(difference(half, SoftwareTransitionPainter::renderFrame(
                                         kTransitionFade, from(), to(), 0.5, kView)) < kSame);
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
            QVERIFY2(
                child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
                    output.contains(u"PASS   : TestSlideshowView::automaticChoiceWithoutOpenGL"_s),
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
        const QImage half = renderer.renderFrame(name, 0.5);
        QVERIFY2(!half.isNull(), "the transition's shader does not build");
        QVERIFY(
            movesFromTo(renderer.renderFrame(name, 0.0), half, renderer.renderFrame(name, 1.0)));
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

    static QVariantList displays(int count)
    {
        QVariantList list;
        for (int i = 0; i < count; ++i) {
            list << QVariantMap{{kKeyDisplayName, QStringLiteral("Display #%1").arg(i + 1)},
                                {kKeyScreenIndex, i},
                                {kKeyEnableItem, true}};
        }
        return list;
    }

    QVariantMap param() const
    {
        return {{kKeyParentWindow,
                 QVariant::fromValue(static_cast<QObject *>(const_cast<QWidget *>(&parent_)))},
                {kKeySourcePath, QStringLiteral("/photos/2026-12-06/A123")},
                {kKeyInfo, QVariantMap{{kKeyCode, QStringLiteral("A123")},
                                       {kKeyName, QStringLiteral("Ann Example")},
                                       {QStringLiteral("phone"), QStringLiteral("555")}}},
                {kKeyDisplayNamesArrayController, displays(3)}};
    }

    // A file of that name holding a tiny image of that colour.
    void image(const QString &path, QColor color)
    {
        QDir().mkpath(QFileInfo(path).path());
        QImage picture(4, 4, QImage::Format_RGB32);
        picture.fill(color);
        QVERIFY(picture.save(path));
    }

    BackgroundPatternSources sources() const
    {
        BackgroundPatternSources s;
        s.store = store_.get();
        s.userDataPath = userData_;
        s.homePath = home_;
        s.bundle = bundle_.get();
        return s;
    }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<Preferences> store_;
    std::unique_ptr<Bundle> bundle_;
    QString home_;
    QString userData_;
    NotificationCenter center_;
    QObject observer_;
    QList<Notification> seen_;
    QWidget parent_;
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
