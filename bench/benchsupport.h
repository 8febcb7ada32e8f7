#pragma once

// Small pieces every benchmark here shares: options, medians, elapsed times and the sqlite3 shell
// baseline.

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTextStream>
#include <algorithm>
#include <optional>
#include <vector>

namespace Bench {

// The options every catalogue benchmark takes: the data folder and how many runs.
inline void addHomeAndRuns(QCommandLineParser& parser)
{
    parser.addOption({ QStringLiteral("home"), QStringLiteral("data folder"), QStringLiteral("DIR") });
    parser.addOption(
        { QStringLiteral("runs"), QStringLiteral("repetitions"), QStringLiteral("N"), QStringLiteral("5") });
}

inline int runsOf(const QCommandLineParser& parser)
{
    return std::max(1, parser.value(QStringLiteral("runs")).toInt());
}

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

inline double msSince(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// The reference: the sqlite3 shell running `sql` on a catalogue, its output thrown away.
inline std::optional<double> sqliteShell(
    const QString& program, const QString& catalogueFile, const QString& sql)
{
    QProcess shell;
    shell.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    shell.start(program, { catalogueFile, sql });
    if (!shell.waitForFinished(600000) || shell.exitStatus() != QProcess::NormalExit || shell.exitCode() != 0)
        return std::nullopt;
    return msSince(timer);
}

// The sqlite3 shell every baseline runs; the empty text, with a note on `err`, when it is missing.
inline QString sqliteProgram(QTextStream& err)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (program.isEmpty())
        err << "找不到 sqlite3 命令（apt-get install sqlite3）。" << Qt::endl;
    return program;
}

} // namespace Bench
