#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "slideshow/SlideshowView.h"
#include "slideshow/slideShowWindowController.h"
#include "slideshow/zoomedInNSImageView.h"

#include <QApplication>
#include <QDir>
#include <QImageWriter>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <memory>

// The tests run on three offscreen screens unless OVRA_TEST_ONE_SCREEN is set,
// in which case the single-screen cases run (in a child process of the suite).
static bool oneScreen()
{
    return qEnvironmentVariableIsSet("OVRA_TEST_ONE_SCREEN");
}

class TestSlideShowWindowController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void keysOfTheDisplay();
    void playsSuspendsAndResumes();
    void vanishingFolderHalts();
    void reassigningSameFolderKeepsQueue();
    void newFolderResetsQueue();
    void deletedAndBrokenPhotosAreSkipped();
    void requestStatus_data();
    void requestStatus();
    void mainScreenNeverPlaysWithSeveralScreens();
    void mainScreenPlaysAlone();
    void randomTransitionIndexRule_data();
    void randomTransitionIndexRule();
    void randomModeUsesTheDrawnStyle();
    void captionOfAPath_data();
    void captionOfAPath();
    void movieStepHidesPlainView();
    void testNotificationAdvancesEveryDisplay();
    void identifyShowsNumberAndCloses();
    void identifyShowsRoomName();
    void identifyOfHiddenDisplayDoesNothing();

private:
    QString makeFolder(const QString &name, int photos);
    std::unique_ptr<slideShowWindowController> makeDisplay(int index);
    void assign(int index, const QString &folder);
    QList<QVariantMap> statuses(const QString &key) const;

    std::unique_ptr<Preferences> store_;
    std::unique_ptr<QTemporaryDir> dir_;
    QObject observer_;
    QList<QVariantMap> statuses_;
};

void TestSlideShowWindowController::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    if (oneScreen()) {
        QCOMPARE(QGuiApplication::screens().size(), 1);
    } else {
        QVERIFY(QGuiApplication::screens().size() >= 3);
    }
}

void TestSlideShowWindowController::init()
{
    store_ = std::make_unique<Preferences>(QString());
    Preferences::setStandardUserDefaults(store_.get());
    for (int n = 1; n <= 3; ++n) {
        store_->setBool(true, QStringLiteral("prefDoSlideShow%1").arg(n));
        store_->setFloat(0.02f, QStringLiteral("prefSlideShowDelay%1").arg(n));
    }
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    statuses_.clear();
    NotificationCenter::defaultCenter()->addObserver(
        &observer_, kSlideShowStatus, [this](const Notification &n) { statuses_ << n.userInfo; });
}

void TestSlideShowWindowController::cleanup()
{
    NotificationCenter::defaultCenter()->removeObserver(&observer_);
}

QString TestSlideShowWindowController::makeFolder(const QString &name, int photos)
{
    const QString folder = dir_->filePath(name);
    QDir().mkpath(folder);
    for (int i = 0; i < photos; ++i) {
        QImage image(320, 200, QImage::Format_RGB32);
        image.fill(QColor::fromHsv(i * 40 % 360, 200, 200));
        QImageWriter writer(QStringLiteral("%1/IMG_%2_overlay.jpg").arg(folder).arg(i));
        writer.write(image);
    }
    return folder;
}

std::unique_ptr<slideShowWindowController> TestSlideShowWindowController::makeDisplay(int index)
{
    return std::make_unique<slideShowWindowController>(index);
}

void TestSlideShowWindowController::assign(int index, const QString &folder)
{
    NotificationCenter::defaultCenter()->postNotificationName(
        kSlideShowParamChanged, QVariant(), {{kKeyScreenIndex, index}, {kKeySourcePath, folder}});
}

QList<QVariantMap> TestSlideShowWindowController::statuses(const QString &key) const
{
    QList<QVariantMap> found;
    for (const QVariantMap &status : statuses_) {
        if (status.contains(key)) {
            found << status;
        }
    }
    return found;
}

void TestSlideShowWindowController::keysOfTheDisplay()
{
    auto display = makeDisplay(1);
    QCOMPARE(store_->integerForKey(QStringLiteral("prefNSScreenIndex2")), 2);
    QCOMPARE(display->parameterDictionary().value(kRoleSlideShowPathAliasData).toString(),
             QStringLiteral("prefSlideShowPathAliasData2"));
    QCOMPARE(display->parameterDictionary().value(kRoleSlideShowDelay).toString(),
             QStringLiteral("prefSlideShowDelay2"));
}

