#include "platform/DistributedNotificationCenter.h"
#include "platform/NotifyTool.h"
#include "shell/CommonHeader.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// Needs a session bus: the suite runs under dbus-run-session.

class TestDistributedNotificationCenter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected()) {
            QSKIP("no D-Bus session bus (run the suite under dbus-run-session)");
        }
    }

    void notifyToolReachesTheObserver()
    {
        DistributedNotificationCenter center;
        QVERIFY(center.isConnected());
        received_.clear();
        center.addObserver(&observer_, kOvraXNotification, [this](const Notification &n) {
            if (n.userInfo.value(u"probe"_s).toString() == tag_) {
                received_ << n;
            }
        });
        QProcess tool;
        tool.start(QStringLiteral(OVRA_BUILD_BIN_DIR "/ovra-notify"),
                   {kOvraXNotification, u"action=statusIsRecording"_s,
                    u"senderApp=Ovra-Video.app"_s, u"--int"_s, u"count=3"_s, u"--bool"_s,
                    u"flag=YES"_s, u"probe="_s + tag_});
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitCode(), 0);
        QTRY_COMPARE(received_.size(), 1);
        const QVariantMap info = received_.first().userInfo;
        QCOMPARE(info.value(kKeyAction).toString(), u"statusIsRecording"_s);
        QCOMPARE(info.value(kKeySenderApp).toString(), u"Ovra-Video.app"_s);
        QCOMPARE(info.value(u"count"_s).toLongLong(), 3);
        QCOMPARE(info.value(u"flag"_s).toBool(), true);
    }

    void nestedValuesArriveUnwrapped()
    {
        DistributedNotificationCenter center;
        received_.clear();
        center.addObserver(&observer_, tag_ + u"Nested"_s,
                           [this](const Notification &n) { received_ << n; });
        const QVariantMap inner{{u"code"_s, u"ABC"_s}};
        QVERIFY(DistributedNotificationCenter::post(
            QDBusConnection::sessionBus(), tag_ + u"Nested"_s,
            {{u"inner"_s, inner}, {u"list"_s, QStringList{u"a"_s, u"b"_s}}}));
        QTRY_COMPARE(received_.size(), 1);
        const QVariantMap info = received_.first().userInfo;
        QCOMPARE(info.value(u"inner"_s).toMap().value(u"code"_s).toString(), u"ABC"_s);
        QCOMPARE(info.value(u"list"_s).toStringList(), (QStringList{u"a"_s, u"b"_s}));
    }

    void wrongSignatureIsIgnored_data()
    {
        QTest::addColumn<QVariantList>("arguments");
        QTest::newRow("no arguments") << QVariantList{};
        QTest::newRow("name only") << QVariantList{tag_ + u"bad"_s};
        QTest::newRow("number for name") << QVariantList{42, QVariantMap{}};
        QTest::newRow("string for info") << QVariantList{tag_ + u"bad"_s, u"x"_s};
        QTest::newRow("empty name") << QVariantList{QString(), QVariantMap{}};
        QTest::newRow("huge name") << QVariantList{QString(100000, u'N'), QVariantMap{}};
    }

    void wrongSignatureIsIgnored()
    {
        QFETCH(QVariantList, arguments);
        DistributedNotificationCenter center;
        received_.clear();
        center.addObserver(&observer_, QString(), [this](const Notification &n) {
            if (n.name.isEmpty() || n.name.startsWith(tag_) || n.name.size() > 1000) {
                received_ << n;
            }
        });
        QDBusMessage bad = QDBusMessage::createSignal(u"/any/path"_s, kDBusNotificationInterface,
                                                      kDBusNotificationMember);
        bad.setArguments(arguments);
        QVERIFY(QDBusConnection::sessionBus().send(bad));
        // A good one afterwards proves the bad one was processed (and dropped) first.
        QVERIFY(DistributedNotificationCenter::post(QDBusConnection::sessionBus(),
                                                    tag_ + u"After"_s, {}));
        QTRY_COMPARE(received_.size(), 1);
        QCOMPARE(received_.first().name, tag_ + u"After"_s);
    }

    void notifyToolArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("valid");
        QTest::newRow("name only") << QStringList{u"N"_s} << true;
        QTest::newRow("pairs") << QStringList{u"N"_s, u"a=b"_s, u"c="_s} << true;
        QTest::newRow("no name") << QStringList{} << false;
        QTest::newRow("pair without =") << QStringList{u"N"_s, u"ab"_s} << false;
        QTest::newRow("bad int") << QStringList{u"N"_s, u"--int"_s, u"a=x"_s} << false;
        QTest::newRow("bad bool") << QStringList{u"N"_s, u"--bool"_s, u"a=maybe"_s} << false;
        QTest::newRow("flag before name") << QStringList{u"--int"_s, u"N"_s} << false;
    }

    void notifyToolArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, valid);
        QString error;
        QCOMPARE(NotifyTool::parse(args, &error).has_value(), valid);
        QCOMPARE(error.isEmpty(), valid);
    }

private:
    // Other tests share the session bus: only this process's messages count.
    const QString tag_ = u"probe-%1-"_s.arg(QCoreApplication::applicationPid());
    QList<Notification> received_;
    QObject observer_;
};

QTEST_GUILESS_MAIN(TestDistributedNotificationCenter)
#include "tst_distributednotificationcenter.moc"
