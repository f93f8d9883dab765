// Guards code info XML: the writer's text reads back whole, hostile documents give no values.
#include "shell/CommonHeader.h"
#include "support/OvraNSXmlParser.h"
#include "support/OvraXmlWriter.h"

#include "BadCorpus.h"
#include "StderrCapture.h"
#include "TestHarness.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// tests/data/xml-corpus/info-file.xml, a code info file as the intake writes it.
const QString kInfoFile = QStringLiteral(OVRA_TEST_DATA_DIR "/xml-corpus/info-file.xml");

QVariantMap infoFileResult()
{
    return {{u"code"_s, u"12345678"_s},
            {u"name"_s, u"Room 1"_s},
            {u"image"_s, QVariantList{QVariantMap{{u"id"_s, u"1"_s}, {u"file"_s, u"a.jpg"_s}},
                                      QVariantMap{{u"id"_s, u"2"_s}, {u"file"_s, u"b.jpg"_s}}}},
            {u"groupcodes"_s, QVariantList{u"111"_s, u"222"_s}}};
}

QByteArray entityChain(int levels)
{
    QByteArray doc = "<?xml version='1.0'?><!DOCTYPE data [<!ENTITY lol0 'lol'>";
    for (int i = 1; i < levels; ++i) {
        doc += "<!ENTITY lol" + QByteArray::number(i) + " '" +
               QByteArray("&lol" + QByteArray::number(i - 1) + ";").repeated(10) + "'>";
    }
    return doc + "]><data><a>&lol" + QByteArray::number(levels - 1) + ";</a></data>";
}

QByteArray nested(int depth)
{
    return "<data>" + QByteArray("<a>").repeated(depth - 1) + "x" +
           QByteArray("</a>").repeated(depth - 1) + "</data>";
}

QString document(const QStringList &lines)
{
    return kXmlHeaderLine + u"\n"_s + lines.join(u"\n"_s) + u"\n"_s;
}

} // namespace

