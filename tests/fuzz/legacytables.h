#pragma once

// Equality of old catalogue tables as the fuzz targets compare them: values equal in type and in
// their stored bytes, so that a NaN equals itself.
#include "legacy/legacysource.h"

#include <QDataStream>
#include <QVariant>

namespace FuzzSupport {

inline bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.typeId() != b.typeId())
        return false;
    QByteArray x;
    QByteArray y;
    {
        QDataStream first(&x, QIODevice::WriteOnly);
        first << a;
        QDataStream second(&y, QIODevice::WriteOnly);
        second << b;
    }
    return x == y;
}

inline bool sameTable(const LegacyTable& a, const LegacyTable& b)
{
    if (a.columns != b.columns || a.rows.size() != b.rows.size())
        return false;
    for (qsizetype r = 0; r < a.rows.size(); ++r) {
        if (a.rows[r].size() != b.rows[r].size())
            return false;
        for (qsizetype c = 0; c < a.rows[r].size(); ++c)
            if (!sameValue(a.rows[r][c], b.rows[r][c]))
                return false;
    }
    return true;
}

} // namespace FuzzSupport
