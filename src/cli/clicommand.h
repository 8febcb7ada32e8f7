#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class DataFolder;
class QTextStream;

// Where a command writes: rows and tables to `out`, status and messages to `err`.
struct CliIo
{
    QTextStream& out;
    QTextStream& err;
};

// Exit codes: 0 success, 1 a refused or failed command, 2 bad usage, 3 a medium no disc (or more
// than one alike) matches, 4 a disc check that found files not ok.
enum CliExit { ExitOk = 0, ExitFailed = 1, ExitUsage = 2, ExitNotIdentified = 3, ExitCheckFailed = 4 };

class CliCommand
{
public:
    virtual ~CliCommand() = default;
    virtual QString name() const = 0;
    virtual QString usage() const = 0;
    // `args` are the words after the command name.
    virtual int run(const QStringList& args, const DataFolder& folder, CliIo& io) const = 0;
    // A command that reads files only (probe) runs without the data folder and the catalogue.
    virtual bool needsCatalogue() const { return true; }
};

// Why the command line as the system gave it (without the program name) cannot be run: an
// argument that is not UTF-8 would name another file than the one meant. Nothing when it can.
std::optional<QString> argumentProblem(const QList<QByteArray>& rawArguments);

// The command's usage on standard error, for words it does not take; returns ExitUsage.
int usageError(const CliCommand& command, CliIo& io);

// Runs the whole command line (without the program name) in-process.
int runCli(const QStringList& arguments, const QString& executableDir, CliIo& io);
