// Guards in-process notifications: delivery order, filters, removal, threads.
#include "platform/NotificationCenter.h"

#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

class TestNotificationCenter : public QObject
{
    Q_OBJECT
private slots:
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

    void deliveryRunsOnThePostingThread()
    {
        NotificationCenter center;
        QObject observer;
        std::atomic<QThread *> deliveredOn{nullptr};
        center.addObserver(&observer, u"N"_s,
                           [&](const Notification &) { deliveredOn = QThread::currentThread(); });
        QThread *worker = nullptr;
        std::thread t([&] {
            worker = QThread::currentThread();
            center.postNotificationName(u"N"_s);
        });
        t.join();
        QVERIFY(deliveredOn.load() != nullptr);
        QCOMPARE(deliveredOn.load(), worker);
        QVERIFY(deliveredOn.load() != QThread::currentThread());
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
        QCOMPARE(delivered.load(), kThreads * kPosts);
        QCOMPARE(center.observerCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestNotificationCenter)
#include "tst_notificationcenter.moc"
