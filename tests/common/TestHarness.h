#pragma once

#include <QByteArray>
#include <QColor>
#include <QCoreApplication>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QTest>

#include <initializer_list>
#include <utility>

// Scaffolding shared by the tests: the test binary started again as a child
// that is killed mid-work, files with a chosen modification time, and photos.
namespace TestHarness {

// A child function of the test binary, run as `binary FLAG ARGUMENT`.
using Child = std::pair<const char *, int (*)(const QString &argument)>;

// The exit code of the child argv names, or -1 when argv names none.
int runChild(int argc, char **argv, std::initializer_list<Child> children);

// Starts the binary as child `flag`, waits for its first line on standard
// output, lets it work 1 to maxMs more milliseconds and kills it. Answers what
// it printed, or nothing when it printed nothing or was not killed.
QByteArray killMidWork(const QString &flag, const QString &argument, int maxMs);

// Writes bytes to path, creating folders, and dates its modification when
// modified is valid. False on any failure.
bool writeFile(const QString &path, const QByteArray &bytes, const QDateTime &modified = {});
// Writes an executable shell script (a "#!/bin/sh" line is added).
bool writeScript(const QString &path, const QByteArray &body);
QByteArray readFile(const QString &path);
// Puts the offscreen platform on `count` 800x600 screens side by side, described
// in a file written to folder (which must outlive the application).
bool useOffscreenScreens(const QString &folder, int count);
// Sets the modification time of a file or folder.
bool setModified(const QString &path, const QDateTime &modified);
// So many seconds before now (negative: after).
QDateTime ago(qint64 seconds);

// The image as JPEG bytes (quality 95).
QByteArray jpeg(const QImage &image);
// Writes a JPEG of this size in one colour (creating folders).
bool writeJpeg(const QString &path, QSize size, const QColor &colour);
// Whether a decoded pixel is this colour, give or take JPEG noise.
bool near(QRgb pixel, const QColor &colour);

} // namespace TestHarness

// main() of a test whose binary also serves as its own child processes.
#define OVRA_TEST_MAIN_WITH_CHILDREN(TestObject, ...)                                              \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        if (const int status = TestHarness::runChild(argc, argv, {__VA_ARGS__}); status >= 0)      \
            return status;                                                                         \
        QCoreApplication app(argc, argv);                                                          \
        TestObject test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

// The same for a test that needs widgets (include <QApplication>).
#define OVRA_TEST_WIDGETS_MAIN_WITH_CHILDREN(TestObject, ...)                                      \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        if (const int status = TestHarness::runChild(argc, argv, {__VA_ARGS__}); status >= 0)      \
            return status;                                                                         \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
