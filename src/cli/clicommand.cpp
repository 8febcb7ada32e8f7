#include "clicommand.h"

#include "commands.h"
#include "importmdbcommand.h"
#include "legacy/legacyimport.h"
#include "loancommands.h"
#include "mediacommands.h"
#include "reportcommand.h"
#include "statscommand.h"
#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/posterinstall.h"
#include "store/settings.h"
#include "store/textrules.h"

#include <QTextStream>
#include <memory>
#include <vector>

namespace {

std::vector<std::unique_ptr<CliCommand>> allCommands()
{
    std::vector<std::unique_ptr<CliCommand>> commands;
    commands.push_back(std::make_unique<DiscsCommand>());
    commands.push_back(std::make_unique<ListCommand>());
    commands.push_back(std::make_unique<SearchCommand>());
    commands.push_back(std::make_unique<ScanCommand>());
    commands.push_back(std::make_unique<AddDiscCommand>());
    commands.push_back(std::make_unique<ExportCommand>());
    commands.push_back(std::make_unique<ImportMdbCommand>());
    commands.push_back(std::make_unique<StatsCommand>());
    commands.push_back(std::make_unique<ReportCommand>());
    commands.push_back(std::make_unique<ProbeCommand>());
    commands.push_back(std::make_unique<FilesCommand>());
    commands.push_back(std::make_unique<RescanCommand>());
    commands.push_back(std::make_unique<IdentifyCommand>());
    commands.push_back(std::make_unique<VerifyCommand>());
    commands.push_back(std::make_unique<LendCommand>());
    commands.push_back(std::make_unique<ReturnCommand>());
    commands.push_back(std::make_unique<LoansCommand>());
    return commands;
}

void printUsage(QTextStream& out)
{
    out << "用法: reelshelf-cli [--home DIR] <命令> [选项]\n命令:\n";
    for (const auto& c : allCommands())
        out << "  " << c->usage() << '\n';
}

// Bad usage: the usage goes where errors go, and the exit says it was wrong.
int usage(CliIo& io)
{
    printUsage(io.err);
    return ExitUsage;
}

bool asksForHelp(const QString& argument)
{
    return argument == QStringLiteral("--help") || argument == QStringLiteral("-h");
}

} // namespace

int usageError(const CliCommand& command, CliIo& io)
{
    io.err << "用法: reelshelf-cli [--home DIR] " << command.usage() << '\n';
    return ExitUsage;
}

std::optional<QString> argumentProblem(const QList<QByteArray>& rawArguments)
{
    for (const QByteArray& raw : rawArguments)
        if (!TextRules::isUtf8(raw))
            return QStringLiteral(
                "参数“%1”不是 UTF-8 编码的文字（可能是 GBK 编码的文件夹名），reelshelf-cli 无法按它找到文件。"
                "请给它改名后再试；扫描光盘时也可以给出它的上级文件夹，其中 GBK 编码的名称会被正确读取。")
                .arg(TextRules::decodeFileName(raw));
    return std::nullopt;
}

int runCli(const QStringList& arguments, const QString& executableDir, CliIo& io)
{
    QStringList args = arguments;
    QString home;
    if (!args.isEmpty() && args.first() == QStringLiteral("--home")) {
        if (args.size() < 2 || args.at(1).isEmpty())
            return usage(io);
        home = args.at(1);
        args = args.mid(2);
    } else if (!args.isEmpty() && args.first().startsWith(u"--home=")) {
        home = args.first().mid(7);
        args = args.mid(1);
    }
    if (args.isEmpty())
        return usage(io);
    // Asked for, the usage is the answer: on standard output, and a success.
    if (asksForHelp(args.first())) {
        printUsage(io.out);
        return ExitOk;
    }

    const auto commands = allCommands();
    const CliCommand* command = nullptr;
    for (const auto& c : commands)
        if (c->name() == args.first())
            command = c.get();
    if (!command) {
        io.err << "未知命令: " << args.first() << '\n';
        return usage(io);
    }

    if (!command->needsCatalogue())
        return command->run(args.mid(1), DataFolder(home), io);
    if (const auto problem = DataFolder::environmentProblem(); problem && home.isEmpty()) {
        io.err << *problem << '\n';
        return ExitFailed;
    }
    const DataFolder folder = DataFolder::resolve(home, executableDir);
    QString problem;
    installDefaults(folder, &problem); // a read-only folder still lists what it holds
    // Before an empty catalogue would be made beside it, as the desktop program does.
    if (LegacyImport::wantsFirstImport(folder)) {
        LegacyImport::Control control;
        control.waiting = [&io] {
            io.err << "另一个程序正在导入旧版数据库 " << LegacyImport::legacyFileName()
                   << "，等待它完成...\n";
            io.err.flush();
        };
        const auto report = LegacyImport::importOnFirstStart(folder, &problem, control);
        if (!report) {
            io.err << problem << '\n';
            return ExitFailed;
        }
        if (!report->importedElsewhere)
            io.err << LegacyImport::reportText(*report) << '\n';
    }
    Catalogue catalogue(folder.catalogueFile());
    if (!catalogue.prepare(&problem)) {
        io.err << problem << '\n';
        return ExitFailed;
    }
    // Posters of an added disc that a kill left half installed; what fails is tried next time.
    if (QString pending; !PosterInstall::finishInterrupted(folder, &pending))
        io.err << pending << '\n';
    // As the window says at its start: the commands then go by the shipped settings.
    if (const QString unread = Settings(folder.settingsFile()).problem(); !unread.isEmpty())
        io.err << unread << '\n';
    return command->run(args.mid(1), folder, io);
}
