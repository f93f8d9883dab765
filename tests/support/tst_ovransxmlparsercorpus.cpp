#include "BadCorpus.h"
#include "StderrCapture.h"
#include "support/OvraNSXmlParser.h"

#include <QDebug>
#include <QtTest>

using namespace Qt::StringLiterals;

// Every code info file of the hostile corpus read as the console reads one:
// malformed, oversized and hostile documents give the empty dictionary of a
// parse error, never a crash, a hang, an expanded entity bomb or the content
// of another file; the odd but well-formed ones give their values.
class tst_OvraNSXmlParserCorpus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyFile_data();
    void everyFile();

private:
    QTemporaryDir corpus;
};

void tst_OvraNSXmlParserCorpus::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(corpus.isValid());
    QString error;
    QVERIFY2(BadCorpus::generate(corpus.path(), {u"xml"_s}, &error), qPrintable(error));
}

void tst_OvraNSXmlParserCorpus::everyFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariantMap>("expected");
    const QVariantMap one{{u"a"_s, u"1"_s}};
    // Well-formed documents whose values are kept; every other file is refused.
    const QMap<QString, QVariantMap> readable{
        {u"external-dtd.xml"_s, one},
        {u"huge-elements.xml"_s, one},
        {u"utf16-no-decl.xml"_s, {{u"a"_s, u"x"_s}}},
        {u"parameter-entity.xml"_s, one},
    };
    const QStringList names = BadCorpus::entries(corpus.path(), u"xml"_s);
    QVERIFY(names.size() >= 15);
    for (const QString &name : names) {
        QTest::newRow(qPrintable(name)) << name << readable.value(name);
    }
}

void tst_OvraNSXmlParserCorpus::everyFile()
{
    QFETCH(QString, name);
    QFETCH(QVariantMap, expected);
    StderrCapture log;
    const std::optional<QVariantMap> result =
        OvraNSXmlParser::testParser(corpus.filePath(u"xml/"_s + name));
    const QString text = log.finish();
    QVERIFY(result.has_value());
    QString shown;
    QDebug(&shown) << *result;
    QVERIFY2(!shown.contains(u"root:"_s), "another file's content was read");
    if (name != u"many-attributes.xml"_s) {
        QCOMPARE(*result, expected);
    } else {
        // Attributes of the root are kept as values; the element still is.
        QCOMPARE(result->size(), 20001);
        QCOMPARE(result->value(u"a"_s).toString(), u"1"_s);
    }
    // However many elements, the verbose log of one file stays short.
    QVERIFY2(text.count(u'\n') < 1000, qPrintable(QString::number(text.count(u'\n'))));
}

QTEST_GUILESS_MAIN(tst_OvraNSXmlParserCorpus)
#include "tst_ovransxmlparsercorpus.moc"
