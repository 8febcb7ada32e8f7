#pragma once

#include "legacy/legacysource.h"
#include "store/records.h"

#include <QMap>

// The tables of an old catalogue built in code, as an .mdb file would hand them out.
class BuiltSource final : public LegacySource
{
public:
    QMap<QString, LegacyTable> tables;

    QStringList tableNames() const override { return tables.keys(); }
    std::optional<LegacyTable> readTable(const QString& name, QString* error) override
    {
        if (!tables.contains(name)) {
            *error = QStringLiteral("no table %1").arg(name);
            return std::nullopt;
        }
        return tables.value(name);
    }

    // The three tables with their usual columns and no rows.
    static BuiltSource empty()
    {
        BuiltSource s;
        s.tables[QStringLiteral("DiskState")].columns
            = { "DiskNum", "Name", "DiskType", "Station", "PS", "Fav" };
        for (int i = 0; i < MovieFieldCount; ++i)
            s.tables[QStringLiteral("ReelShelfIndex")].columns.append(movieFieldName(MovieField(i)));
        s.tables[QStringLiteral("MovieFileType")].columns = { "Filetype", "Selected", "Memo" };
        return s;
    }

    void disc(const QVariantList& values) { tables[QStringLiteral("DiskState")].rows.append(values); }
    void fileType(const QVariantList& values) { tables[QStringLiteral("MovieFileType")].rows.append(values); }
    // A movie with its number, title and disc; other fields null unless given.
    void movie(const QVariant& id, const QVariant& title, const QVariant& disc,
        const QList<std::pair<MovieField, QVariant>>& extra = {})
    {
        QVariantList row(MovieFieldCount);
        row[int(MovieField::ID)] = id;
        row[int(MovieField::MovieName)] = title;
        row[int(MovieField::DiskNum)] = disc;
        for (const auto& [field, value] : extra)
            row[int(field)] = value;
        tables[QStringLiteral("ReelShelfIndex")].rows.append(row);
    }
};
