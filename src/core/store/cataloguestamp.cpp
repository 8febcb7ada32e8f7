#include "cataloguestamp.h"

#include <QFile>
#include <QFileInfo>

namespace {

// The file change counter: big-endian, at offset 24 of the header; every committed write outside
// a write-ahead log moves it on.
QByteArray headerOf(const QString& path, qint64 length)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(length);
}

quint32 changeCounter(const QString& catalogueFile)
{
    const QByteArray header = headerOf(catalogueFile, 28);
    if (header.size() < 28)
        return 0;
    quint32 counter = 0;
    for (int i = 24; i < 28; ++i)
        counter = (counter << 8) | quint8(header.at(i));
    return counter;
}

} // namespace

CatalogueStamp CatalogueStamp::of(const QString& catalogueFile)
{
    const QFileInfo file(catalogueFile);
    const QFileInfo log(catalogueFile + QStringLiteral("-wal"));
    // The log's header holds its checkpoint sequence and the salts that change with each reuse.
    constexpr qint64 logHeaderSize = 32;
    return { file.lastModified(), log.exists() ? log.lastModified() : QDateTime(), file.size() + log.size(),
        changeCounter(catalogueFile), log.exists() ? headerOf(log.filePath(), logHeaderSize) : QByteArray() };
}
