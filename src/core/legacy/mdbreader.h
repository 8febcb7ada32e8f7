#pragma once

#include "legacysource.h"

#include <functional>
#include <memory>
#include <optional>

// Reads a Jet 3 or Jet 4 .mdb file (Access 97 to 2003) read-only, without anything of Access.
// A table comes whole or not at all: every row its definition counts must be read, and a long
// text whose page chain breaks or turns back on itself refuses the table instead of looping.
class MdbReader final : public LegacySource
{
public:
    ~MdbReader() override;

    // nullptr with a message naming the file when it is missing, unreadable or not an .mdb file.
    static std::unique_ptr<MdbReader> open(const QString& path, QString* error);
    // What keeps the file from being read at all (missing, a folder, a pipe, empty, not a Jet
    // file), found from its type and first bytes alone; nothing when it may be read.
    static std::optional<QString> fileProblem(const QString& path);

    QString path() const { return path_; }
    bool isJet3() const;
    // The code page written in the file's header (936 for a Chinese catalogue, 0 when absent).
    int codePage() const;

    QStringList tableNames() const override;
    QString location() const override { return path_; }
    std::optional<LegacyTable> readTable(const QString& name, QString* error) override;

    // Called for every row read, so that whoever waits can tell reading from hanging.
    void setProgress(std::function<void()> tick) { tick_ = std::move(tick); }

    struct Handle; // libmdb's handle and our list of the file's tables

private:
    MdbReader(const QString& path, std::unique_ptr<Handle> handle);
    QString path_;
    std::unique_ptr<Handle> handle_;
    std::function<void()> tick_;
};
