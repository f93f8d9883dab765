#include "TestHarness.h"

#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include <csignal>

namespace TestHarness {

int runChild(int argc, char **argv, std::initializer_list<Child> children)
{
    for (const Child &child : children) {
        if (argc > 2 && qstrcmp(argv[1], child.first) == 0) {
            QCoreApplication app(argc, argv);
            return child.second(app.arguments().at(2));
        }
    }
    return -1;
}

QByteArray killMidWork(const QString &flag, const QString &argument, int maxMs)
{
    QProcess child;
    child.setStandardErrorFile(QProcess::nullDevice());
    child.start(QCoreApplication::applicationFilePath(), {flag, argument});
    if (!child.waitForStarted() || child.processId() <= 0) {
        return {};
    }
    QByteArray out;
    while (!out.contains('\n') && child.waitForReadyRead(20000)) {
        out += child.readAllStandardOutput();
    }
    // The kill lands somewhere in the middle of later work.
    QTest::qSleep(QRandomGenerator::global()->bounded(1, maxMs));
    ::kill(pid_t(child.processId()), SIGKILL);
    const bool killed = child.waitForFinished(10000) && child.exitStatus() == QProcess::CrashExit;
    out += child.readAllStandardOutput();
    return killed && out.contains('\n') ? out : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes, const QDateTime &modified)
{
    QFile file(path);
    return TestSupport::writeFile(path, bytes) && file.open(QIODevice::Append) &&
           file.setFileTime(modified, QFileDevice::FileModificationTime);
}

} // namespace TestHarness
