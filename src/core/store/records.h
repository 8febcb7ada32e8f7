#pragma once

#include <QString>
#include <QVariant>
#include <array>

// One disc record of DiskState. Every field may be null (an invalid QVariant), as stored.
struct DiscRecord
{
    QVariant diskNum;
    QVariant name;
    QVariant diskType;
    QVariant station;
    QVariant ps;
    QVariant fav;
};

// The fields of the movie table, in table order.
enum class MovieField {
    ID,
    MovieName,
    Year,
    Filetype,
    Type,
    Audio,
    SubTitile,
    Definition,
    MovieSize,
    FileNum,
    EngName,
    Direct,
    Role,
    Company,
    Lastfor,
    PS,
    Nation,
    DiskNum,
    Score,
    Seen,
};
inline constexpr int MovieFieldCount = 20;

// The field name as the table spells it.
QString movieFieldName(MovieField field);

// One movie record of ReelShelfIndex; a null QVariant is a null field.
struct MovieRecord
{
    std::array<QVariant, MovieFieldCount> values;

    const QVariant& operator[](MovieField f) const { return values[size_t(f)]; }
    QVariant& operator[](MovieField f) { return values[size_t(f)]; }
};

// One row of MovieFileType.
struct FileTypeRecord
{
    QVariant filetype;
    QVariant selected;
    QVariant memo;
    qint64 rowId = 0; // finds the row again, however the table changed meanwhile
};
