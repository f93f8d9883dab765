#include "intake/OvraPhotoQueryController.h"

#include "IntakeTestRig.h"
#include "StderrCapture.h"
#include "TestHarness.h"
#include "TestSupport.h"
#include "shell/CommonHeader.h"

#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct Call
{
    QString kind;
    QVariantMap param;
    QStringList response;
};

// Records every answer with the result the search showed at that moment.
class Recorder : public OvraSearchDelegate
{
public:
    QList<Call> calls;
    void doneSearchOperation(OvraPhotoQueryController *query, const QVariantMap &param) override
    {
        calls.append({u"done"_s, param, query->response()});
    }
    void doneSearchOperationNew(OvraPhotoQueryController *query, const QVariantMap &param) override
    {
        calls.append({u"new"_s, param, query->response()});
    }
};

// A file last modified ageSeconds ago (negative: ahead of now).
bool makeFile(const QString &path, qint64 ageSeconds)
{
    return TestHarness::writeFile(path, "x", TestHarness::ago(ageSeconds));
}

QVariantMap request(const QString &searchPath, OvraSearchDelegate *delegate,
                    const QVariant &code = QVariant())
{
    QVariantMap param{{kKeySearchPath, searchPath}, {kKeyDelegate, searchDelegateValue(delegate)}};
    if (code.isValid()) {
        param.insert(kKeyCustomerId, code);
    }
    return param;
}

// Runs the bundle's photo script; exit code -1 when it did not end.
QPair<int, QStringList> runScript(const QStringList &arguments)
{
    QProcess process;
    process.start(Bundle::mainBundle().pathForScript(kGetNewestFilesScript), arguments);
    if (!process.waitForFinished(30000)) {
        return {-1, {}};
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts)};
}

} // namespace

