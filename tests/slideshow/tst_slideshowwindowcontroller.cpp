#include "TestSupport.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "shell/CommonHeader.h"
#include "slideshow/SlideshowView.h"
#include "slideshow/slideShowWindowController.h"
#include "slideshow/zoomedInNSImageView.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <cstdio>
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
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        if (oneScreen()) {
            QCOMPARE(QGuiApplication::screens().size(), 1);
        } else {
            QVERIFY(QGuiApplication::screens().size() >= 3);
        }
    }
    void init()
    {
        // The one-screen child process runs only mainScreenPlaysAlone.
        if (oneScreen() && qstrcmp(QTest::currentTestFunction(), "mainScreenPlaysAlone") != 0) {
            QSKIP("needs several screens");
        }
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
            &observer_, kSlideShowStatus,
            [this](const Notification &n) { statuses_ << n.userInfo; });
    }
    void cleanup() { NotificationCenter::defaultCenter()->removeObserver(&observer_); }
    void keysOfTheDisplay()
    {
        auto display = makeDisplay(1);
        QCOMPARE(store_->integerForKey(QStringLiteral("prefNSScreenIndex2")), 2);
        QCOMPARE(display->parameterDictionary().value(kRoleSlideShowPathAliasData).toString(),
                 QStringLiteral("prefSlideShowPathAliasData2"));
        QCOMPARE(display->parameterDictionary().value(kRoleSlideShowDelay).toString(),
                 QStringLiteral("prefSlideShowDelay2"));
    }

    void playsAndSuspends()
    {
        store_->setObject(QStringLiteral("Room B"), QStringLiteral("prefNameOfDisplay2"));
        auto display = makeDisplay(1);
        QSignalSpy shown(display.get(), &slideShowWindowController::slideShown);
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
        QVERIFY(display->captionField()->text().startsWith(QLatin1String("IMG_")));
        QVERIFY(!display->captionField()->text().contains(QLatin1String("overlay")));
        // A toggle for another display only logs.
        NotificationCenter::defaultCenter()->postNotificationName(kSlideShowToggleShow, QVariant(),
                                                                  {{kKeyScreenIndex, 2}});
        QVERIFY(!display->isSuspended());

        // The status goes out at once, the chain ends after its delay.
        NotificationCenter::defaultCenter()->postNotificationName(kSlideShowToggleShow, QVariant(),
                                                                  {{kKeyScreenIndex, 1}});
        QCOMPARE(statuses(kKeyMesg).last().value(kKeyMesg).toString(), kMesgSlideShowNotRunning);
        QTRY_VERIFY(!display->isInsideLoop());
        QVERIFY(display->zoomedInView()->image().isNull());
    }

    void reassigningSameFolderKeepsQueue()
    {
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
        // The same folder in other letters keeps the queue too.
        const qint64 position = display->queue().curIndex();
        assign(1, dir_->filePath(QStringLiteral("c300")));
        QCOMPARE(display->queue().curIndex(), position);
        QCOMPARE(display->sourcePath(), folder);
        // Assigning a folder that does not exist keeps the old one.
        assign(1, dir_->filePath(QStringLiteral("missing")));
        QCOMPARE(display->sourcePath(), folder);
    }

    void newFolderResetsQueue()
    {
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

    void deletedAndBrokenPhotosAreSkipped()
    {
        auto display = makeDisplay(1);
        QSignalSpy shown(display.get(), &slideShowWindowController::slideShown);
        assign(1, makeFolder(QStringLiteral("E500"), 4));
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 1, 10000);
        const QStringList entries = display->queue().entries();
        QCOMPARE(entries.size(), 4);
        // Deleted, overwritten with junk, and half copied over again.
        QVERIFY(QFile::remove(entries.at(0)));
        QVERIFY(TestSupport::writeFile(entries.at(1), "not a photo"));
        QFile half(entries.at(2));
        QVERIFY(half.open(QIODevice::ReadWrite) && half.resize(half.size() / 2));
        half.close();
        const qsizetype seen = shown.size();
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= seen + 3, 10000);
        for (qsizetype i = seen + 1; i < shown.size(); ++i) {
            QCOMPARE(shown.at(i).first().toString(), entries.at(3));
        }
    }

    void replacedPhotoIsNotShownFromTheLookAhead()
    {
        // Held back at the auto start, so that only the look-ahead decodes.
        store_->setBool(false, QStringLiteral("prefDoSlideShow2"));
        store_->setObject(kTransitionModeNone, kPrefUseTransitionMode);
        auto display = makeDisplay(1);
        const QString photo = dir_->filePath(QStringLiteral("K900/IMG_0001.jpg"));
        QVERIFY(QDir().mkpath(QFileInfo(photo).path()) && writePadded(photo, Qt::red));
        assign(1, QFileInfo(photo).path());
        QTRY_VERIFY_WITH_TIMEOUT(!statuses(kKeyMesg).isEmpty(), 10000);
        // The next customer's photo of the same name and size.
        QVERIFY(writePadded(photo + QStringLiteral(".new"), Qt::blue));
        QCOMPARE(std::rename(qPrintable(photo + QStringLiteral(".new")), qPrintable(photo)), 0);
        store_->setBool(true, QStringLiteral("prefDoSlideShow2"));
        QImage image; // the first one shown
        connect(display.get(), &slideShowWindowController::slideShown, display.get(),
                [&] { image = image.isNull() ? display->zoomedInView()->image() : image; });
        display->startSlideShow();
        QTRY_VERIFY_WITH_TIMEOUT(!image.isNull(), 10000);
        QVERIFY2(QColor(image.pixel(image.rect().center())).blue() > 200,
                 "the look-ahead of the replaced photo was shown");
    }

    void requestStatus_data()
    {
        QTest::addColumn<QVariantMap>("userInfo");
        QTest::addColumn<int>("expected");
        QTest::newRow("all") << QVariantMap{{kKeyScreenIndex, -1}} << 3;
        QTest::newRow("one") << QVariantMap{{kKeyScreenIndex, 2}} << 1;
        QTest::newRow("unknown") << QVariantMap{{kKeyScreenIndex, 7}} << 0;
        QTest::newRow("missing") << QVariantMap{{kKeyCode, QStringLiteral("x")}} << 0;
    }
    void requestStatus()
    {
        QFETCH(QVariantMap, userInfo);
        QFETCH(int, expected);
        auto a = makeDisplay(0);
        auto b = makeDisplay(1);
        auto c = makeDisplay(2);
        NotificationCenter::defaultCenter()->postNotificationName(kRequestSlideShowStatus,
                                                                  QVariant(), userInfo);
        QCOMPARE(statuses(kKeyMesg).size(), expected);
        for (const QVariantMap &status : statuses(kKeyMesg)) {
            QCOMPARE(status.value(kKeyMesg).toString(), kMesgSlideShowRunning);
        }
    }

    void mainScreenPlaysAlone()
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
        QWidget *window = display->window();
        QVERIFY(window->isVisible());
        // Frameless at the normal level, resizable; the photo views follow.
        QVERIFY(window->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(!window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window->minimumSize() != window->maximumSize());
        window->resize(window->size() / 2);
        QTRY_COMPARE(display->slideView()->size(), window->size());
        QCOMPARE(display->zoomedInView()->size(), window->size());
        QSignalSpy shown(display.get(), &slideShowWindowController::slideShown);
        assign(0, makeFolder(QStringLiteral("G700"), 2));
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 2, 10000);
    }

    void randomTransitionIndexRule_data()
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
    void randomTransitionIndexRule()
    {
        QFETCH(int, draw);
        QFETCH(int, count);
        QFETCH(int, expected);
        QCOMPARE(slideShowWindowController::transitionIndexForDraw(draw, count), expected);
    }

    void randomModeUsesTheDrawnStyle()
    {
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

    void captionOfAPath_data()
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
    void captionOfAPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, caption);
        QCOMPARE(slideShowWindowController::captionForPath(path), caption);
    }

    void testNotificationAdvancesEveryDisplay()
    {
        store_->setBool(false, QStringLiteral("prefDoSlideShow2"));
        store_->setObject(kTransitionModeNone, kPrefUseTransitionMode);
        auto display = makeDisplay(1);
        assign(1, makeFolder(QStringLiteral("J900"), 2));
        QTRY_COMPARE_WITH_TIMEOUT(display->queue().entries().size(), 2, 10000);
        const qint64 before = display->queue().curIndex();
        NotificationCenter::defaultCenter()->postNotificationName(kSlideShowToggleTest);
        QVERIFY(display->queue().curIndex() != before);
        QVERIFY(display->slideView()->hasCurrentImage());
    }

    void identifyShowsRoomName()
    {
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

    void identifyOfHiddenDisplayDoesNothing()
    {
        auto display = makeDisplay(0);
        QSignalSpy ended(display.get(), &slideShowWindowController::identifyEnded);
        display->identify();
        QVERIFY(!display->identifyWindow()->isVisible());
        QCOMPARE(ended.size(), 0);
    }

private:
    QString makeFolder(const QString &name, int photos)
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

    // A plain JPEG padded with zeros to a fixed size, whatever its colour.
    static bool writePadded(const QString &path, const QColor &colour)
    {
        QImage image(320, 200, QImage::Format_RGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "JPEG") ||
            bytes.size() > 16384) {
            return false;
        }
        return TestSupport::writeFile(path, bytes.leftJustified(16384, '\0'));
    }

    std::unique_ptr<slideShowWindowController> makeDisplay(int index)
    {
        return std::make_unique<slideShowWindowController>(index);
    }

    void assign(int index, const QString &folder)
    {
        NotificationCenter::defaultCenter()->postNotificationName(
            kSlideShowParamChanged, QVariant(),
            {{kKeyScreenIndex, index}, {kKeySourcePath, folder}});
    }

    QList<QVariantMap> statuses(const QString &key) const
    {
        QList<QVariantMap> found;
        for (const QVariantMap &status : statuses_) {
            if (status.contains(key)) {
                found << status;
            }
        }
        return found;
    }

    std::unique_ptr<Preferences> store_;
    std::unique_ptr<QTemporaryDir> dir_;
    QObject observer_;
    QList<QVariantMap> statuses_;
};

int main(int argc, char **argv)
{
    // Several screens from the offscreen platform's configuration.
    QTemporaryDir configDir;
    if (!oneScreen() &&
        qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QLatin1String("offscreen"))) {
        TestSupport::useOffscreenScreens(configDir.path(), 3);
    }
    QApplication app(argc, argv);
    TestSlideShowWindowController test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_slideshowwindowcontroller.moc"
