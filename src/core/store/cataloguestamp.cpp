#include "cataloguestamp.h"

#include <QFile>
#include <QFileInfo>

namespace {

// The file change counter: big-endian, at offset 24 of the header; every committed write outside
// a write-ahead log moves it on.
quint32 changeCounter(const QString& catalogueFile)
{
    QFile file(catalogueFile);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray header = file.read(28);
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
    return { file.lastModified(), log.exists() ? log.lastModified() : QDateTime(), file.size() + log.size(),
        changeCounter(catalogueFile) };
}
