#include "platform/DistributedNotificationCenter.h"
#include "shell/CommonHeader.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QtTest>

using namespace Qt::StringLiterals;

using StringMap = QMap<QString, QString>;

namespace {
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

// Raw signals from another peer on the session bus, addressed to the
// companions' channel but malformed, misnamed or very large. None of them may
// reach the kiosk's observers, and a good notification sent right after each
// one must still arrive intact (signals of one sender keep their order, so
// its arrival means the bad one was handled before). Needs a session bus
// (dbus-run-session).
class tst_DistributedNotificationCenterCorpus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void badMessage_data();
    void badMessage();
    void cleanupTestCase();

private:
    QDBusConnection peer{u"ovra-corpus-not-connected"_s};
};

void tst_DistributedNotificationCenterCorpus::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    qDBusRegisterMetaType<StringMap>();
    if (!QDBusConnection::sessionBus().isConnected()) {
        QSKIP("no session bus: run under dbus-run-session");
    }
    peer = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"ovra-corpus-peer"_s);
    QVERIFY(peer.isConnected());
}

void tst_DistributedNotificationCenterCorpus::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus(u"ovra-corpus-peer"_s);
}

void tst_DistributedNotificationCenterCorpus::badMessage_data()
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
        << iface << post << QVariantList{x, QVariant::fromValue(QDBusVariant(info))} << QString();
    QTest::newRow("empty name") << iface << post << QVariantList{QString(), info} << QString();
    QTest::newRow("name of 100000 characters")
        << iface << post << QVariantList{QString(100000, u'n'), info} << QString();
    QTest::newRow("other member") << iface << u"Posted"_s << QVariantList{x, info} << QString();
    QTest::newRow("other interface")
        << u"org.example.Other"_s << post << QVariantList{x, info} << QString();
    QTest::newRow("unknown name") << iface << post << QVariantList{kNoSuchName, info}
                                  << kNoSuchName;
    QTest::newRow("unknown name, 10 MB payload")
        << iface << post
        << QVariantList{kNoSuchName, QVariantMap{{u"blob"_s, QByteArray(10 << 20, 'b')},
                                                 {u"text"_s, QString(5 << 20, u't')}}}
        << kNoSuchName;
    QTest::newRow("unknown name, 10 nested dictionaries")
        << iface << post << QVariantList{kNoSuchName, nested(10)} << kNoSuchName;
}

void tst_DistributedNotificationCenterCorpus::badMessage()
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
    const QStringList expected = delivered.isEmpty() ? QStringList{kOvraXNotification}
                                                     : QStringList{delivered, kOvraXNotification};
    QCOMPARE(everything, expected);
}

QTEST_GUILESS_MAIN(tst_DistributedNotificationCenterCorpus)
#include "tst_distributednotificationcentercorpus.moc"
