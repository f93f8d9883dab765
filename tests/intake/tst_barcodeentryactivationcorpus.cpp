#include "BadCorpus.h"
#include "IntakeTestRig.h"
#include "TestSupport.h"
#include "platform/Clock.h"
#include "shell/CommonHeader.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// Codes and photos with odd names (spaces, quotes, shell syntax, leading
// dashes, non-ASCII) through the whole activation: the photo script, the
// checks on its output and the copy into the working folder. Each photo
// arrives under its exact name with its exact bytes. Names the search leaves
// out by design (a newline, bytes that are not UTF-8) are skipped without
// taking the others with them.
class tst_BarcodeEntryActivationCorpus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void oddNames_data();
    void oddNames();

private:
    QTemporaryDir corpus;
};

void tst_BarcodeEntryActivationCorpus::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(corpus.isValid());
    QString error;
    QVERIFY2(BadCorpus::generate(corpus.path(), {u"names"_s}, &error), qPrintable(error));
}

void tst_BarcodeEntryActivationCorpus::oddNames_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("photos");
    const QStringList mixed =
        QString::fromUtf8(TestSupport::readFile(corpus.filePath(u"names/expected-mixed.txt"_s)))
            .split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(mixed.size() >= 10);
    QTest::newRow("odd file names") << u"mixed"_s << mixed;
    for (const QString &code : {u"code with space"_s, u"o'brien"_s, u"say \"cheese\""_s, u"-rf"_s,
                                u"--help"_s, u"ünïcode"_s}) {
        QTest::newRow(qPrintable(u"code "_s + code)) << code << QStringList{code + u" 1.jpg"_s};
    }
}

void tst_BarcodeEntryActivationCorpus::oddNames()
{
    QFETCH(QString, code);
    QFETCH(QStringList, photos);
    IntakeTestRig rig;
    QVERIFY(rig.isValid());
    const QString day = corpus.filePath(u"names/2026-01-02"_s);
    rig.store.setObject(corpus.filePath(u"names"_s), kPrefSlideShowPath);
    Clock::setFixed(QDateTime(QDate(2026, 1, 2), QTime(12, 0)));

    rig.controller().FindOvraFilesWithID(code);
    rig.settle();

    QStringList copied = rig.workingFolderEntries();
    std::sort(photos.begin(), photos.end());
    QCOMPARE(copied, photos);
    for (const QString &photo : std::as_const(photos)) {
        QCOMPARE(TestSupport::readFile(rig.path(u"home/tmp/slideshowA/"_s + photo)),
                 TestSupport::readFile(day + u'/' + code + u'/' + photo));
    }
    QVERIFY(!rig.displayMessages.isEmpty());
    QCOMPARE(rig.displayMessages.last().userInfo.value(kKeySourcePath).toString(),
             rig.path(u"home/tmp/slideshowA"_s));
}

QTEST_GUILESS_MAIN(tst_BarcodeEntryActivationCorpus)
#include "tst_barcodeentryactivationcorpus.moc"
