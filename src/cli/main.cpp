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
    QList<QByteArray> raw;
    for (int i = 1; i < argc; ++i)
        raw << QByteArray(argv[i]);
    if (const auto problem = argumentProblem(raw)) {
        err << *problem << '\n';
        return ExitFailed;
    }
    const int code = runCli(QCoreApplication::arguments().mid(1), QCoreApplication::applicationDirPath(), io);
    out.flush();
    err.flush();
    return code;
}
