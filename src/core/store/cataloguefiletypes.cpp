#include "catalogue.h"
#include "catalogueconnection.h"

#include <QSqlError>
#include <QSqlQuery>

using namespace CatalogueDb;

namespace {

struct DefaultFileType
{
    const char16_t* type;
    const char16_t* selected;
    const char16_t* memo;
};

const DefaultFileType defaultFileTypes[] = {
    { u"avi", u"Yes", u"AVI 视频文件（DivX/XviD 等）" },
    { u"rmvb", u"Yes", u"RealMedia 可变码率视频" },
    { u"rm", u"Yes", u"RealMedia 视频" },
    { u"mkv", u"Yes", u"Matroska 视频（高清常见）" },
    { u"mp4", u"Yes", u"MPEG-4 视频" },
    { u"mpg", u"Yes", u"MPEG-1/2 视频（VCD 常见）" },
    { u"ts", u"Yes", u"MPEG 传输流（高清录制）" },
    { u"wmv", u"Yes", u"Windows Media 视频" },
    { u"mov", u"No", u"QuickTime 视频" },
    { u"flv", u"No", u"Flash 网络视频" },
    { u"vob", u"No", u"DVD 视频文件" },
};

} // namespace

bool CatalogueDb::insertDefaultFileTypes(QSqlQuery& q)
{
    if (!q.prepare(insertSql(QStringLiteral("MovieFileType"), fileTypeColumns)))
        return false;
    for (const DefaultFileType& t : defaultFileTypes) {
        q.addBindValue(QString::fromUtf16(t.type));
        q.addBindValue(QString::fromUtf16(t.selected));
        q.addBindValue(QString::fromUtf16(t.memo));
        if (!q.exec())
            return false;
    }
    return true;
}

std::optional<QList<FileTypeRecord>> Catalogue::fileTypes(QString* error) const
{
    Connection c(path_);
    if (!c.ok()) {
        setError(error, c.error());
        return std::nullopt;
    }
    QSqlQuery q(c.db());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT %1, rowid FROM MovieFileType ORDER BY rowid")
                    .arg(columnList(fileTypeColumns)))) {
        setError(error, queryError(path_, q));
        return std::nullopt;
    }
    QList<FileTypeRecord> result;
    while (q.next())
        result.append({ q.value(0), q.value(1), q.value(2), q.value(3).toLongLong() });
    if (q.lastError().isValid()) {
        setError(error, queryError(path_, q));
        return std::nullopt;
    }
    return result;
}

bool Catalogue::setFileTypesSelected(const QList<std::pair<qint64, bool>>& selected, QString* error)
{
    Connection c(path_);
    if (!c.ok()) {
        setError(error, c.error());
        return false;
    }
    WriteTransaction transaction(c.db(), path_);
    if (!transaction.active()) {
        setError(error, transaction.error());
        return false;
    }
    {
        QSqlQuery q(c.db());
        if (!q.prepare(QStringLiteral("UPDATE MovieFileType SET Selected = ? WHERE rowid = ?"))) {
            setError(error, queryError(path_, q));
            return false;
        }
        for (const auto& [rowId, on] : selected) {
            q.addBindValue(on ? QStringLiteral("Yes") : QStringLiteral("No"));
            q.addBindValue(rowId);
            if (!q.exec()) {
                setError(error, queryError(path_, q));
                return false;
            }
        }
    }
    if (!transaction.commit()) {
        setError(error, transaction.error());
        return false;
    }
    return true;
}
