// Guards the companions' session-bus channel: posts arrive intact, hostile signals reach no one.
#include "platform/DistributedNotificationCenter.h"
#include "platform/NotifyTool.h"
#include "shell/CommonHeader.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QProcess>
#include <QTest>

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
        if (!QDBusConnection::sessionBus().isConnected()) {
            QSKIP("no D-Bus session bus (run the suite under dbus-run-session)");
        }
        peer = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"ovra-corpus-peer"_s);
        QVERIFY(peer.isConnected());
    }

    void cleanupTestCase() { QDBusConnection::disconnectFromBus(u"ovra-corpus-peer"_s); }

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
        const QVariantMap good{{u"recording"_s, u"YES"_s}, {u"count"_s, 3}};
        QVERIFY(DistributedNotificationCenter::post(peer, kOvraXNotification, good));

        QTRY_COMPARE(kiosk.size(), 1);
        QCOMPARE(kiosk.first().value(u"recording"_s).toString(), u"YES"_s);
        QCOMPARE(kiosk.first().value(u"count"_s).toInt(), 3);
        const QStringList expected = delivered.isEmpty()
                                         ? QStringList{kOvraXNotification}
                                         : QStringList{delivered, kOvraXNotification};
        QCOMPARE(everything, expected);
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
    QDBusConnection peer{u"ovra-corpus-not-connected"_s};
};

QTEST_GUILESS_MAIN(TestDistributedNotificationCenter)
#include "tst_distributednotificationcenter.moc"
