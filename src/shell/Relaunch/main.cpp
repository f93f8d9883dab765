#include "shell/Relaunch/RelaunchTool.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    return RelaunchTool::run(args);
}