class TestOvraXml : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(corpus_.isValid());
        QString error;
        QVERIFY2(BadCorpus::generate(corpus_.path(), {u"xml"_s}, &error), qPrintable(error));
    }

    void documents_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QVariant>("expected");
        const auto map = [](const QVariantMap &m) {
            return QVariant(m);
        };

        QTest::newRow("single image is still an array")
            << QByteArray("<data>\n<image id=\"7\"><file>a.jpg</file></image>\n</data>")
            << map({{u"image"_s,
                     QVariantList{QVariantMap{{u"id"_s, u"7"_s}, {u"file"_s, u"a.jpg"_s}}}}});
        QTest::newRow("leaf and array attributes dropped, child replaces attribute")
            << QByteArray("<data a=\"1\" b=\"2\">\n<b>3</b>\n<leaf x=\"9\">t</leaf>\n"
                          "<ids y=\"1\">\n<i>p</i>\n</ids>\n</data>")
            << map({{u"a"_s, u"1"_s},
                    {u"b"_s, u"3"_s},
                    {u"leaf"_s, u"t"_s},
                    {u"ids"_s, QVariantList{u"p"_s}}});
        QTest::newRow("empty leaf after white space is an empty string")
            << QByteArray("<data>\n\t<a></a>\n\t<b/>\n</data>")
            << map({{u"a"_s, QString()}, {u"b"_s, QString()}});
        QTest::newRow("empty leaf right after an end tag is not stored")
            << QByteArray("<data><b>1</b><a></a><c/></data>") << map({{u"b"_s, u"1"_s}});
        QTest::newRow("names stored as written")
            << QByteArray("<data>\n<Code>1</Code>\n<code>2</code>\n<Image><f>x</f></Image>\n"
                          "<image><f>y</f></image>\n</data>")
            << map({{u"Code"_s, u"1"_s},
                    {u"code"_s, u"2"_s},
                    {u"Image"_s, QVariantList{QVariantMap{{u"f"_s, u"x"_s}}}},
                    {u"image"_s, QVariantList{QVariantMap{{u"f"_s, u"y"_s}}}}});
        QTest::newRow("leaf inside leaf")
            << QByteArray("<data>\n<outer>\n<inner>x</inner>\n</outer>\n</data>")
            << map({{u"inner"_s, u"x"_s}, {u"outer"_s, QString()}});
        QTest::newRow("container text becomes value")
            << QByteArray("<data><code>1</code> tail </data>")
            << map({{u"code"_s, u"1"_s}, {u"value"_s, u"tail"_s}});
        QTest::newRow("attribute member blocks special care")
            << QByteArray("<data image=\"s\">\n<image><f>y</f></image>\n</data>")
            << map({{u"image"_s, u"s"_s}});
        QTest::newRow("invalid percent escape stores nothing and is dropped")
            << QByteArray("<data>\n<a>50%</a>\n<b>x%2</b>\n<c>y</c>\n</data>")
            << map({{u"c"_s, u"y"_s}});
        QTest::newRow("standard entities resolved, CDATA and comments ignored")
            << QByteArray("<data><!-- note --><a>Smith &amp; Jones &lt;1&gt; &#65;</a>"
                          "<b><![CDATA[zz]]>q</b></data>")
            << map({{u"a"_s, u"Smith & Jones <1> A"_s}, {u"b"_s, u"q"_s}});
        QTest::newRow("arrays nest and hold strings only by value")
            << QByteArray("<data><ids><groupcodes><c>1</c></groupcodes><c>2</c></ids></data>")
            << map({{u"ids"_s, QVariantList{QVariantList{u"1"_s}, u"2"_s}}});
        QTest::newRow("outermost leaf without containers gives nothing")
            << QByteArray("<root>\n<a>1</a>\n</root>") << QVariant();
        QTest::newRow("container inside an outermost leaf")
            << QByteArray("<root>\n<data>\n<a>1</a>\n</data>\n</root>") << map({{u"a"_s, u"1"_s}});
        QTest::newRow("external entity never fetched")
            << QByteArray("<!DOCTYPE data [<!ENTITY e SYSTEM \"file:///etc/hostname\">]>"
                          "<data><a>&e;</a><b>k</b></data>")
            << map({{u"b"_s, u"k"_s}});
        QTest::newRow("nesting at the depth limit")
            << nested(kXmlMaxDepth) << QVariant(QVariantMap{{u"a"_s, u"x"_s}});
    }

    void documents()
    {
        QFETCH(QByteArray, document);
        QFETCH(QVariant, expected);
        OvraNSXmlParser parser(document);
        parser.setRootKey(u"data"_s);
        QVERIFY(parser.parse());
        QCOMPARE(parser.mDictionary(), expected);
    }

    void badInput_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::newRow("zero bytes") << QByteArray();
        QTest::newRow("unclosed") << QByteArray("<data><a>1</a>");
        QTest::newRow("mismatched") << QByteArray("<data><a>1</data>");
        QTest::newRow("two roots") << QByteArray("<data/><data/>");
        QTest::newRow("html") << QByteArray("<HTML><body>x</body></HTML>");
        QTest::newRow("html inside data") << QByteArray("<data><a>1</a><Html/></data>");
        QTest::newRow("not UTF-8") << QByteArray("<data><a>\xff\xfe</a></data>");
        QTest::newRow("undeclared entity") << QByteArray("<data><a>&foo;</a></data>");
        QTest::newRow("invalid character") << QByteArray("<data><a>&#1;</a></data>");
        QTest::newRow("too deep") << nested(kXmlMaxDepth + 1);
        QTest::newRow("billion laughs") << entityChain(10);
        QTest::newRow("recursive entity")
            << QByteArray("<!DOCTYPE data [<!ENTITY e '&f;'><!ENTITY f '&e;'>]><data>&e;</data>");
        // Each reference stays under the per-entity limit; the total does not.
        QTest::newRow("quadratic blowup")
            << QByteArray("<!DOCTYPE data [<!ENTITY e '" + QByteArray(4000, 'x') + "'>]><data><a>" +
                          QByteArray("&e;").repeated(4000) + "</a></data>");
    }

    void badInput()
    {
        QFETCH(QByteArray, document);
        OvraNSXmlParser parser(document);
        parser.setRootKey(u"data"_s);
        QVERIFY(!parser.parse());
        QVERIFY(parser.parserError());
        QVERIFY(parser.parserError()->code != 0);
        QVERIFY(!parser.mDictionary().isValid());
    }

    void errorTextCarriesPosition()
    {
        OvraNSXmlParser parser("<data>\n<a>1</b>\n</data>");
        QVERIFY(!parser.parse());
        QCOMPARE(parser.parserError()->line, 2);
        QVERIFY(parser.parserError()->text().startsWith(u"Error 3 Description: "_s));
        QVERIFY(parser.parserError()->text().endsWith(u", Line: 2, Column: 8"_s));
    }

    void percentDecoding()
    {
        QVariantList decoded; // invalid: decoding fails
        for (const QString &text : {u"abc"_s, u"%C3%a9"_s, u"%zz"_s, u"%C3"_s, u"%C0%AF"_s}) {
            const std::optional<QString> result = OvraNSXmlParser::removePercentEncoding(text);
            decoded << (result ? QVariant(*result) : QVariant());
        }
        QCOMPARE(decoded,
                 (QVariantList{u"abc"_s, u"\u00e9"_s, QVariant(), QVariant(), QVariant()}));
    }

    // Every file of the hostile corpus read as the console reads one: refused
    // with the empty dictionary of a parse error, never a crash, a hang, an
    // expanded entity bomb or another file's content; the odd but well-formed
    // ones give their values.
    void testParserFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QVariantMap>("expected");
        QTest::newRow("info file") << kInfoFile << infoFileResult();
        const QVariantMap one{{u"a"_s, u"1"_s}};
        const QMap<QString, QVariantMap> readable{
            {u"external-dtd.xml"_s, one},
            {u"huge-elements.xml"_s, one},
            {u"utf16-no-decl.xml"_s, {{u"a"_s, u"x"_s}}},
            {u"parameter-entity.xml"_s, one},
        };
        const QStringList names = BadCorpus::entries(corpus_.path(), u"xml"_s);
        QVERIFY(names.size() >= 15);
        for (const QString &name : names) {
            QTest::newRow(qPrintable(name))
                << corpus_.filePath(u"xml/"_s + name) << readable.value(name);
        }
    }

    void testParserFiles()
    {
        QFETCH(QString, path);
        QFETCH(QVariantMap, expected);
        StderrCapture log;
        const std::optional<QVariantMap> result = OvraNSXmlParser::testParser(path);
        const QString text = log.finish();
        QVERIFY(result.has_value());
        QString shown;
        QDebug(&shown) << *result;
        QVERIFY2(!shown.contains(u"root:"_s), "another file's content was read");
        if (!path.endsWith(u"many-attributes.xml"_s)) {
            QCOMPARE(*result, expected);
        } else {
            // Attributes of the root are kept as values; the element still is.
            QCOMPARE(result->size(), 20001);
            QCOMPARE(result->value(u"a"_s).toString(), u"1"_s);
        }
        // However many elements, the verbose log of one file stays short.
        QVERIFY2(text.count(u'\n') < 1000, qPrintable(QString::number(text.count(u'\n'))));
    }

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

    void roundTrip()
    {
        OvraXmlWriter writer;
        writer.mLookupArrayName().insert(u"groupcodes"_s, u"code"_s);
        writer.mLookupArrayName().insert(u"images"_s, u"image"_s);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"info.xml"_s);
        QVERIFY(TestHarness::writeFile(path, "stale")); // replaced whole
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

    void unreadableFilesGiveNothing()
    {
        QTemporaryDir dir;
        QVERIFY(!OvraNSXmlParser::testParser(dir.filePath(u"missing.xml"_s)));
        QVERIFY(!OvraNSXmlParser::testParser(dir.path()));
    }

private:
    QTemporaryDir corpus_;
};

QTEST_GUILESS_MAIN(TestOvraXml)
#include "tst_ovraxml.moc"