// Guards the photo search: the photo script gets safe arguments and lists a code's newest JPEGs,
// and only lines naming photos inside the day folder reach the delegate, demo folder first.
class tst_OvraPhotoQueryController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY2(!Bundle::mainBundle().pathForScript(kGetNewestFilesScript).isEmpty(),
                 "the photo script is not in the bundle (OVRA_SHARE_DIR)");
    }
    void init()
    {
        rig = std::make_unique<IntakeTestRig>();
        QVERIFY(rig->isValid());
    }

    void scriptArguments_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QVariant>("code");
        QTest::addColumn<QStringList>("expected"); // after the folder; empty: never run
        const QVariant none;
        const QString abc = u"ABC"_s;
        QTest::newRow("count missing") << none << QVariant(abc) << QStringList{u"40"_s, abc};
        QTest::newRow("count 0") << QVariant(0) << QVariant(abc) << QStringList{u"40"_s, abc};
        QTest::newRow("count 12") << QVariant(12) << QVariant(abc) << QStringList{u"12"_s, abc};
        QTest::newRow("shout mode") << none << none << QStringList{u"40"_s};
        // A code is one folder name: nothing that reaches another folder runs.
        QTest::newRow("code ..") << none << QVariant(u".."_s) << QStringList();
    }
    void scriptArguments()
    {
        QFETCH(QVariant, stored);
        QFETCH(QVariant, code);
        QFETCH(QStringList, expected);
        if (stored.isValid()) {
            rig->store.setObject(stored, kPrefMaxPhotosInLocalFolder);
        }
        const QString args = path(u"args"_s);
        auto query =
            withStub("printf '%s\\n' \"$@\" > '" + args.toUtf8() + "'\necho other/x.jpg\n");
        QVERIFY(makeFile(path(u"day/other/x.jpg"_s), 3600));
        Recorder recorder;
        query->startSearchActionWithParamOldwayOvra2(request(path(u"day"_s), &recorder, code));

        QCOMPARE(recorder.calls.size(), 1);
        QCOMPARE(recorder.calls.first().kind, u"done"_s);
        if (expected.isEmpty()) {
            QVERIFY(!QFile::exists(args));
            QVERIFY(recorder.calls.first().response.isEmpty());
        } else {
            expected.prepend(path(u"day"_s));
            QCOMPARE(
                QString::fromUtf8(TestSupport::readFile(args)).split(u'\n', Qt::SkipEmptyParts),
                expected);
            QCOMPARE(recorder.calls.first().response, QStringList{u"other/x.jpg"_s});
        }
    }

    void emptyAnswers_data()
    {
        QTest::addColumn<QByteArray>("body"); // empty: no script at all
        QTest::newRow("blank lines") << QByteArray("printf '\\n   \\n\\t\\n\\n'\n");
        QTest::newRow("no script") << QByteArray();
        QTest::newRow("failing script") << QByteArray("echo 'find: no such folder' >&2; exit 1\n");
        // The day folder is deleted while the search runs.
        QTest::newRow("vanished folder") << QByteArray("echo ./A/a.jpg\nrm -rf \"$1\"\n");
    }
    void emptyAnswers()
    {
        QFETCH(QByteArray, body);
        const QString day = path(u"day"_s);
        QVERIFY(makeFile(day + u"/A/a.jpg"_s, 3600));
        auto query = withStub(body);
        if (body.isEmpty()) {
            QFile::remove(path(u"bundle/share/getnewestfiles.sh"_s));
        }
        query->setResponse({u"left over"_s});
        Recorder recorder;
        const QVariantMap param = request(day, &recorder, u"A"_s);
        query->startSearchActionWithParamOldwayOvra2(param);

        QCOMPARE(recorder.calls.size(), 1);
        QCOMPARE(recorder.calls.first().kind, u"done"_s);
        QCOMPARE(recorder.calls.first().param, param);
        QVERIFY(recorder.calls.first().response.isEmpty());
        QVERIFY(!query->param().has_value());
    }

    void badScriptLinesAreDropped()
    {
        const QString day = path(u"day"_s);
        for (const char *name : {"A/a.jpg", "A/b c.jpg", " lead.jpg", "../secret.jpg"}) {
            QVERIFY(makeFile(day + u'/' + QString::fromUtf8(name), 3600));
        }
        QVERIFY(QFile::link(path(u"secret.jpg"_s), day + u"/A/link.jpg"_s));
        auto query =
            withStub("printf '%s\\n' '' '  ./A/a.jpg  ' '../secret.jpg' 'A/../../secret.jpg' "
                     "/etc/passwd 'garbage: no such thing' A/link.jpg '   ' 'A/b c.jpg' "
                     "' lead.jpg' \"$(printf 'A/a.jpg\\033[2J')\" A\n");
        Recorder recorder;
        StderrCapture capture;
        query->startSearchActionWithParamOldwayOvra2(request(day, &recorder));
        const QString log = capture.finish();

        QCOMPARE(recorder.calls.size(), 1);
        QCOMPARE(recorder.calls.first().response,
                 QStringList({u"./A/a.jpg"_s, u"A/b c.jpg"_s, u" lead.jpg"_s}));
        for (const char *dropped : {"../secret.jpg", "/etc/passwd", "A/link.jpg", "A"}) {
            QVERIFY2(log.contains(u"dropped line ["_s + QString::fromUtf8(dropped) + u']'),
                     dropped);
        }
    }

    void demoFolderFirst()
    {
        const QString root = path(u"store"_s);
        const QString day = root + u"/2012-06-16"_s;
        const QString demo = root + u"/Demo"_s;
        QVERIFY(makeFile(day + u"/ABC/day.jpg"_s, 60));
        QVERIFY(makeFile(demo + u"/ABC/older.jpg"_s, 7200));
        QVERIFY(makeFile(demo + u"/ABC/newer.jpg"_s, 3600));
        QVERIFY(makeFile(demo + u"/XYZ/other.jpg"_s, 60));
        rig->store.setBool(true, kPrefSearchInDemoFolderFirst);
        rig->store.setObject(u"Demo"_s, kPrefDemoFolderName);
        OvraPhotoQueryController query(&rig->store, Bundle::mainBundle());
        Recorder recorder;

        // Matches in the demo folder answer alone, relative to "altpath".
        query.startSearchActionWithParamOldwayOvra2(request(day, &recorder, u"ABC"_s));
        QCOMPARE(recorder.calls.size(), 1);
        QCOMPARE(recorder.calls.at(0).kind, u"new"_s);
        QCOMPARE(recorder.calls.at(0).param.value(kKeyAltPath).toString(), demo);
        QCOMPARE(recorder.calls.at(0).param.value(kKeySearchPath).toString(), day);
        QCOMPARE(recorder.calls.at(0).response,
                 QStringList({u"./ABC/newer.jpg"_s, u"./ABC/older.jpg"_s}));

        // No match there: the day folder answers, without "altpath".
        rig->store.setObject(u"Demo2"_s, kPrefDemoFolderName);
        QVERIFY(makeFile(root + u"/Demo2/XYZ/other.jpg"_s, 60));
        query.startSearchActionWithParamOldwayOvra2(request(day, &recorder, u"ABC"_s));
        QCOMPARE(recorder.calls.size(), 2);
        QCOMPARE(recorder.calls.at(1).kind, u"done"_s);
        QVERIFY(!recorder.calls.at(1).param.contains(kKeyAltPath));
        QCOMPARE(recorder.calls.at(1).response, QStringList{u"./ABC/day.jpg"_s});

        // A missing demo folder is made; the day folder answers.
        rig->store.setObject(u"NewDemo"_s, kPrefDemoFolderName);
        query.startSearchActionWithParamOldwayOvra2(request(day, &recorder, u"ABC"_s));
        QVERIFY(QFileInfo(root + u"/NewDemo"_s).isDir());
        QCOMPARE(recorder.calls.at(2).response, QStringList{u"./ABC/day.jpg"_s});
    }

    void folderListing()
    {
        const QString folder = path(u"code"_s);
        for (const char *name : {"a.jpg", "b.XML", ".hidden.jpg", "notes", "s/inside.jpg"}) {
            QVERIFY(makeFile(folder + u'/' + QString::fromUtf8(name), 0));
        }
        OvraPhotoQueryController query(&rig->store, Bundle::mainBundle());
        Recorder recorder;
        QVariantMap param = request(folder, &recorder);
        param.insert(kKeySearchKey, QStringList{kSearchKeyAll});
        query.startSearchActionWithParam(param);

        QCOMPARE(recorder.calls.size(), 1);
        QCOMPARE(recorder.calls.first().kind, u"done"_s);
        QStringList got = recorder.calls.first().response;
        got.sort();
        QCOMPARE(got, QStringList({folder + u"/a.jpg"_s, folder + u"/notes"_s, folder + u"/s"_s}));
        QVERIFY(!query.param().has_value());

        // Missing folder, a file, no folder at all: empty answers, still delivered.
        query.startSearchActionWithParam(request(path(u"missing"_s), &recorder));
        query.startSearchActionWithParam(request(folder + u"/a.jpg"_s, &recorder));
        query.startSearchActionWithParam({{kKeyDelegate, searchDelegateValue(&recorder)}});
        QCOMPARE(recorder.calls.size(), 4);
        for (qsizetype i = 1; i < recorder.calls.size(); ++i) {
            QVERIFY(recorder.calls.at(i).response.isEmpty());
        }
    }

    void scriptListsNewestJpegs()
    {
        const QString day = path(u"day"_s);
        const QList<QPair<const char *, qint64>> files{
            {"ABC/oldest.jpg", 5000},
            {"ABC/with space.JPG", 4000},
            {"ABC/third.jpeg", 3000},
            {"ABC/$(touch pwned).JpEg", 2000},
            {"ABC/new\nline.jpg", 1000},
            {"ABC/.hidden.jpg", 1000},
            {"ABC/picture.png", 1000},
            {"ABC/ABC.xml", 1000},
            {"ABC/sub/deeper.jpg", 1000},
            {"B B/b.jpg", 2500},
            {".trash/t.jpg", 50},
            {"new\ncode/n.jpg", 50},
            {"loose.jpg", 50},
            // Just arrived: listed at once (the copier waits until it is whole).
            // Every file here has a fresh change time.
            {"ABC/fresh.jpg", 0},
        };
        for (const auto &[name, age] : files) {
            QVERIFY(makeFile(day + u'/' + QString::fromUtf8(name), age));
        }
        const QStringList abc{u"./ABC/fresh.jpg"_s, u"./ABC/$(touch pwned).JpEg"_s,
                              u"./ABC/third.jpeg"_s, u"./ABC/with space.JPG"_s,
                              u"./ABC/oldest.jpg"_s};
        QCOMPARE(runScript({day, u"40"_s, u"ABC"_s}), qMakePair(0, abc));
        QCOMPARE(runScript({day, u"2"_s, u"ABC"_s}).second, abc.mid(0, 2));
        QCOMPARE(runScript({day, u"4"_s}).second,
                 QStringList({abc.at(0), abc.at(1), u"./B B/b.jpg"_s, abc.at(2)}));
        QVERIFY(!QFile::exists(day + u"/ABC/pwned"_s));
        QVERIFY(!QFile::exists(day + u"/pwned"_s));
    }

    void scriptCountsOverThousandsOfFiles()
    {
        const QString day = path(u"day"_s);
        for (int code = 0; code < 30; ++code) {
            for (int i = 0; i < 100; ++i) {
                QVERIFY(
                    makeFile(u"%1/C%2/p%3.jpg"_s.arg(day).arg(code).arg(i), 100 + code * 100 + i));
            }
        }
        const QStringList all = runScript({day, u"40"_s}).second;
        QCOMPARE(all.size(), 40);
        for (int i = 0; i < 40; ++i) {
            QCOMPARE(all.at(i), u"./C0/p%1.jpg"_s.arg(i));
        }
        QCOMPARE(runScript({day, u"2"_s, u"C29"_s}).second,
                 QStringList({u"./C29/p0.jpg"_s, u"./C29/p1.jpg"_s}));
    }

    void scriptRefusesBadArguments_data()
    {
        QTest::addColumn<QStringList>("arguments"); // DAY stands for the day folder
        QTest::addColumn<bool>("fails");
        const QString day = u"DAY"_s;
        QTest::newRow("no count") << QStringList{day} << true;
        QTest::newRow("word count") << QStringList{day, u"x"_s} << true;
        QTest::newRow("negative count") << QStringList{day, u"-1"_s} << true;
        QTest::newRow("zero count") << QStringList{day, u"0"_s} << false;
        QTest::newRow("missing folder") << QStringList{day + u"/missing"_s, u"4"_s} << true;
        QTest::newRow("too many") << QStringList{day, u"4"_s, u"A"_s, u"B"_s} << true;
        for (const QString &code : {u".."_s, u"."_s, u"A/../../outside"_s, u""_s}) {
            QTest::newRow(qPrintable(u"code "_s + code)) << QStringList{day, u"40"_s, code} << true;
        }
    }
    void scriptRefusesBadArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, fails);
        QVERIFY(makeFile(path(u"day/A/a.jpg"_s), 300));
        QVERIFY(makeFile(path(u"outside/secret.jpg"_s), 300));
        arguments.replaceInStrings(u"DAY"_s, path(u"day"_s));
        const auto [exitCode, lines] = runScript(arguments);
        QCOMPARE(exitCode != 0, fails);
        QVERIFY2(lines.isEmpty(), qPrintable(lines.join(u',')));
    }

private:
    // A search object whose bundle holds a photo script with this body.
    std::unique_ptr<OvraPhotoQueryController> withStub(const QByteArray &body)
    {
        rig->useScript(body);
        return std::make_unique<OvraPhotoQueryController>(&rig->store, rig->bundle());
    }
    QString path(const QString &relative) const { return rig->path(relative); }

    std::unique_ptr<IntakeTestRig> rig;
};

QTEST_GUILESS_MAIN(tst_OvraPhotoQueryController)
#include "tst_ovraphotoquerycontroller.moc"
