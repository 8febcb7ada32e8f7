#pragma once

#include "clicommand.h"

struct CollectionStats;

// reelshelf-cli stats [--json]: the figures of the statistics window, as one JSON object or as
// readable tables.
class StatsCommand final : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("stats"); }
    QString usage() const override { return QStringLiteral("stats [--json]"); }
    int run(const QStringList& args, const DataFolder& folder, CliIo& io) const override;

    // The whole object on one line, keys in a fixed order.
    static QByteArray json(const CollectionStats& stats);
};
