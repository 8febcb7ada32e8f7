#include "mediacommands.h"

#include "jsonline.h"
#include "media/mediaprobe.h"
#include "store/textrules.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <cmath>

namespace {

// The facts' keys in the order the command's usage names them.
const char* const factKeys[] = { "container", "duration", "width", "height", "videoCodec", "frameRate",
    "audio", "subtitles", "truncated" };

QString jsonText(const QJsonValue& value)
{
    const QByteArray wrapped = QJsonDocument(QJsonArray { value }).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(wrapped.mid(1, wrapped.size() - 2));
}

QString jsonLine(const QString& path, qint64 size, const std::optional<MediaFacts>& facts)
{
    QJsonObject members;
    MediaFactsJson::write(members, facts);
    QString line = QStringLiteral("{\"path\":") + JsonLine::quoted(path) + QStringLiteral(",\"size\":")
        + (size < 0 ? QStringLiteral("null") : QString::number(size));
    for (const char* key : factKeys) {
        const QJsonValue value = members.value(QLatin1String(key));
        if (!value.isUndefined())
            line += QStringLiteral(",\"%1\":").arg(QLatin1String(key)) + jsonText(value);
    }
    return line + u'}';
}

QString tracksText(const MediaFacts& f)
{
    QStringList audio;
    for (const AudioTrack& a : f.audio)
        audio << QStringLiteral("%1 %2声道 %3").arg(a.codec).arg(a.channels).arg(a.language).trimmed();
    QStringList subtitles;
    for (const SubtitleTrack& s : f.subtitles)
        subtitles << (s.format + u' ' + s.language).trimmed()
                + (s.external ? QStringLiteral("（外挂）") : QString());
    return QStringLiteral("音轨：%1  字幕：%2")
        .arg(audio.isEmpty() ? QStringLiteral("无") : audio.join(u'、'),
            subtitles.isEmpty() ? QStringLiteral("无") : subtitles.join(u'、'));
}

QString textLine(const QString& path, const std::optional<MediaFacts>& facts)
{
    if (!facts)
        return path + QStringLiteral("  （无法读取）");
    const MediaFacts& f = *facts;
    return QStringLiteral("%1  %2  %3 分钟  %4x%5  %6  %7 fps  %8")
        .arg(path, f.container, TextRules::shortestDecimal(std::round(f.durationSeconds / 60)))
        .arg(f.width)
        .arg(f.height)
        .arg(f.videoCodec, TextRules::shortestDecimal(std::round(f.frameRate * 1000) / 1000), tracksText(f));
}

} // namespace

int ProbeCommand::run(const QStringList& args, const DataFolder&, CliIo& io) const
{
    bool json = false;
    QList<ProbeFile> files;
    bool onlyFiles = false;
    for (const QString& a : args) {
        if (!onlyFiles && a == QStringLiteral("--json")) {
            json = true;
        } else if (!onlyFiles && a == QStringLiteral("--")) {
            onlyFiles = true;
        } else if (!onlyFiles && a.startsWith(u"--")) {
            io.err << "用法: reelshelf-cli " << usage() << '\n';
            return ExitUsage;
        } else {
            files.append({ a.toUtf8(), a });
        }
    }
    if (files.isEmpty()) {
        io.err << "用法: reelshelf-cli " << usage() << '\n';
        return ExitUsage;
    }
    const QList<ProbeOutcome> outcomes = MediaProbe::probe(files, {});
    for (qsizetype i = 0; i < files.size(); ++i) {
        const ProbeOutcome& o = outcomes.at(i);
        if (!o.warning.isEmpty())
            io.err << o.warning << '\n';
        const QFileInfo info(files.at(i).shownPath);
        io.out << (json ? jsonLine(files.at(i).shownPath, info.isFile() ? info.size() : -1, o.facts)
                        : textLine(files.at(i).shownPath, o.facts))
               << '\n';
    }
    return ExitOk;
}
