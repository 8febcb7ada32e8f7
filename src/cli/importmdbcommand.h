#pragma once

#include "clicommand.h"

// reelshelf-cli import-mdb FILE [--json]: adds an old catalogue (ShelfIndex.mdb) to ours, as the
// menu command does when the user chooses to add, and prints the counts.
class ImportMdbCommand final : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("import-mdb"); }
    QString usage() const override { return QStringLiteral("import-mdb FILE [--json]"); }
    int run(const QStringList& args, const DataFolder& folder, CliIo& io) const override;
};
