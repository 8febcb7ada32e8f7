#pragma once

#include "clicommand.h"

// reelshelf-cli loans [--open] [--json]: every loan in the order it was made, or the discs out now.
class LoansCommand final : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("loans"); }
    QString usage() const override { return QStringLiteral("loans [--open] [--json]"); }
    int run(const QStringList& args, const DataFolder& folder, CliIo& io) const override;
};

// reelshelf-cli lend --disc N --to NAME [--due YYYY-MM-DD] [--note TEXT]: lends a disc today, as
// 借出... in the window does. Exit 1 with the window's message for an unknown disc or one out already.
class LendCommand final : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("lend"); }
    QString usage() const override
    {
        return QStringLiteral("lend --disc N --to NAME [--due YYYY-MM-DD] [--note TEXT]");
    }
    int run(const QStringList& args, const DataFolder& folder, CliIo& io) const override;
};

// reelshelf-cli return --disc N: the disc is back today; its earlier condition is put back.
class ReturnCommand final : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("return"); }
    QString usage() const override { return QStringLiteral("return --disc N"); }
    int run(const QStringList& args, const DataFolder& folder, CliIo& io) const override;
};
