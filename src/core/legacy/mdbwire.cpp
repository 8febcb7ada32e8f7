#include "mdbwire.h"

#include <QDataStream>
#include <QFileDevice>

namespace MdbWire {

namespace {

constexpr auto streamVersion = QDataStream::Qt_6_4;
// A frame header: the payload's length (quint32) and its kind (quint8).
constexpr qsizetype headerSize = 5;

bool writeFrame(QIODevice& out, Kind kind, const QByteArray& payload)
{
    QByteArray frame;
    QDataStream header(&frame, QIODevice::WriteOnly);
    header.setVersion(streamVersion);
    header << quint32(payload.size()) << quint8(kind);
    frame.append(payload);
    for (qsizetype written = 0; written < frame.size();) {
        const qint64 n = out.write(frame.constData() + written, frame.size() - written);
        if (n <= 0)
            return false;
        written += n;
    }
    if (auto* file = qobject_cast<QFileDevice*>(&out))
        return file->flush();
    return true;
}

template <typename... Values> QByteArray payloadOf(const Values&... values)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(streamVersion);
    (stream << ... << values);
    return bytes;
}

} // namespace

bool writeProgress(QIODevice& out)
{
    return writeFrame(out, Kind::Progress, {});
}

bool writeNames(QIODevice& out, const QStringList& names)
{
    return writeFrame(out, Kind::Names, payloadOf(names));
}

bool writeTable(QIODevice& out, const QString& name, const LegacyTable& table)
{
    return writeFrame(out, Kind::Table, payloadOf(name, table.columns, table.rows));
}

bool writeFailure(QIODevice& out, const QString& message)
{
    return writeFrame(out, Kind::Failure, payloadOf(message));
}

bool writeDone(QIODevice& out)
{
    return writeFrame(out, Kind::Done, {});
}

std::optional<Frame> FrameReader::next()
{
    if (broken_ || buffer_.size() < headerSize)
        return std::nullopt;
    quint32 length = 0;
    quint8 kind = 0;
    {
        QDataStream header(buffer_.left(headerSize));
        header.setVersion(streamVersion);
        header >> length >> kind;
    }
    if (buffer_.size() - headerSize < qsizetype(length))
        return std::nullopt;
    QDataStream in(buffer_.mid(headerSize, qsizetype(length)));
    in.setVersion(streamVersion);
    buffer_.remove(0, headerSize + qsizetype(length));
    Frame frame;
    frame.kind = Kind(kind);
    switch (frame.kind) {
    case Kind::Progress:
    case Kind::Done:
        break;
    case Kind::Names:
        in >> frame.names;
        break;
    case Kind::Table:
        in >> frame.text >> frame.table.columns >> frame.table.rows;
        break;
    case Kind::Failure:
        in >> frame.text;
        break;
    default:
        broken_ = true;
        return std::nullopt;
    }
    if (in.status() != QDataStream::Ok) {
        broken_ = true;
        return std::nullopt;
    }
    return frame;
}

} // namespace MdbWire
