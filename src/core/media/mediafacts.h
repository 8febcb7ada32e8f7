#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

// What a movie file says of itself, read from its headers (MediaArea's MediaInfo). Texts are as
// MediaInfo names them ("Matroska", "AVC", "AAC"); languages are the codes the file carries
// ("zh", "chi", "en"), empty when it names none. Zero means "not known" for every number.
struct AudioTrack
{
    QString codec;
    int channels = 0;
    QString language;
    bool operator==(const AudioTrack&) const = default;
};

struct SubtitleTrack
{
    QString format;
    QString language;
    bool external = false; // a subtitle file beside the movie, not a track inside it
    QString path; // the shown path of that file; empty for a track
    bool operator==(const SubtitleTrack&) const = default;
};

struct MediaFacts
{
    QString container;
    double durationSeconds = 0;
    int width = 0;
    int height = 0;
    QString videoCodec;
    double frameRate = 0;
    QList<AudioTrack> audio;
    QList<SubtitleTrack> subtitles;
    bool truncated = false; // the file ends before its headers say it does
    bool operator==(const MediaFacts&) const = default;
};

namespace MediaFactsJson {

// The keys of `reelshelf-cli probe`, but path and size: container, duration (seconds), width,
// height, videoCodec, frameRate, audio, subtitles. A number not known is null, as is every key of
// a file that could not be read (`facts` nullopt).
void write(QJsonObject& into, const std::optional<MediaFacts>& facts);
// The facts `write` wrote; nullopt for a file that could not be read or a text that is not ours.
std::optional<MediaFacts> read(const QJsonObject& from);

} // namespace MediaFactsJson
