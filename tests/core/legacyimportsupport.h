#pragma once

#include "builtsource.h"
#include "legacy/legacyimport.h"
#include "testsupport.h"

#include <QDateTime>
#include <QTemporaryDir>

// What the tests of old catalogues' imports share: the moment they import at, the folder the old
// file lies in, and the import itself.
namespace {

const QDateTime now(QDate(2026, 12, 8), QTime(9, 30, 0));

// A Windows catalogue folder: the file's tables come from code, the pictures and settings are files.
struct OldFolder
{
    QTemporaryDir dir;
    QString path() const { return dir.path(); }
    void file(const QString& relative, const QByteArray& bytes) const
    {
        writeBytes(dir.filePath(relative), bytes);
    }
};

std::optional<LegacyImport::Report> run(
    const TestHome& home, BuiltSource& source, LegacyImport::Mode mode, const QString& from, QString* error)
{
    return LegacyImport::importInto(home.folder(), source, mode, from, now, error);
}

} // namespace