void TestSlideShowWindowController::playsSuspendsAndResumes()
{
    if (oneScreen()) {
        QSKIP("needs several screens");
    }
    store_->setObject(QStringLiteral("Room B"), QStringLiteral("prefNameOfDisplay2"));
    auto display = makeDisplay(1);
    QSignalSpy shown(display.get(), &slideShowWindowController::slideShown);

    // Idle -> Suspended: the first step finds nothing queued.
    display->startSequence();
    QTRY_COMPARE(statuses(kKeyMesg).size(), 1);
    QCOMPARE(statuses(kKeyMesg).first().value(kKeyMesg).toString(), kMesgSlideShowNotRunning);
    QVERIFY(display->isSuspended());

    // Searching -> Playing.
    const QString folder = makeFolder(QStringLiteral("A100"), 3);
    assign(1, folder);
    const QList<QVariantMap> codes = statuses(kKeyCode);
    QCOMPARE(codes.size(), 1);
    QCOMPARE(codes.first().value(kKeyCode).toString(), QStringLiteral("A100"));
    QCOMPARE(codes.first().value(kKeyCodeStatus).toString(), QStringLiteral("A100 (Room B)"));
    QVERIFY(codes.first().value(kKeyScreenIsPlaying).toBool());
    QCOMPARE(codes.first().value(kKeyScreenIndex).toInt(), 1);
    QCOMPARE(store_->stringForKey(QStringLiteral("prefSlideShowPath2")), folder);
    QVERIFY(store_->boolForKey(QStringLiteral("prefSlideShowPathAliasDataIsValid2")));
    QVERIFY(!store_->dataForKey(QStringLiteral("prefSlideShowPathAliasData2")).isEmpty());

    QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 4, 10000);
    QCOMPARE(statuses(kKeyMesg).last().value(kKeyMesg).toString(), kMesgSlideShowRunning);
    QVERIFY(!display->isSuspended());
    QVERIFY(display->captionField()->text().startsWith(QLatin1String("IMG_")));
    QVERIFY(!display->captionField()->text().contains(QLatin1String("overlay")));

    // Playing -> Suspended: the status goes out at once, the chain ends after its delay.
    NotificationCenter::defaultCenter()->postNotificationName(kSlideShowToggleShow, QVariant(),
                                                              {{kKeyScreenIndex, 1}});
    QCOMPARE(statuses(kKeyMesg).last().value(kKeyMesg).toString(), kMesgSlideShowNotRunning);
    QTRY_VERIFY(!display->isInsideLoop());
    QVERIFY(display->zoomedInView()->image().isNull());
    const qsizetype stopped = shown.size();

    // Suspended -> Playing.
    NotificationCenter::defaultCenter()->postNotificationName(kSlideShowToggleShow, QVariant(),
                                                              {{kKeyScreenIndex, 1}});
    QCOMPARE(statuses(kKeyMesg).last().value(kKeyMesg).toString(), kMesgSlideShowRunning);
    QTRY_VERIFY_WITH_TIMEOUT(shown.size() > stopped + 1, 10000);

    // A toggle for another display only logs.
    NotificationCenter::defaultCenter()->postNotificationName(kSlideShowToggleShow, QVariant(),
                                                              {{kKeyScreenIndex, 2}});
    QVERIFY(!display->isSuspended());
}

void TestSlideShowWindowController::vanishingFolderHalts()
{
    if (oneScreen()) {
        QSKIP("needs several screens");
    }
    auto display = makeDisplay(2);
    QSignalSpy shown(display.get(), &slideShowWindowController::slideShown);
    const QString folder = makeFolder(QStringLiteral("B200"), 2);
    assign(2, folder);
    QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 2, 10000);
    const qsizetype before = statuses(kKeyMesg).size();
    QVERIFY(QDir(folder).removeRecursively());
    // Halted: no step runs, no status is posted, and it is not suspended.
    QTRY_VERIFY(!display->isInsideLoop());
    QCOMPARE(statuses(kKeyMesg).size(), before);
    QVERIFY(!display->isSuspended());
    // Assigning a folder that does not exist keeps the old one.
    assign(2, dir_->filePath(QStringLiteral("missing")));
    QCOMPARE(display->sourcePath(), folder);
}

