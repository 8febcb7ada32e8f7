#pragma once

#include "clicommand.h"

// reelshelf-cli report [--json]: the duplicates and the movies at risk, as the report window
// lists them; one JSON line per movie with --json.
class ReportCommand final : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("report"); }
    QString usage() const override { return QStringLiteral("report [--json]"); }
    int run(const QStringList& args, const DataFolder& folder, CliIo& io) const override;
};
