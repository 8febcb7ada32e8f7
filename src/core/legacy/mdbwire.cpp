#include "mdbwire.h"

#include <QDataStream>
#include <QFileDevice>
#include <QVariant>

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

// The kinds of value the helper sends; anything else in a frame is damage.
bool isSentType(quint32 id)
{
    switch (id) {
    case QMetaType::UnknownType:
    case QMetaType::Bool:
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::QDateTime:
        return true;
    default:
        return false;
    }
}

// The count before a list, checked against the bytes left in the frame: Qt reserves room for as
// many items as the count says before it reads one, so a damaged count would ask for gigabytes.
bool readCount(QDataStream& in, qint64 smallestItem, quint32* count)
{
    in >> *count;
    if (in.status() != QDataStream::Ok)
        return false;
    if (qint64(*count) * smallestItem > in.device()->bytesAvailable()) {
        in.setStatus(QDataStream::ReadCorruptData);
        return false;
    }
    return true;
}

bool readStrings(QDataStream& in, QStringList* out)
{
    quint32 count = 0;
    if (!readCount(in, sizeof(quint32), &count))
        return false;
    out->clear();
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        QString text;
        in >> text;
        out->append(text);
    }
    return in.status() == QDataStream::Ok;
}

// A value as QVariant streams it, once its type is known to be one the helper sends: a list type
// would again reserve what its own count says.
bool readValue(QDataStream& in, QVariant* out)
{
    const qint64 start = in.device()->pos();
    quint32 type = 0;
    in >> type;
    if (in.status() != QDataStream::Ok || !isSentType(type)) {
        in.setStatus(QDataStream::ReadCorruptData);
        return false;
    }
    in.device()->seek(start);
    in >> *out;
    return in.status() == QDataStream::Ok;
}

bool readRows(QDataStream& in, QList<QVariantList>* out)
{
    // A value is at least its type (quint32) and its null flag (qint8).
    constexpr qint64 smallestValue = 5;
    quint32 rows = 0;
    if (!readCount(in, sizeof(quint32), &rows))
        return false;
    out->clear();
    for (quint32 r = 0; r < rows; ++r) {
        quint32 values = 0;
        if (!readCount(in, smallestValue, &values))
            return false;
        QVariantList row;
        for (quint32 v = 0; v < values; ++v) {
            QVariant value;
            if (!readValue(in, &value))
                return false;
            row.append(value);
        }
        out->append(row);
    }
    return true;
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
        readStrings(in, &frame.names);
        break;
    case Kind::Table:
        in >> frame.text;
        if (readStrings(in, &frame.table.columns))
            readRows(in, &frame.table.rows);
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
