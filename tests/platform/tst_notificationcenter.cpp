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
    void deliversToMatchingNamesInRegistrationOrder();
    void objectAndUserInfoTravelSeparately();
    void senderFilterMatchesOnlyThatObject();
    void observerIsRemovedWhenDestroyed();
    void centreMayGoBeforeItsObservers();
    void removeObserverByNameOrEntirely();
    void handlerMayPostAndRemoveObservers();
    void deliveryRunsOnThePostingThread();
    void concurrentPostsAndRegistrationsAreSafe();
};

void TestNotificationCenter::deliversToMatchingNamesInRegistrationOrder()
{
    NotificationCenter center;
    QObject a, b, all;
    QStringList calls;
    center.addObserver(&b, QStringLiteral("X"), [&](const Notification &) { calls << u"b"_s; });
    center.addObserver(&a, QStringLiteral("X"), [&](const Notification &) { calls << u"a"_s; });
    center.addObserver(&a, QStringLiteral("Y"), [&](const Notification &) { calls << u"ay"_s; });
    center.addObserver(&all, QString(),
                       [&](const Notification &n) { calls << u"all:"_s + n.name; });

    center.postNotificationName(QStringLiteral("X"));
    QCOMPARE(calls, (QStringList{u"b"_s, u"a"_s, u"all:X"_s}));
    calls.clear();
    center.postNotificationName(QStringLiteral("x")); // names match exactly, case included
    QCOMPARE(calls, QStringList{u"all:x"_s});
}

void TestNotificationCenter::objectAndUserInfoTravelSeparately()
{
    NotificationCenter center;
    QObject observer;
    Notification seen;
    center.addObserver(&observer, QStringLiteral("AddStringToBuffer"),
                       [&](const Notification &n) { seen = n; });
    const QVariantMap payload{{u"newString"_s, u"7"_s}};
    center.postNotificationName(QStringLiteral("AddStringToBuffer"), payload);
    // A payload posted as the object is not found in the user information.
    QVERIFY(seen.userInfo.isEmpty());
    QCOMPARE(seen.object.toMap().value(u"newString"_s).toString(), u"7"_s);

    center.postNotificationName(QStringLiteral("AddStringToBuffer"), QVariant(), payload);
    QVERIFY(!seen.object.isValid());
    QCOMPARE(seen.userInfo.value(u"newString"_s).toString(), u"7"_s);
}

void TestNotificationCenter::senderFilterMatchesOnlyThatObject()
{
    NotificationCenter center;
    QObject observer, sender, other;
    int count = 0;
    center.addObserver(
        &observer, QStringLiteral("N"), [&](const Notification &) { ++count; }, &sender);
    center.postNotificationName(QStringLiteral("N"), QVariant::fromValue<QObject *>(&other));
    center.postNotificationName(QStringLiteral("N"));
    QCOMPARE(count, 0);
    center.postNotificationName(QStringLiteral("N"), QVariant::fromValue<QObject *>(&sender));
    QCOMPARE(count, 1);
}

void TestNotificationCenter::observerIsRemovedWhenDestroyed()
{
    NotificationCenter center;
    int count = 0;
    {
        QObject observer;
        center.addObserver(&observer, QStringLiteral("N"), [&](const Notification &) { ++count; });
        center.addObserver(&observer, QStringLiteral("M"), [&](const Notification &) { ++count; });
        QCOMPARE(center.observerCount(), 2);
    }
    QCOMPARE(center.observerCount(), 0);
    center.postNotificationName(QStringLiteral("N"));
    QCOMPARE(count, 0);
}

void TestNotificationCenter::centreMayGoBeforeItsObservers()
{
    QObject observer;
    {
        NotificationCenter center;
        center.addObserver(&observer, QStringLiteral("N"), [](const Notification &) {});
    }
    // Destroying the observer now must not reach the destroyed centre.
}

void TestNotificationCenter::removeObserverByNameOrEntirely()
{
    NotificationCenter center;
    QObject observer;
    QStringList calls;
    center.addObserver(&observer, QStringLiteral("N"),
                       [&](const Notification &) { calls << u"N"_s; });
    center.addObserver(&observer, QStringLiteral("M"),
                       [&](const Notification &) { calls << u"M"_s; });
    center.removeObserver(&observer, QStringLiteral("N"));
    center.postNotificationName(QStringLiteral("N"));
    center.postNotificationName(QStringLiteral("M"));
    QCOMPARE(calls, QStringList{u"M"_s});
    center.removeObserver(&observer);
    center.postNotificationName(QStringLiteral("M"));
    QCOMPARE(calls, QStringList{u"M"_s});
}

void TestNotificationCenter::handlerMayPostAndRemoveObservers()
{
    NotificationCenter center;
    QObject first, second, late;
    QStringList calls;
    center.addObserver(&first, QStringLiteral("A"), [&](const Notification &) {
        calls << u"first"_s;
        center.removeObserver(&second); // not called for this post any more
        center.postNotificationName(QStringLiteral("B"));
        center.addObserver(&late, QStringLiteral("A"),
                           [&](const Notification &) { calls << u"late"_s; });
    });
    center.addObserver(&second, QStringLiteral("A"),
                       [&](const Notification &) { calls << u"second"_s; });
    center.addObserver(&first, QStringLiteral("B"), [&](const Notification &) { calls << u"B"_s; });

    center.postNotificationName(QStringLiteral("A"));
    // Observers added during a post see the next post, not this one.
    QCOMPARE(calls, (QStringList{u"first"_s, u"B"_s}));
}

void TestNotificationCenter::deliveryRunsOnThePostingThread()
{
    NotificationCenter center;
    QObject observer;
    std::atomic<QThread *> deliveredOn{nullptr};
    center.addObserver(&observer, QStringLiteral("N"),
                       [&](const Notification &) { deliveredOn = QThread::currentThread(); });
    QThread *worker = nullptr;
    std::thread t([&] {
        worker = QThread::currentThread();
        center.postNotificationName(QStringLiteral("N"));
    });
    t.join();
    QVERIFY(deliveredOn.load() != nullptr);
    QCOMPARE(deliveredOn.load(), worker);
    QVERIFY(deliveredOn.load() != QThread::currentThread());
}

void TestNotificationCenter::concurrentPostsAndRegistrationsAreSafe()
{
    NotificationCenter center;
    QObject stable;
    std::atomic<int> delivered{0};
    center.addObserver(&stable, QStringLiteral("N"), [&](const Notification &) { ++delivered; });
    constexpr int kThreads = 4;
    constexpr int kPosts = 2000;
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&] {
            for (int j = 0; j < kPosts; ++j) {
                center.postNotificationName(QStringLiteral("N"));
            }
        });
    }
    threads.emplace_back([&] {
        for (int j = 0; j < kPosts; ++j) {
            auto transient = std::make_unique<QObject>();
            center.addObserver(transient.get(), QStringLiteral("N"), [](const Notification &) {});
        }
    });
    for (auto &t : threads) {
        t.join();
    }
    QCOMPARE(delivered.load(), kThreads * kPosts);
    QCOMPARE(center.observerCount(), 1);
}

QTEST_GUILESS_MAIN(TestNotificationCenter)
#include "tst_notificationcenter.moc"
