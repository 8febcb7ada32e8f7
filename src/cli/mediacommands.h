#pragma once

#include "clicommand.h"

// reelshelf-cli probe FILE... [--json]: the facts MediaInfo reads from each movie file's headers,
// with the subtitle files beside it. A file that cannot be read gives null facts and a warning on
// standard error; the command still succeeds.
class ProbeCommand final : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("probe"); }
    QString usage() const override { return QStringLiteral("probe FILE... [--json]"); }
    int run(const QStringList& args, const DataFolder& folder, CliIo& io) const override;
    bool needsCatalogue() const override { return false; }
};

// reelshelf-cli rescan --disc N [--no-facts] [--json] ROOT: reads a disc's medium again, remembers
// the files of the movies it finds and fills the fields they leave empty; says what matched.
class RescanCommand final : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("rescan"); }
    QString usage() const override { return QStringLiteral("rescan --disc N [--no-facts] [--json] ROOT"); }
    int run(const QStringList& args, const DataFolder& folder, CliIo& io) const override;
};

// reelshelf-cli identify ROOT [--json]: which catalogued disc the medium at ROOT is. Exit 0 when
// one disc matches, 3 when none does or two match alike (said on standard error).
class IdentifyCommand final : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("identify"); }
    QString usage() const override { return QStringLiteral("identify ROOT [--json]"); }
    int run(const QStringList& args, const DataFolder& folder, CliIo& io) const override;
};

// reelshelf-cli verify --disc N [--json] ROOT: reads every remembered file of disc N under ROOT
// in full. Exit 0 when every file is ok, 4 when any is not, 1 when the check could not run.
class VerifyCommand final : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("verify"); }
    QString usage() const override { return QStringLiteral("verify --disc N [--json] ROOT"); }
    int run(const QStringList& args, const DataFolder& folder, CliIo& io) const override;
};

// reelshelf-cli files (--movie ID | --disc N) [--json]: the files remembered for a movie or for
// every movie of a disc, with their facts.
class FilesCommand final : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("files"); }
    QString usage() const override { return QStringLiteral("files (--movie ID | --disc N) [--json]"); }
    int run(const QStringList& args, const DataFolder& folder, CliIo& io) const override;
};
