#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

// One table of an old catalogue: its column names and every record in stored order. A value is
// an invalid QVariant for an empty field, a QString for text, a qint64 or double for a number, a
// bool, a QDateTime or a QByteArray for the other kinds of column.
struct LegacyTable
{
    QStringList columns;
    QList<QVariantList> rows;
};

// Where an import reads the tables of an old catalogue from: an .mdb file, or rows built in code.
class LegacySource
{
public:
    virtual ~LegacySource() = default;
    virtual QStringList tableNames() const = 0;
    // The file the tables come from, as the user is told of it; empty for tables built in code.
    virtual QString location() const { return QString(); }
    // nullopt with a message in *error when the table is missing or cannot be read.
    virtual std::optional<LegacyTable> readTable(const QString& name, QString* error) = 0;
};
