// ovra-defaults: reads and writes the Ovra VideoWall preferences from a shell.
#include "platform/DefaultsTool.h"
#include "platform/Preferences.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    Preferences store(Preferences::defaultFilePath());
    const int status = DefaultsTool::run(app.arguments().mid(1), out, err, store);
    out.flush();
    err.flush();
    return status;
}
