#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QIODevice;

// Writes a compound document (version 3, 512-byte sectors) that holds one stream in its root
// storage, as an Excel 97-2003 workbook file does. A stream below the mini-stream cutoff is
// padded to it, so the mini stream is never needed.
namespace CompoundFile {

bool write(QIODevice& device, const QString& streamName, const QByteArray& stream, QString* error = nullptr);
// The same with the stream given in consecutive pieces, so that it is never copied whole.
bool write(
    QIODevice& device, const QString& streamName, const QList<QByteArray>& pieces, QString* error = nullptr);

} // namespace CompoundFile
