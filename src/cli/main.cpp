#include "clicommand.h"
#include "terminaloutput.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // A terminal gets text only; a pipe or a file gets the bytes as they are.
    TerminalOutput terminalOut(STDOUT_FILENO);
    TerminalOutput terminalErr(STDERR_FILENO);
    QFile plainOut;
    QFile plainErr;
    plainOut.open(stdout, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
    plainErr.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
    QTextStream out(::isatty(STDOUT_FILENO) ? static_cast<QIODevice*>(&terminalOut) : &plainOut);
    QTextStream err(::isatty(STDERR_FILENO) ? static_cast<QIODevice*>(&terminalErr) : &plainErr);
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
