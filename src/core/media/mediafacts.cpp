#include "mediafacts.h"

#include <QJsonArray>
#include <QJsonValue>

namespace MediaFactsJson {

namespace {

QJsonValue number(double value)
{
    return value > 0 ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QJsonValue text(const QString& value)
{
    return value.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(value);
}

QString textOf(const QJsonValue& value)
{
    return value.isString() ? value.toString() : QString();
}

double numberOf(const QJsonValue& value)
{
    return value.isDouble() && value.toDouble() > 0 ? value.toDouble() : 0;
}

const char* const factKeys[]
    = { "container", "duration", "width", "height", "videoCodec", "frameRate", "audio", "subtitles" };

} // namespace

void write(QJsonObject& into, const std::optional<MediaFacts>& facts)
{
    if (!facts) {
        for (const char* key : factKeys)
            into.insert(QLatin1String(key), QJsonValue::Null);
        return;
    }
    into.insert(QStringLiteral("container"), text(facts->container));
    into.insert(QStringLiteral("duration"), number(facts->durationSeconds));
    into.insert(QStringLiteral("width"), number(facts->width));
    into.insert(QStringLiteral("height"), number(facts->height));
    into.insert(QStringLiteral("videoCodec"), text(facts->videoCodec));
    into.insert(QStringLiteral("frameRate"), number(facts->frameRate));
    QJsonArray audio;
    for (const AudioTrack& a : facts->audio)
        audio.append(QJsonObject { { QStringLiteral("codec"), text(a.codec) },
            { QStringLiteral("channels"), number(a.channels) },
            { QStringLiteral("language"), text(a.language) } });
    into.insert(QStringLiteral("audio"), audio);
    QJsonArray subtitles;
    for (const SubtitleTrack& s : facts->subtitles) {
        QJsonObject o { { QStringLiteral("format"), text(s.format) },
            { QStringLiteral("language"), text(s.language) }, { QStringLiteral("external"), s.external } };
        if (s.external)
            o.insert(QStringLiteral("path"), s.path);
        subtitles.append(o);
    }
    into.insert(QStringLiteral("subtitles"), subtitles);
    if (facts->truncated)
        into.insert(QStringLiteral("truncated"), true);
}

std::optional<MediaFacts> read(const QJsonObject& from)
{
    if (!from.value(QStringLiteral("audio")).isArray() || !from.value(QStringLiteral("subtitles")).isArray())
        return std::nullopt;
    MediaFacts f;
    f.container = textOf(from.value(QStringLiteral("container")));
    f.durationSeconds = numberOf(from.value(QStringLiteral("duration")));
    f.width = int(numberOf(from.value(QStringLiteral("width"))));
    f.height = int(numberOf(from.value(QStringLiteral("height"))));
    f.videoCodec = textOf(from.value(QStringLiteral("videoCodec")));
    f.frameRate = numberOf(from.value(QStringLiteral("frameRate")));
    for (const QJsonValue& v : from.value(QStringLiteral("audio")).toArray()) {
        const QJsonObject a = v.toObject();
        f.audio.append(
            { textOf(a.value(QStringLiteral("codec"))), int(numberOf(a.value(QStringLiteral("channels")))),
                textOf(a.value(QStringLiteral("language"))) });
    }
    for (const QJsonValue& v : from.value(QStringLiteral("subtitles")).toArray()) {
        const QJsonObject s = v.toObject();
        f.subtitles.append(
            { textOf(s.value(QStringLiteral("format"))), textOf(s.value(QStringLiteral("language"))),
                s.value(QStringLiteral("external")).toBool(), textOf(s.value(QStringLiteral("path"))) });
    }
    f.truncated = from.value(QStringLiteral("truncated")).toBool();
    return f;
}

} // namespace MediaFactsJson
