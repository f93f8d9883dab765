// Guards the display window's background pattern (search order, parent account) and its drag.
#include "StderrCapture.h"
#include "TestSupport.h"

#include "platform/Bundle.h"
#include "platform/Preferences.h"
#include "platform/PropertyList.h"
#include "shell/CommonHeader.h"
#include "slideshow/borderlessWindow.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

void mouse(QWidget &window, QEvent::Type type, QPoint global)
{
    const QPointF local = QPointF(global - window.frameGeometry().topLeft());
    QMouseEvent event(type, local, QPointF(global), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &event);
}

} // namespace

class TestBorderlessWindow : public QObject
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
        root_ = dir_->filePath(u"store/root"_s);
        QDir().mkpath(userData_);
        QDir().mkpath(root_);
        QDir().mkpath(dir_->filePath(u"share"_s));
        bundle_ = std::make_unique<Bundle>(QVariantMap(), dir_->path(), dir_->filePath(u"share"_s),
                                           dir_->filePath(u"libexec"_s));
        store_->setObject(root_, kPrefSlideShowPath);
        store_->setObject(QStringList{u"pattern"_s}, kPrefPatternImageBaseNames);
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
        QTest::newRow("parent of the root")
            << one << QStringList{u"store/pattern.jpeg"_s} << u"store/pattern.jpeg"_s;
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
        QVERIFY(TestSupport::writeFile(home_ + u"/Library/Preferences/parent.plist"_s,
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
        QVERIFY(patterned.canBecomeKeyWindow());

        QFile::remove(userData_ + u"/pattern.png"_s);
        borderlessWindow plain(QRect(0, 0, 200, 100), sources());
        QCOMPARE(plain.palette().color(QPalette::Window), QColor(Qt::black));
        QVERIFY(plain.backgroundPattern().path.isEmpty());
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
        QCOMPARE(window.initialLocation(), QPointF(50, 40));
        QCOMPARE(window.frameGeometry().topLeft(), start + QPoint(100, 50));
        // Upwards it stops with its top at the main screen's top.
        const int top = QGuiApplication::primaryScreen()->geometry().top();
        mouse(window, QEvent::MouseMove, QPoint(start.x() + 80, top + 10));
        QCOMPARE(window.frameGeometry().topLeft(), QPoint(start.x() + 30, top));
        mouse(window, QEvent::MouseButtonRelease, QPoint(start.x() + 80, top + 10));

        QCOMPARE(borderlessWindow::constrainedOrigin(QPoint(5, -400), QRect(0, -300, 1920, 1080)),
                 QPoint(5, -300));
        QCOMPARE(borderlessWindow::constrainedOrigin(QPoint(5, 40), QRect(0, 0, 1920, 1080)),
                 QPoint(5, 40));
    }

private:
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
    QString root_;
};

QTEST_MAIN(TestBorderlessWindow)
#include "tst_borderlesswindow.moc"
