#include "clicommand.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    CliIo io { out, err };
    const int code = runCli(QCoreApplication::arguments().mid(1), QCoreApplication::applicationDirPath(), io);
    out.flush();
    err.flush();
    return code;
}