void TestSlideShowWindowController::reassigningSameFolderKeepsQueue()
{
    if (oneScreen()) {
        QSKIP("needs several screens");
    }
    auto display = makeDisplay(1);
    QSignalSpy shown(display.get(), &slideShowWindowController::slideShown);
    const QString folder = makeFolder(QStringLiteral("C300"), 3);
    assign(1, folder);
    QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 2, 10000);
    statuses_.clear();
    assign(1, folder);
    QVERIFY(display->queue().curIndex() >= 0);
    QCOMPARE(display->queue().entries().size(), 3);
    const QList<QVariantMap> codes = statuses(kKeyCode);
    QCOMPARE(codes.size(), 2);
    QCOMPARE(codes.at(0).value(kKeyCode).toString(), QStringLiteral("C300"));
    QCOMPARE(codes.at(0).value(kKeyCodeStatus).toString(), QStringLiteral("C300"));
    QVERIFY(!codes.at(0).value(kKeyScreenIsPlaying).toBool());
    // No room name stored: the missing name shows as such.
    QCOMPARE(codes.at(1).value(kKeyCodeStatus).toString(),
             QStringLiteral("C300 (%1)").arg(kMissingObjectText));
    QVERIFY(codes.at(1).value(kKeyScreenIsPlaying).toBool());
    const qsizetype seen = shown.size();
    QTRY_VERIFY_WITH_TIMEOUT(shown.size() > seen + 1, 10000);
    QCOMPARE(display->queue().entries().size(), 3);
}

void TestSlideShowWindowController::newFolderResetsQueue()
{
    if (oneScreen()) {
        QSKIP("needs several screens");
    }
    auto display = makeDisplay(1);
    QSignalSpy shown(display.get(), &slideShowWindowController::slideShown);
    assign(1, makeFolder(QStringLiteral("D400"), 3));
    QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 1, 10000);
    const QString second = makeFolder(QStringLiteral("D401"), 2);
    assign(1, second);
    QVERIFY(display->queue().entries().size() <= 2);
    QTRY_COMPARE_WITH_TIMEOUT(display->queue().entries().size(), 2, 10000);
    const qsizetype seen = shown.size();
    QTRY_VERIFY_WITH_TIMEOUT(shown.size() > seen + 1, 10000);
    QVERIFY(shown.last().first().toString().startsWith(second));
}

void TestSlideShowWindowController::deletedAndBrokenPhotosAreSkipped()
{
    if (oneScreen()) {
        QSKIP("needs several screens");
    }
    auto display = makeDisplay(1);
    QSignalSpy shown(display.get(), &slideShowWindowController::slideShown);
    const QString folder = makeFolder(QStringLiteral("E500"), 3);
    assign(1, folder);
    QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 1, 10000);
    const QStringList entries = display->queue().entries();
    QCOMPARE(entries.size(), 3);
    QVERIFY(QFile::remove(entries.at(0)));
    QFile broken(entries.at(1));
    QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("not a photo");
    broken.close();
    const qsizetype seen = shown.size();
    QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= seen + 3, 10000);
    for (qsizetype i = seen + 1; i < shown.size(); ++i) {
        QCOMPARE(shown.at(i).first().toString(), entries.at(2));
    }
}

void TestSlideShowWindowController::requestStatus_data()
{
    QTest::addColumn<QVariantMap>("userInfo");
    QTest::addColumn<int>("expected");
    QTest::newRow("all") << QVariantMap{{kKeyScreenIndex, -1}} << 3;
    QTest::newRow("one") << QVariantMap{{kKeyScreenIndex, 2}} << 1;
    QTest::newRow("unknown") << QVariantMap{{kKeyScreenIndex, 7}} << 0;
    QTest::newRow("missing") << QVariantMap{{kKeyCode, QStringLiteral("x")}} << 0;
}

void TestSlideShowWindowController::requestStatus()
{
    QFETCH(QVariantMap, userInfo);
    QFETCH(int, expected);
    auto a = makeDisplay(0);
    auto b = makeDisplay(1);
    auto c = makeDisplay(2);
    NotificationCenter::defaultCenter()->postNotificationName(kRequestSlideShowStatus, QVariant(),
                                                              userInfo);
    QCOMPARE(statuses(kKeyMesg).size(), expected);
    for (const QVariantMap &status : statuses(kKeyMesg)) {
        QCOMPARE(status.value(kKeyMesg).toString(), kMesgSlideShowRunning);
    }
}

