#include "TestHarness.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QProcess>
#include <QRandomGenerator>

#include <csignal>

#include <sys/time.h>

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
    return QDir().mkpath(QFileInfo(path).absolutePath()) &&
           file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush() &&
           // Flushed first, or the write at closing dates the file now.
           (!modified.isValid() || file.setFileTime(modified, QFileDevice::FileModificationTime));
}

bool writeScript(const QString &path, const QByteArray &body)
{
    if (!writeFile(path, QByteArrayLiteral("#!/bin/sh\n") + body)) {
        return false;
    }
    return QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner |
                                           QFile::ExeGroup | QFile::ExeOther);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool useOffscreenScreens(const QString &folder, int count)
{
    QByteArray screens;
    for (int i = 0; i < count; ++i) {
        screens += QByteArray(i ? "," : "") + "{\"name\":\"K" + QByteArray::number(i) +
                   "\",\"x\":" + QByteArray::number(i * 800) +
                   ",\"y\":0,\"width\":800,\"height\":600,\"logicalDpi\":96,"
                   "\"logicalBaseDpi\":96,\"dpr\":1}";
    }
    const QString config = folder + QStringLiteral("/screens.json");
    if (!writeFile(config, "{\"screens\":[" + screens + "]}")) {
        return false;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    return true;
}

bool setModified(const QString &path, const QDateTime &modified)
{
    const timeval times[2] = {{time_t(modified.toSecsSinceEpoch()), 0},
                              {time_t(modified.toSecsSinceEpoch()), 0}};
    return ::utimes(QFile::encodeName(path).constData(), times) == 0;
}

QDateTime ago(qint64 seconds)
{
    return QDateTime::currentDateTimeUtc().addSecs(-seconds);
}

QByteArray jpeg(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(95);
    return writer.write(image) ? bytes : QByteArray();
}

bool writeJpeg(const QString &path, QSize size, const QColor &colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return writeFile(path, jpeg(image));
}

bool near(QRgb pixel, const QColor &colour)
{
    return qAbs(qRed(pixel) - colour.red()) < 40 && qAbs(qGreen(pixel) - colour.green()) < 40 &&
           qAbs(qBlue(pixel) - colour.blue()) < 40;
}

} // namespace TestHarness
