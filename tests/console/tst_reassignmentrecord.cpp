// Guards the code re-assignment record: its week-based-year name, escaping and layout.
#include "TestSupport.h"
#include "console/ReassignmentRecord.h"
#include "support/OvraNSXmlParser.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString read(const QString &path)
{
    return QString::fromUtf8(TestSupport::readFile(path));
}

ReassignmentRecord sample()
{
    ReassignmentRecord record;
    record.oldCode = u"abc"_s;
    record.oldDate = u"2019-12-30"_s;
    record.newCode = u"XYZ"_s;
    record.newDate = u"2019-12-30"_s;
    record.files = {u"p1.jpg"_s, u"Tom & Jerry.jpg"_s};
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
            << u"20201230100000_reassigned.xml"_s;
        QTest::newRow("28 Dec 2019 is still 2019")
            << QDateTime(QDate(2019, 12, 28), QTime(23, 59, 59))
            << u"20191228235959_reassigned.xml"_s;
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
        QCOMPARE(path, fDir->filePath(u"20200301080000_reassigned.xml"_s));
        const QString text = read(path);
        QVERIFY(text.startsWith(
            QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
                           "<data type=\"changecode\">\n")));
        QVERIFY(text.endsWith(u"</data>\n"_s));
        QVERIFY(text.contains(u"\t<oldcode date=\"2019-12-30\">\n\t\tabc\n\t</oldcode>\n"_s));
        QVERIFY(text.contains(u"\t<newcode date=\"2019-12-30\">\n\t\tXYZ\n\t</newcode>\n"_s));
        QVERIFY(text.contains(QStringLiteral("\t<files>\n\t\t<filename>p1.jpg</filename>\n"
                                             "\t\t<filename>Tom &amp; Jerry.jpg</filename>\n"
                                             "\t</files>\n")));
        QVERIFY(!text.contains(u"datafornewcode"_s));
        QCOMPARE(QDir(fDir->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"20200301080000_reassigned.xml"_s});
    }

    // Escaping: what the reader gets back is what was written, and xmllint accepts the file.
    void readsBackWithTheReader()
    {
        ReassignmentRecord record = sample();
        record.newCode = u"A<B>"_s;
        record.newCodeInfo = {{u"name"_s, u"Smith & <Jones> \"Sons\""_s},
                              {u"ids"_s, QStringList{u"7"_s, u"8"_s}}};
        const QString path = record.writeInto(fDir->path(), QDateTime::currentDateTime());
        QVERIFY(!path.isEmpty());
        OvraNSXmlParser parser(read(path).toUtf8());
        parser.setItemNeedsArray({u"files"_s, u"ids"_s});
        parser.setItemNeedsDictionary({u"data"_s, u"oldcode"_s, u"newcode"_s, u"datafornewcode"_s});
        parser.setRootKey(u"data"_s);
        QVERIFY(parser.parse());
        const QVariantMap data = parser.mDictionary().toMap();
        QCOMPARE(data.value(u"type"_s), QVariant(u"changecode"_s));
        QCOMPARE(data.value(u"files"_s).toStringList(), record.files);
        QCOMPARE(data.value(u"newcode"_s).toMap().value(u"value"_s), QVariant(u"A<B>"_s));
        const QVariantMap info = data.value(u"datafornewcode"_s).toMap();
        QCOMPARE(info.value(u"name"_s), QVariant(u"Smith & <Jones> \"Sons\""_s));
        QCOMPARE(info.value(u"ids"_s).toStringList(), (QStringList{u"7"_s, u"8"_s}));

        const QString xmllint = QStandardPaths::findExecutable(u"xmllint"_s);
        if (xmllint.isEmpty()) {
            QSKIP("xmllint is not installed");
        }
        QProcess lint;
        lint.start(xmllint, {u"--noout"_s, path});
        QVERIFY(lint.waitForFinished(30000));
        QCOMPARE(lint.readAllStandardError(), QByteArray());
        QCOMPARE(lint.exitCode(), 0);
    }

    void aTakenNameIsNeverReplaced()
    {
        const QDateTime instant(QDate(2020, 3, 1), QTime(8, 0, 0));
        const QString first = sample().writeInto(fDir->path(), instant);
        ReassignmentRecord second = sample();
        second.files = {u"other.jpg"_s};
        const QString secondPath = second.writeInto(fDir->path(), instant);
        QCOMPARE(QFileInfo(secondPath).fileName(), u"20200301080000-2_reassigned.xml"_s);
        QVERIFY(read(first).contains(u"p1.jpg"_s));
        QVERIFY(read(secondPath).contains(u"other.jpg"_s));
    }

    void noFolderGivesNoRecord()
    {
        const QString missing = fDir->filePath(u"not/there"_s);
        QVERIFY(sample().writeInto(missing, QDateTime::currentDateTime()).isNull());
        QVERIFY(!QFileInfo::exists(missing));
    }

private:
    std::unique_ptr<QTemporaryDir> fDir;
};

QTEST_GUILESS_MAIN(TestReassignmentRecord)
#include "tst_reassignmentrecord.moc"