void TestSlideShowWindowController::mainScreenNeverPlaysWithSeveralScreens()
{
    if (oneScreen()) {
        QSKIP("needs several screens");
    }
    auto display = makeDisplay(0);
    QVERIFY(!display->window()->isVisible());
    QSignalSpy shown(display.get(), &slideShowWindowController::slideShown);
    assign(0, makeFolder(QStringLiteral("F600"), 2));
    // The auto start runs the sequence and broadcasts; no step ever starts.
    QTRY_VERIFY_WITH_TIMEOUT(!statuses(kKeyMesg).isEmpty(), 10000);
    QVERIFY(!display->isInsideLoop());
    QCoreApplication::processEvents();
    QCOMPARE(shown.size(), 0);
    display->identify();
    QVERIFY(!display->identifyWindow()->isVisible());
}

void TestSlideShowWindowController::mainScreenPlaysAlone()
{
    if (!oneScreen()) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("OVRA_TEST_ONE_SCREEN"), QStringLiteral("1"));
        // One screen whatever the display server offers.
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("mainScreenPlaysAlone")});
        QVERIFY(child.waitForFinished(120000));
        QCOMPARE(child.exitCode(), 0);
        return;
    }
    auto display = makeDisplay(0);
    QVERIFY(display->window()->isVisible());
    QVERIFY(!display->window()->windowFlags().testFlag(Qt::FramelessWindowHint));
    QSignalSpy shown(display.get(), &slideShowWindowController::slideShown);
    assign(0, makeFolder(QStringLiteral("G700"), 2));
    QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 2, 10000);
}

void TestSlideShowWindowController::randomTransitionIndexRule_data()
{
    QTest::addColumn<int>("draw");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("expected");
    for (int r = 0; r <= 5; ++r) {
        QTest::addRow("five styles, draw %d", r) << r << 5 << std::min(r, 4);
    }
    QTest::newRow("negative draw") << -3 << 5 << 0;
    QTest::newRow("no styles") << 3 << 0 << 0;
    QTest::newRow("one style") << 1 << 1 << 0;
}

void TestSlideShowWindowController::randomTransitionIndexRule()
{
    QFETCH(int, draw);
    QFETCH(int, count);
    QFETCH(int, expected);
    QCOMPARE(slideShowWindowController::transitionIndexForDraw(draw, count), expected);
}

void TestSlideShowWindowController::randomModeUsesTheDrawnStyle()
{
    if (oneScreen()) {
        QSKIP("needs several screens");
    }
    const QStringList styles{kNoTransitionEffect, kTransitionFade, kTransitionMoveIn,
                             kTransitionPush, kTransitionReveal};
    store_->setObject(styles, kPrefAvailTransitionStyles);
    store_->setObject(kTransitionModeRandom, kPrefUseTransitionMode);
    store_->setObject(kTransitionFade, kPrefTransitionStyle);
    auto display = makeDisplay(1);
    QCOMPARE(display->transitionStyle(), kTransitionFade);
    // A draw of 5, the chooser's maximum, picks the last style.
    display->setRandomSource([] { return static_cast<int>(RAND_MAX / 12.0 * 11.0); });
    QSignalSpy shown(display.get(), &slideShowWindowController::slideShown);
    assign(1, makeFolder(QStringLiteral("H800"), 2));
    QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 1, 10000);
    QCOMPARE(display->transitionStyle(), kTransitionReveal);
    QVERIFY(display->slideView()->hasCurrentImage());
    QVERIFY(!display->slideView()->isCurrentImageHidden());
}

void TestSlideShowWindowController::captionOfAPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("caption");
    QTest::newRow("overlay") << "/a/IMG_1_overlay.jpg"
                             << "IMG_1";
    QTest::newRow("two dots") << "/a/b.c.jpeg"
                              << "b.c";
    QTest::newRow("twice") << "x_overlay_overlay.png"
                           << "x";
    QTest::newRow("no extension") << "/a/plain"
                                  << "plain";
}

void TestSlideShowWindowController::captionOfAPath()
{
    QFETCH(QString, path);
    QFETCH(QString, caption);
    QCOMPARE(slideShowWindowController::captionForPath(path), caption);
}

