#pragma once

#include "legacysource.h"

#include <QMap>
#include <atomic>
#include <chrono>
#include <memory>

// An .mdb file read by our helper program reelshelf-mdbread in a process of its own. libmdb trusts
// what a file says: a damaged one can send it round a loop for ever, eat memory without end or
// crash. The helper runs with a memory limit and is stopped when it shows no progress, runs out
// of time or the user cancels, so a damaged file costs seconds and a message, never the program.
class MdbReadProcess final : public LegacySource
{
public:
    struct Options
    {
        QString program; // empty: the helper installed (or built) beside the programs
        // No progress for this long stops the reading.
        std::chrono::milliseconds stall { std::chrono::seconds(10) };
        // Zero: a minute and two seconds for each megabyte of the file.
        std::chrono::milliseconds total { 0 };
        qint64 memoryBytes = 0; // zero: 1 GB and 16 times the file's size
        const std::atomic<bool>* stop = nullptr; // set from another thread to cancel
    };

    // Reads the named tables (those the file has; letter case ignored) and the list of its
    // tables. nullptr with a message naming the file when it cannot be read, is damaged, or the
    // reading was stopped.
    static std::unique_ptr<MdbReadProcess> read(
        const QString& path, const QStringList& tables, const Options& options, QString* error);

    // Where the helper is: beside a program run from its build folder, under
    // <prefix>/libexec/reelshelf-index for an installed one, else next to the program.
    static QString helperProgram();

    static QString stoppedMessage(const QString& path);

    QStringList tableNames() const override { return names_; }
    QString location() const override { return path_; }
    std::optional<LegacyTable> readTable(const QString& name, QString* error) override;

private:
    MdbReadProcess(const QString& path, QStringList names, QMap<QString, LegacyTable> tables);
    QString path_;
    QStringList names_;
    QMap<QString, LegacyTable> tables_; // by lower-case name
};
