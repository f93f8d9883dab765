// Guards the XML writer: layout, escaping and array item names that the reader reads back.
#include "shell/CommonHeader.h"
#include "support/OvraNSXmlParser.h"
#include "support/OvraXmlWriter.h"

#include "TestSupport.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QString document(const QStringList &lines)
{
    return kXmlHeaderLine + u"\n"_s + lines.join(u"\n"_s) + u"\n"_s;
}

// A re-assignment record: attributes, arrays and text that needs escaping.
QVariantMap reassignmentRecord()
{
    return {
        {u"@type"_s, u"changecode"_s},
        {u"oldcode"_s, QVariantMap{{u"@date"_s, u"2024-05-01"_s}, {u"value"_s, u"A&B <1>"_s}}},
        {u"newcode"_s, QVariantMap{{u"@date"_s, u"2024-05-01"_s}, {u"value"_s, u"NEW"_s}}},
        {u"files"_s, QStringList{u"a.jpg"_s, u"b <2>.jpg"_s}},
        {u"datafornewcode"_s, QVariantMap{{u"code"_s, u"NEW"_s},
                                          {u"name"_s, u"Room & Co"_s},
                                          {u"groupcodes"_s, QVariantList{u"111"_s, u"222"_s}}}}};
}

} // namespace

class TestOvraXmlWriter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void members_data()
    {
        QTest::addColumn<QVariantMap>("content");
        QTest::addColumn<QStringList>("body"); // the lines between <data> and </data>
        QTest::newRow("empty array writes only indentation")
            << QVariantMap{{u"a"_s, QVariantList()}, {u"b"_s, u"x"_s}}
            << QStringList{u"\t\t<b>x</b>"_s};
        QTest::newRow("empty dictionary writes two tags")
            << QVariantMap{{u"a"_s, QVariantMap()}} << QStringList{u"\t<a>"_s, u"\t</a>"_s};
        QTest::newRow("attribute plus non-string member is a child")
            << QVariantMap{{u"a"_s, QVariantMap{{u"@k"_s, u"v"_s},
                                                {u"sub"_s, QVariantMap{{u"c"_s, u"1"_s}}}}}}
            << QStringList{u"\t<a k=\"v\">"_s, u"\t\t<sub>"_s, u"\t\t\t<c>1</c>"_s, u"\t\t</sub>"_s,
                           u"\t</a>"_s};
        QTest::newRow("numbered items and nested arrays")
            << QVariantMap{{u"ids"_s, QVariantList{u"p"_s, QVariantList{u"q"_s}}}}
            << QStringList{u"\t<ids>"_s,      u"\t\t<item0>p</item0>"_s,
                           u"\t\t<item1>"_s,  u"\t\t\t<item0>q</item0>"_s,
                           u"\t\t</item1>"_s, u"\t</ids>"_s};
        QTest::newRow("user data looked up")
            << QVariantMap{{u"userdataxx"_s, QStringList{u"u1"_s}}}
            << QStringList{u"\t<userdataxx>"_s, u"\t\t<user>u1</user>"_s, u"\t</userdataxx>"_s};
        QTest::newRow("attributes lose double quotes and are escaped")
            << QVariantMap{{u"a"_s, QVariantMap{{u"@k"_s, u"say \"hi\" & <go>"_s},
                                                {u"@n"_s, 3},
                                                {u"v"_s, u"t"_s}}}}
            << QStringList{u"\t<a k=\"say hi &amp; &lt;go&gt;\" n=\"3\">"_s, u"\t\tt"_s,
                           u"\t</a>"_s};
        QTest::newRow("text escaped") << QVariantMap{{u"a"_s, u"x & y < z > w \"q\""_s}}
                                      << QStringList{u"\t<a>x &amp; y &lt; z &gt; w \"q\"</a>"_s};
    }

    void members()
    {
        QFETCH(QVariantMap, content);
        QFETCH(QStringList, body);
        OvraXmlWriter writer;
        writer.doStartConversion(content);
        QCOMPARE(writer.mString(),
                 document(QStringList{u"<data>"_s} + body + QStringList{u"</data>"_s}));
    }

    void twoConversionsGiveTheSameText()
    {
        OvraXmlWriter writer;
        writer.mLookupArrayName().insert(u"files"_s, u"filename"_s);
        const QVariantMap content = reassignmentRecord();
        writer.doStartConversion(content);
        const QString first = writer.mString();
        writer.doStartConversion(content);
        QCOMPARE(writer.mString(), first);
        QCOMPARE(writer.indentCount(), 0);
        // The caller's attribute members are not consumed.
        QCOMPARE(content, reassignmentRecord());
    }

    void roundTrip()
    {
        OvraXmlWriter writer;
        writer.mLookupArrayName().insert(u"groupcodes"_s, u"code"_s);
        writer.mLookupArrayName().insert(u"images"_s, u"image"_s);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"info.xml"_s);
        QVERIFY(TestSupport::writeFile(path, "stale")); // replaced whole
        writer.doStartConversion2(
            {{kXmlMainXmlKeyName, u"data"_s},
             {kXmlWriteXmlPath, path},
             {kXmlDictionary,
              QVariantMap{{u"code"_s, u"12345678"_s},
                          {u"name"_s, u"Room%201"_s},
                          {u"images"_s,
                           QVariantList{QVariantMap{{u"@id"_s, u"1"_s},
                                                    {u"file"_s, u"a.jpg"_s},
                                                    {u"size"_s, u"640"_s}},
                                        // One attribute and one string: the string is the text.
                                        QVariantMap{{u"@id"_s, u"2"_s}, {u"file"_s, u"b.jpg"_s}}}},
                          {u"groupcodes"_s, QVariantList{u"111"_s, u"222"_s}}}}});
        const std::optional<QVariantMap> read = OvraNSXmlParser::testParser(path);
        QVERIFY(read);
        QCOMPARE(*read,
                 (QVariantMap{{u"code"_s, u"12345678"_s},
                              {u"name"_s, u"Room 1"_s},
                              {u"image"_s, QVariantList{QVariantMap{{u"id"_s, u"1"_s},
                                                                    {u"file"_s, u"a.jpg"_s},
                                                                    {u"size"_s, u"640"_s}},
                                                        QVariantMap{{u"id"_s, u"2"_s},
                                                                    {u"value"_s, u"b.jpg"_s}}}},
                              {u"images"_s, QString()},
                              {u"groupcodes"_s, QVariantList{u"111"_s, u"222"_s}}}));
    }

    void unwritableTargetIsOnlyLogged()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"missing/folder/record.xml"_s);
        OvraXmlWriter writer;
        QVERIFY(writer.doStartConversion2({{kXmlMainXmlKeyName, u"data"_s},
                                           {kXmlWriteXmlPath, path},
                                           {kXmlDictionary, QVariantMap{{u"a"_s, u"1"_s}}}}));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(writer.mString(), document({u"<data>"_s, u"\t<a>1</a>"_s, u"</data>"_s}));
    }
};

QTEST_GUILESS_MAIN(TestOvraXmlWriter)
#include "tst_ovraxmlwriter.moc"
