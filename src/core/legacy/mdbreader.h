#pragma once

#include "legacysource.h"

#include <memory>

// Reads a Jet 3 or Jet 4 .mdb file (Access 97 to 2003) read-only, without anything of Access.
class MdbReader final : public LegacySource
{
public:
    ~MdbReader() override;

    // nullptr with a message naming the file when it is missing, unreadable or not an .mdb file.
    static std::unique_ptr<MdbReader> open(const QString& path, QString* error);

    QString path() const { return path_; }
    bool isJet3() const;
    // The code page written in the file's header (936 for a Chinese catalogue, 0 when absent).
    int codePage() const;

    QStringList tableNames() const override;
    std::optional<LegacyTable> readTable(const QString& name, QString* error) override;

private:
    struct Handle;
    MdbReader(const QString& path, std::unique_ptr<Handle> handle);
    QString path_;
    std::unique_ptr<Handle> handle_;
};
