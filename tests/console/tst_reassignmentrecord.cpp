#include "console/ReassignmentRecord.h"
#include "support/OvraNSXmlParser.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

ReassignmentRecord sample()
{
    ReassignmentRecord record;
    record.oldCode = QStringLiteral("abc");
    record.oldDate = QStringLiteral("2019-12-30");
    record.newCode = QStringLiteral("XYZ");
    record.newDate = QStringLiteral("2019-12-30");
    record.files = {QStringLiteral("p1.jpg"), QStringLiteral("Tom & Jerry.jpg")};
    return record;
}

} // namespace

class TestReassignmentRecord : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        fDir = std::make_unique<QTemporaryDir>();
        QVERIFY(fDir->isValid());
    }

    void nameUsesTheWeekBasedYear_data()
    {
        QTest::addColumn<QDateTime>("instant");
        QTest::addColumn<QString>("name");
        QTest::newRow("30 Dec 2019 is in week 1 of 2020")
            << QDateTime(QDate(2019, 12, 30), QTime(10, 0, 0))
            << QStringLiteral("20201230100000_reassigned.xml");
        QTest::newRow("28 Dec 2019 is still 2019")
            << QDateTime(QDate(2019, 12, 28), QTime(23, 59, 59))
            << QStringLiteral("20191228235959_reassigned.xml");
        QTest::newRow("midsummer, hour past noon")
            << QDateTime(QDate(2021, 6, 15), QTime(13, 5, 7))
            << QStringLiteral("20210615130507_reassigned.xml");
    }
    void nameUsesTheWeekBasedYear()
    {
        QFETCH(QDateTime, instant);
        QFETCH(QString, name);
        QCOMPARE(ReassignmentRecord::fileName(instant), name);
    }

    void layoutWithTabs()
    {
        const QString path =
            sample().writeInto(fDir->path(), QDateTime(QDate(2020, 3, 1), QTime(8, 0, 0)));
        QCOMPARE(path, fDir->filePath(QStringLiteral("20200301080000_reassigned.xml")));
        const QString text = read(path);
        QVERIFY(text.startsWith(
            QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
                           "<data type=\"changecode\">\n")));
        QVERIFY(text.endsWith(QStringLiteral("</data>\n")));
        QVERIFY(text.contains(
            QStringLiteral("\t<oldcode date=\"2019-12-30\">\n\t\tabc\n\t</oldcode>\n")));
        QVERIFY(text.contains(
            QStringLiteral("\t<newcode date=\"2019-12-30\">\n\t\tXYZ\n\t</newcode>\n")));
        QVERIFY(text.contains(QStringLiteral("\t<files>\n\t\t<filename>p1.jpg</filename>\n"
                                             "\t\t<filename>Tom &amp; Jerry.jpg</filename>\n"
                                             "\t</files>\n")));
        QVERIFY(!text.contains(QStringLiteral("datafornewcode")));
        QCOMPARE(QDir(fDir->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("20200301080000_reassigned.xml")});
    }

    void readsBackWithTheReader()
    {
        ReassignmentRecord record = sample();
        record.newCodeInfo = {
            {QStringLiteral("name"), QStringLiteral("Smith & Sons")},
            {QStringLiteral("ids"), QStringList{QStringLiteral("7"), QStringLiteral("8")}}};
        const QString path = record.writeInto(fDir->path(), QDateTime::currentDateTime());
        QVERIFY(!path.isEmpty());
        OvraNSXmlParser parser(read(path).toUtf8());
        parser.setItemNeedsArray({QStringLiteral("files"), QStringLiteral("ids")});
        parser.setItemNeedsDictionary({QStringLiteral("data"), QStringLiteral("oldcode"),
                                       QStringLiteral("newcode"),
                                       QStringLiteral("datafornewcode")});
        parser.setRootKey(QStringLiteral("data"));
        QVERIFY(parser.parse());
        const QVariantMap data = parser.mDictionary().toMap();
        QCOMPARE(data.value(QStringLiteral("type")), QVariant(QStringLiteral("changecode")));
        QCOMPARE(data.value(QStringLiteral("files")).toStringList(), record.files);
        QCOMPARE(data.value(QStringLiteral("newcode")).toMap().value(QStringLiteral("value")),
                 QVariant(QStringLiteral("XYZ")));
        const QVariantMap info = data.value(QStringLiteral("datafornewcode")).toMap();
        QCOMPARE(info.value(QStringLiteral("name")), QVariant(QStringLiteral("Smith & Sons")));
        QCOMPARE(info.value(QStringLiteral("ids")).toStringList(),
                 (QStringList{QStringLiteral("7"), QStringLiteral("8")}));
    }

    void emptyCodeInfoIsLeftOut()
    {
        const QVariantMap content = sample().dictionary();
        QVERIFY(!content.contains(QStringLiteral("datafornewcode")));
        ReassignmentRecord withInfo = sample();
        withInfo.newCodeInfo = {{QStringLiteral("name"), QStringLiteral("x")}};
        QVERIFY(withInfo.dictionary().contains(QStringLiteral("datafornewcode")));
    }

    void aTakenNameIsNeverReplaced()
    {
        const QDateTime instant(QDate(2020, 3, 1), QTime(8, 0, 0));
        const QString first = sample().writeInto(fDir->path(), instant);
        ReassignmentRecord second = sample();
        second.files = {QStringLiteral("other.jpg")};
        const QString secondPath = second.writeInto(fDir->path(), instant);
        QCOMPARE(QFileInfo(secondPath).fileName(),
                 QStringLiteral("20200301080000-2_reassigned.xml"));
        QVERIFY(read(first).contains(QStringLiteral("p1.jpg")));
        QVERIFY(read(secondPath).contains(QStringLiteral("other.jpg")));
    }

    void noFolderGivesNoRecord()
    {
        const QString missing = fDir->filePath(QStringLiteral("not/there"));
        QVERIFY(sample().writeInto(missing, QDateTime::currentDateTime()).isNull());
        QVERIFY(!QFileInfo::exists(missing));
    }

    void xmllintAcceptsIt()
    {
        const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
        if (xmllint.isEmpty()) {
            QSKIP("xmllint is not installed");
        }
        ReassignmentRecord record = sample();
        record.newCode = QStringLiteral("A<B>");
        record.newCodeInfo = {{QStringLiteral("name"), QStringLiteral("Smith & \"Sons\"")}};
        const QString path = record.writeInto(fDir->path(), QDateTime::currentDateTime());
        QProcess lint;
        lint.start(xmllint, {QStringLiteral("--noout"), path});
        QVERIFY(lint.waitForFinished(30000));
        QCOMPARE(lint.readAllStandardError(), QByteArray());
        QCOMPARE(lint.exitCode(), 0);
    }

private:
    std::unique_ptr<QTemporaryDir> fDir;
};

QTEST_GUILESS_MAIN(TestReassignmentRecord)
#include "tst_reassignmentrecord.moc"