void TestSlideShowWindowController::movieStepHidesPlainView()
{
    store_->setBool(true, QStringLiteral("prefDoPlayMovie2"));
    store_->setBool(true, QStringLiteral("prefPlayMovieFirst2"));
    auto display = makeDisplay(1);
    QObject listener;
    int movies = 0;
    NotificationCenter::defaultCenter()->addObserver(&listener, kUpdateAnimationMovie,
                                                     [&movies](const Notification &) { ++movies; });
    display->startSequence();
    QTRY_COMPARE(movies, 1);
    QVERIFY(display->isMoviePlaying());
    QVERIFY(display->zoomedInView()->isHidden());
    QVERIFY(!display->isInsideLoop());
}

void TestSlideShowWindowController::testNotificationAdvancesEveryDisplay()
{
    if (oneScreen()) {
        QSKIP("needs several screens");
    }
    store_->setBool(false, QStringLiteral("prefDoSlideShow2"));
    auto display = makeDisplay(1);
    assign(1, makeFolder(QStringLiteral("J900"), 2));
    QTRY_COMPARE_WITH_TIMEOUT(display->queue().entries().size(), 2, 10000);
    const qint64 before = display->queue().curIndex();
    NotificationCenter::defaultCenter()->postNotificationName(kSlideShowToggleTest);
    QVERIFY(display->queue().curIndex() != before);
    QVERIFY(display->slideView()->hasCurrentImage());
}

void TestSlideShowWindowController::identifyShowsNumberAndCloses()
{
    if (oneScreen()) {
        QSKIP("needs several screens");
    }
    store_->setInteger(1, kPrefIdentifyScreenInSeconds);
    auto display = makeDisplay(2);
    QSignalSpy ended(display.get(), &slideShowWindowController::identifyEnded);
    display->identify();
    QVERIFY(display->identifyWindow()->isVisible());
    QCOMPARE(display->identifyWindow()->windowTitle(), kIdentifyWindowTitle);
    QCOMPARE(display->identifyLabel()->text(),
             QStringLiteral("SCREEN\n 3 of %1").arg(QGuiApplication::screens().size(), 2));
    QVERIFY(ended.wait(10000));
    QVERIFY(!display->identifyWindow()->isVisible());

    store_->setInteger(0, kPrefIdentifyScreenInSeconds);
    display->identify();
    QCOMPARE(ended.size(), 2);
    QVERIFY(!display->identifyWindow()->isVisible());
}

void TestSlideShowWindowController::identifyShowsRoomName()
{
    if (oneScreen()) {
        QSKIP("needs several screens");
    }
    store_->setInteger(0, kPrefIdentifyScreenInSeconds);
    store_->setObject(QStringLiteral("Lobby"), QStringLiteral("prefNameOfDisplay2"));
    auto display = makeDisplay(1);
    QCOMPARE(display->identifyLabel()->text(), QStringLiteral("Lobby"));
    display->identify();
    QCOMPARE(display->identifyLabel()->text(), QStringLiteral("Lobby"));
    // The room-name field edits the same key.
    store_->setObject(QStringLiteral("Bar"), QStringLiteral("prefNameOfDisplay2"));
    QTRY_COMPARE(display->identifyLabel()->text(), QStringLiteral("Bar"));
}

void TestSlideShowWindowController::identifyOfHiddenDisplayDoesNothing()
{
    if (oneScreen()) {
        QSKIP("needs several screens");
    }
    auto display = makeDisplay(0);
    QSignalSpy ended(display.get(), &slideShowWindowController::identifyEnded);
    display->identify();
    QVERIFY(!display->identifyWindow()->isVisible());
    QCOMPARE(ended.size(), 0);
}

int main(int argc, char **argv)
{
    // Several screens from the offscreen platform's configuration.
    QTemporaryDir configDir;
    if (!oneScreen() &&
        qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QLatin1String("offscreen"))) {
        const QString config = configDir.filePath(QStringLiteral("screens.json"));
        QFile file(config);
        if (file.open(QIODevice::WriteOnly)) {
            QByteArray screens;
            for (int i = 0; i < 3; ++i) {
                screens += QByteArray(i ? "," : "") + "{\"name\":\"K" + QByteArray::number(i) +
                           "\",\"x\":" + QByteArray::number(i * 800) +
                           ",\"y\":0,\"width\":800,\"height\":600,\"logicalDpi\":96,"
                           "\"logicalBaseDpi\":96,\"dpr\":1}";
            }
            file.write("{\"screens\":[" + screens + "]}");
            file.close();
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
        }
    }
    QApplication app(argc, argv);
    TestSlideShowWindowController test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_slideshowwindowcontroller.moc"
