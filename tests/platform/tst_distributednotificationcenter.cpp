// Guards notifications: order, removal and threads in process; hostile bus signals reach no one.
#include "platform/DistributedNotificationCenter.h"
#include "platform/NotificationCenter.h"
#include "platform/NotifyTool.h"
#include "shell/CommonHeader.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QProcess>
#include <QTest>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

namespace {
using StringMap = QMap<QString, QString>;
const QString kNoSuchName = u"NoSuchNotification"_s;

QVariantMap nested(int depth)
{
    QVariantMap map{{u"leaf"_s, u"x"_s}};
    for (int i = 0; i < depth; ++i) {
        map = QVariantMap{{u"n"_s, QVariant::fromValue(QDBusVariant(map))}};
    }
    return map;
}
} // namespace

class TestDistributedNotificationCenter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qDBusRegisterMetaType<StringMap>();
        // The in-process centre needs no bus; the channel's tests skip without one.
        if (QDBusConnection::sessionBus().isConnected()) {
            peer =
                QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"ovra-corpus-peer"_s);
        }
    }

    void cleanupTestCase() { QDBusConnection::disconnectFromBus(u"ovra-corpus-peer"_s); }

    void deliversToMatchingNamesInRegistrationOrder()
    {
        NotificationCenter center;
        QObject a, b, all;
        QStringList calls;
        center.addObserver(&b, u"X"_s, [&](const Notification &) { calls << u"b"_s; });
        center.addObserver(&a, u"X"_s, [&](const Notification &) { calls << u"a"_s; });
        center.addObserver(&a, u"Y"_s, [&](const Notification &) { calls << u"ay"_s; });
        center.addObserver(&all, QString(),
                           [&](const Notification &n) { calls << u"all:"_s + n.name; });

        center.postNotificationName(u"X"_s);
        QCOMPARE(calls, (QStringList{u"b"_s, u"a"_s, u"all:X"_s}));
        calls.clear();
        center.postNotificationName(u"x"_s); // names match exactly, case included
        QCOMPARE(calls, QStringList{u"all:x"_s});
    }

    void objectAndUserInfoTravelSeparately()
    {
        NotificationCenter center;
        QObject observer;
        Notification seen;
        center.addObserver(&observer, u"AddStringToBuffer"_s,
                           [&](const Notification &n) { seen = n; });
        const QVariantMap payload{{u"newString"_s, u"7"_s}};
        center.postNotificationName(u"AddStringToBuffer"_s, payload);
        // A payload posted as the object is not found in the user information.
        QVERIFY(seen.userInfo.isEmpty());
        QCOMPARE(seen.object.toMap().value(u"newString"_s).toString(), u"7"_s);

        center.postNotificationName(u"AddStringToBuffer"_s, QVariant(), payload);
        QVERIFY(!seen.object.isValid());
        QCOMPARE(seen.userInfo.value(u"newString"_s).toString(), u"7"_s);
    }

    void observersLeaveByNameEntirelyOrWhenDestroyed()
    {
        NotificationCenter center;
        QStringList calls;
        QObject observer;
        center.addObserver(&observer, u"N"_s, [&](const Notification &) { calls << u"N"_s; });
        center.addObserver(&observer, u"M"_s, [&](const Notification &) { calls << u"M"_s; });
        center.removeObserver(&observer, u"N"_s);
        center.postNotificationName(u"N"_s);
        center.postNotificationName(u"M"_s);
        QCOMPARE(calls, QStringList{u"M"_s});
        center.removeObserver(&observer);
        center.postNotificationName(u"M"_s);
        QCOMPARE(calls, QStringList{u"M"_s});

        {
            QObject gone;
            center.addObserver(&gone, u"N"_s, [&](const Notification &) { calls << u"gone"_s; });
            center.addObserver(&gone, u"M"_s, [&](const Notification &) { calls << u"gone"_s; });
            QCOMPARE(center.observerCount(), 2);
        }
        QCOMPARE(center.observerCount(), 0);
        center.postNotificationName(u"N"_s);
        QCOMPARE(calls, QStringList{u"M"_s});

        // The centre may go first: destroying the observer afterwards must not
        // reach it (a use after free shows under the sanitizers).
        QObject survivor;
        {
            NotificationCenter shortLived;
            shortLived.addObserver(&survivor, u"N"_s, [](const Notification &) {});
            QCOMPARE(shortLived.observerCount(), 1);
        }
    }

    void handlerMayPostAndRemoveObservers()
    {
        NotificationCenter center;
        QObject first, second, late;
        QStringList calls;
        center.addObserver(&first, u"A"_s, [&](const Notification &) {
            calls << u"first"_s;
            center.removeObserver(&second); // not called for this post any more
            center.postNotificationName(u"B"_s);
            center.addObserver(&late, u"A"_s, [&](const Notification &) { calls << u"late"_s; });
        });
        center.addObserver(&second, u"A"_s, [&](const Notification &) { calls << u"second"_s; });
        center.addObserver(&first, u"B"_s, [&](const Notification &) { calls << u"B"_s; });

        center.postNotificationName(u"A"_s);
        // Observers added during a post see the next post, not this one.
        QCOMPARE(calls, (QStringList{u"first"_s, u"B"_s}));
    }

    void concurrentPostsAndRegistrationsAreSafe()
    {
        NotificationCenter center;
        QObject stable;
        std::atomic<int> delivered{0};
        center.addObserver(&stable, u"N"_s, [&](const Notification &) { ++delivered; });
        constexpr int kThreads = 4;
        constexpr int kPosts = 2000;
        std::vector<std::thread> threads;
        for (int i = 0; i < kThreads; ++i) {
            threads.emplace_back([&] {
                for (int j = 0; j < kPosts; ++j) {
                    center.postNotificationName(u"N"_s);
                }
            });
        }
        threads.emplace_back([&] {
            for (int j = 0; j < kPosts; ++j) {
                auto transient = std::make_unique<QObject>();
                center.addObserver(transient.get(), u"N"_s, [](const Notification &) {});
            }
        });
        for (auto &t : threads) {
            t.join();
        }
        // Counted at once: delivery runs on each posting thread, never queued.
        QCOMPARE(delivered.load(), kThreads * kPosts);
        QCOMPARE(center.observerCount(), 1);
    }

    void notifyToolReachesTheObserver()
    {
        if (!peer.isConnected()) {
            QSKIP("no D-Bus session bus (run the suite under dbus-run-session)");
        }
        DistributedNotificationCenter center;
        QVERIFY(center.isConnected());
        // Should the bus be shared, only this process's messages count.
        const QString tag = u"probe-%1"_s.arg(QCoreApplication::applicationPid());
        QObject observer;
        QList<QVariantMap> received;
        center.addObserver(&observer, kOvraXNotification, [&](const Notification &n) {
            if (n.userInfo.value(u"probe"_s).toString() == tag) {
                received << n.userInfo;
            }
        });
        QProcess tool;
        tool.start(QStringLiteral(OVRA_BUILD_BIN_DIR "/ovra-notify"),
                   {kOvraXNotification, u"action=statusIsRecording"_s,
                    u"senderApp=Ovra-Video.app"_s, u"--int"_s, u"count=3"_s, u"--bool"_s,
                    u"flag=YES"_s, u"probe="_s + tag});
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitCode(), 0);
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.first(), (QVariantMap{{kKeyAction, u"statusIsRecording"_s},
                                                {kKeySenderApp, u"Ovra-Video.app"_s},
                                                {u"count"_s, qint64(3)},
                                                {u"flag"_s, true},
                                                {u"probe"_s, tag}}));
    }

    // Raw signals from another peer, on the companions' channel but malformed,
    // misnamed or very large, reach no observer of the kiosk; a good one sent
    // right after still arrives intact (one sender's signals keep their order).
    void badMessage_data()
    {
        QTest::addColumn<QString>("interface");
        QTest::addColumn<QString>("member");
        QTest::addColumn<QVariantList>("arguments");
        QTest::addColumn<QString>("delivered"); // the name the centre hands on, if any
        const QString post = kDBusNotificationMember;
        const QString iface = kDBusNotificationInterface;
        const QString x = kOvraXNotification;
        const QVariantMap info{{u"recording"_s, true}};

        QTest::newRow("no arguments") << iface << post << QVariantList{} << QString();
        QTest::newRow("name only") << iface << post << QVariantList{x} << QString();
        QTest::newRow("string for info") << iface << post << QVariantList{x, u"x"_s} << QString();
        QTest::newRow("integer for info") << iface << post << QVariantList{x, 5} << QString();
        QTest::newRow("a{ss} for info")
            << iface << post << QVariantList{x, QVariant::fromValue(StringMap{{u"a"_s, u"b"_s}})}
            << QString();
        QTest::newRow("string list for info")
            << iface << post << QVariantList{x, QStringList{u"a"_s}} << QString();
        QTest::newRow("swapped") << iface << post << QVariantList{info, x} << QString();
        QTest::newRow("extra argument")
            << iface << post << QVariantList{x, info, u"more"_s} << QString();
        QTest::newRow("integer name") << iface << post << QVariantList{42, info} << QString();
        QTest::newRow("info in a variant")
            << iface << post << QVariantList{x, QVariant::fromValue(QDBusVariant(info))}
            << QString();
        QTest::newRow("empty name") << iface << post << QVariantList{QString(), info} << QString();
        QTest::newRow("name of 100000 characters")
            << iface << post << QVariantList{QString(100000, u'n'), info} << QString();
        QTest::newRow("other member") << iface << u"Posted"_s << QVariantList{x, info} << QString();
        QTest::newRow("other interface")
            << u"org.example.Other"_s << post << QVariantList{x, info} << QString();
        QTest::newRow("unknown name")
            << iface << post << QVariantList{kNoSuchName, info} << kNoSuchName;
        QTest::newRow("unknown name, 10 MB payload")
            << iface << post
            << QVariantList{kNoSuchName, QVariantMap{{u"blob"_s, QByteArray(10 << 20, 'b')},
                                                     {u"text"_s, QString(5 << 20, u't')}}}
            << kNoSuchName;
        QTest::newRow("unknown name, 10 nested dictionaries")
            << iface << post << QVariantList{kNoSuchName, nested(10)} << kNoSuchName;
    }

    void badMessage()
    {
        QFETCH(QString, interface);
        QFETCH(QString, member);
        QFETCH(QVariantList, arguments);
        QFETCH(QString, delivered);
        if (!peer.isConnected()) {
            QSKIP("no D-Bus session bus");
        }

        DistributedNotificationCenter center(QDBusConnection::sessionBus());
        QVERIFY(center.isConnected());
        QObject observer;
        QStringList everything;
        QList<QVariantMap> kiosk;
        center.addObserver(&observer, QString(),
                           [&everything](const Notification &n) { everything.append(n.name); });
        center.addObserver(&observer, kOvraXNotification,
                           [&kiosk](const Notification &n) { kiosk.append(n.userInfo); });

        QDBusMessage bad = QDBusMessage::createSignal(kDBusNotificationPath, interface, member);
        bad.setArguments(arguments);
        QVERIFY2(peer.send(bad), qPrintable(peer.lastError().message()));
        // Nested values arrive unwrapped.
        const QVariantMap good{{u"recording"_s, u"YES"_s},
                               {u"count"_s, 3},
                               {u"inner"_s, QVariantMap{{u"code"_s, u"ABC"_s}}},
                               {u"list"_s, QStringList{u"a"_s, u"b"_s}}};
        QVERIFY(DistributedNotificationCenter::post(peer, kOvraXNotification, good));

        QTRY_COMPARE(kiosk.size(), 1);
        QCOMPARE(kiosk.first(), good);
        const QStringList expected = delivered.isEmpty()
                                         ? QStringList{kOvraXNotification}
                                         : QStringList{delivered, kOvraXNotification};
        QCOMPARE(everything, expected);
    }

    void notifyToolArguments()
    {
        const QList<QStringList> valid{{u"N"_s}, {u"N"_s, u"a=b"_s, u"c="_s}};
        const QList<QStringList> invalid{{},
                                         {u"N"_s, u"ab"_s},
                                         {u"N"_s, u"--int"_s, u"a=x"_s},
                                         {u"N"_s, u"--bool"_s, u"a=maybe"_s},
                                         {u"--int"_s, u"N"_s}};
        for (const QStringList &args : valid + invalid) {
            QString error;
            const bool parsed = NotifyTool::parse(args, &error).has_value();
            QVERIFY2(parsed == valid.contains(args) && error.isEmpty() == parsed,
                     qPrintable(args.join(u' ')));
        }
    }

private:
    QDBusConnection peer{u"ovra-corpus-not-connected"_s};
};

QTEST_GUILESS_MAIN(TestDistributedNotificationCenter)
#include "tst_distributednotificationcenter.moc"
