#include "VirtualScreens.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/AppDelegate.h"
#include "shell/CommonHeader.h"
#include "slideshow/slideShowWindowController.h"

#include <QDir>
#include <QImage>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// The photo store unmounted under four playing displays (the root renamed
// away): the displays halt, nothing is lost, and a code scanned again once
// the store is back plays again. Photos that vanish from folders that stay
// play again when they come back.
class TestPhotoStoreVanishing : public QObject
{
    Q_OBJECT
private slots:
    void displaysHaltAndResume();
};

namespace {

constexpr int kDisplays = 4;
constexpr int kWaitMs = 20000;

} // namespace

void TestPhotoStoreVanishing::displaysHaltAndResume()
{
    QStandardPaths::setTestModeEnabled(true);
    QCOMPARE(QGuiApplication::screens().size(), kDisplays + 1);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Preferences store{QString()};
    Preferences::setStandardUserDefaults(&store);
    const auto restore = qScopeGuard([] { Preferences::setStandardUserDefaults(nullptr); });
    store.setObject(kTransitionModeNone, kPrefUseTransitionMode);
    const QString root = dir.filePath(u"PhotoStore"_s);
    const QString away = dir.filePath(u"PhotoStore.unmounted"_s);
    QStringList folders;
    QStringList photos;
    for (int n = 1; n <= kDisplays + 1; ++n) {
        store.setBool(true, u"prefDoSlideShow%1"_s.arg(n));
        store.setFloat(0.5f, u"prefSlideShowDelay%1"_s.arg(n));
        folders << root + u"/2026-12-06/K10%1"_s.arg(n);
        QVERIFY(QDir().mkpath(folders.last()));
        for (int i = 0; i < 2; ++i) {
            QImage photo(320, 240, QImage::Format_RGB32);
            photo.fill(QColor::fromHsv(60 * i + 40 * n, 200, 200));
            photos << folders.last() + u"/IMG_%1.jpg"_s.arg(i);
            QVERIFY(photo.save(photos.last(), "JPEG"));
        }
    }

    AppDelegate delegate;
    delegate.setupWindowControllers();
    delegate.startSequence(kStartSequenceAll);
    const auto &controllers = delegate.slideShowWindowControllerList();
    QCOMPARE(controllers.size(), size_t(kDisplays + 1));
    // Display 0 is the operator's screen; the others play.
    std::vector<std::unique_ptr<QSignalSpy>> shown;
    std::vector<std::unique_ptr<QSignalSpy>> ended;
    for (int i = 1; i <= kDisplays; ++i) {
        shown.push_back(std::make_unique<QSignalSpy>(controllers.at(size_t(i)).get(),
                                                     &slideShowWindowController::slideShown));
        ended.push_back(std::make_unique<QSignalSpy>(controllers.at(size_t(i)).get(),
                                                     &slideShowWindowController::slideShowEnded));
    }
    auto scanAll = [&] {
        for (int i = 1; i <= kDisplays; ++i) {
            NotificationCenter::defaultCenter()->postNotificationName(
                kSlideShowParamChanged, QVariant(),
                {{kKeyScreenIndex, i}, {kKeySourcePath, folders.at(i)}});
        }
    };
    auto allPlay = [&] {
        for (const auto &spy : shown) {
            spy->clear();
        }
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(shown.cbegin(), shown.cend(),
                                             [](const auto &spy) { return spy->size() >= 2; }),
                                 kWaitMs);
    };
    scanAll();
    allPlay();

    for (const auto &spy : ended) {
        spy->clear();
    }
    QVERIFY(QDir().rename(root, away));
    QTRY_VERIFY_WITH_TIMEOUT(
        std::all_of(ended.cbegin(), ended.cend(), [](const auto &spy) { return !spy->isEmpty(); }),
        kWaitMs);
    // A code scanned while the store is away finds nothing to play.
    for (const auto &spy : shown) {
        spy->clear();
    }
    scanAll();
    QTest::qWait(2000);
    for (const auto &spy : shown) {
        QVERIFY(spy->isEmpty());
    }

    QVERIFY(QDir().rename(away, root));
    scanAll();
    allPlay();
    for (const QString &photo : std::as_const(photos)) {
        QVERIFY2(QFileInfo(photo).size() > 0, qPrintable(photo));
    }

    // The folders stay but their photos go (a working folder refilled on a
    // full disk): the displays keep running, looking again each delay rather
    // than spinning over the names, and play the photos once they are back.
    std::vector<std::unique_ptr<QSignalSpy>> missing;
    for (int i = 1; i <= kDisplays; ++i) {
        missing.push_back(std::make_unique<QSignalSpy>(controllers.at(size_t(i)).get(),
                                                       &slideShowWindowController::photosMissing));
        ended.at(size_t(i - 1))->clear();
    }
    for (const QString &photo : std::as_const(photos)) {
        QVERIFY(QFile::rename(photo, photo + u".gone"_s));
    }
    QTRY_VERIFY_WITH_TIMEOUT(std::all_of(missing.cbegin(), missing.cend(),
                                         [](const auto &spy) { return spy->size() >= 2; }),
                             kWaitMs);
    for (const QString &photo : std::as_const(photos)) {
        QVERIFY(QFile::rename(photo + u".gone"_s, photo));
    }
    allPlay();
    for (int i = 1; i <= kDisplays; ++i) {
        QVERIFY(ended.at(size_t(i - 1))->isEmpty());
        QVERIFY(!controllers.at(size_t(i))->isSuspended());
    }
}

int main(int argc, char **argv)
{
    // Small monitors: five of them on one busy machine.
    VirtualScreens screens(kDisplays + 1, QSize(640, 480));
    QString error;
    if (!screens.start(&error)) {
        qWarning("SKIP: no virtual screens: %s", qPrintable(error));
        return 0;
    }
    qputenv("DISPLAY", screens.display().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    TestPhotoStoreVanishing test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_photostorevanishing.moc"
