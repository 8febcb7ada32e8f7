#pragma once

#include "clicommand.h"

// reelshelf-cli discs [--json]: the disc nodes under the all-discs root, in tree order.
class DiscsCommand final : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("discs"); }
    QString usage() const override { return QStringLiteral("discs [--json]"); }
    int run(const QStringList& args, const DataFolder& folder, CliIo& io) const override;
};

// reelshelf-cli list [--disc NUMBER] [--json]: the rows the movie list shows for a node.
class ListCommand final : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("list"); }
    QString usage() const override { return QStringLiteral("list [--disc NUMBER] [--json]"); }
    int run(const QStringList& args, const DataFolder& folder, CliIo& io) const override;
};

// reelshelf-cli scan ROOT [--json]: the candidate rows the import wizard's search shows for a
// drive root, after name cleaning and part merging.
class ScanCommand final : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("scan"); }
    QString usage() const override { return QStringLiteral("scan ROOT [--json]"); }
    int run(const QStringList& args, const DataFolder& folder, CliIo& io) const override;
};

// reelshelf-cli add-disc --number N [--name NAME] [--kind KIND] [--no-facts] [--json] ROOT: what the import
// wizard stores when every file its search finds in ROOT is prepared and "添加所有(&A)" is pressed
// (--no-facts: as with its box "从影片文件读取时长、清晰度和语言" unticked).
class AddDiscCommand final : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("add-disc"); }
    QString usage() const override
    {
        return QStringLiteral("add-disc --number N [--name NAME] [--kind KIND] [--no-facts] [--json] ROOT");
    }
    int run(const QStringList& args, const DataFolder& folder, CliIo& io) const override;
};

// reelshelf-cli export (--txt | --xls) [--folder DIR] [--stamped]: the export window's work,
// printing only the path of the file written.
class ExportCommand final : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("export"); }
    QString usage() const override
    {
        return QStringLiteral("export (--txt | --xls) [--folder DIR] [--stamped]");
    }
    int run(const QStringList& args, const DataFolder& folder, CliIo& io) const override;
};

// reelshelf-cli search (--title TEXT [--exact] | --year TEXT | --genre TEXT | --format TEXT | --seen |
// --unseen) [--json]: the rows the search window puts into the movie list, in the same order.
class SearchCommand final : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("search"); }
    QString usage() const override
    {
        return QStringLiteral("search (--title TEXT [--exact] | --year TEXT | --genre TEXT | --format TEXT | "
                              "--seen | --unseen) [--json]");
    }
    int run(const QStringList& args, const DataFolder& folder, CliIo& io) const override;
};
