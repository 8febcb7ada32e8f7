#include "mediatext.h"

#include "store/textrules.h"

#include <QStringList>
#include <cmath>

namespace MediaText {

QString minutes(const MediaFacts& facts)
{
    if (facts.durationSeconds <= 0)
        return {};
    return QStringLiteral("%1 分钟").arg(std::llround(facts.durationSeconds / 60));
}

QString picture(const MediaFacts& facts)
{
    QStringList parts;
    if (facts.width > 0 && facts.height > 0)
        parts << QStringLiteral("%1x%2").arg(facts.width).arg(facts.height);
    if (!facts.videoCodec.isEmpty())
        parts << facts.videoCodec;
    if (facts.frameRate > 0)
        parts << TextRules::shortestDecimal(std::round(facts.frameRate * 1000) / 1000) + QStringLiteral(" fps");
    return parts.join(u' ');
}

QString audio(const MediaFacts& facts)
{
    QStringList tracks;
    for (const AudioTrack& a : facts.audio) {
        QStringList words { a.codec };
        if (a.channels > 0)
            words << QStringLiteral("%1声道").arg(a.channels);
        words << a.language;
        words.removeAll(QString());
        tracks << words.join(u' ');
    }
    return tracks.isEmpty() ? QStringLiteral("无") : tracks.join(u'、');
}

QString subtitles(const MediaFacts& facts)
{
    QStringList tracks;
    for (const SubtitleTrack& s : facts.subtitles)
        tracks << (s.format + u' ' + s.language).trimmed() + (s.external ? QStringLiteral("（外挂）") : QString());
    return tracks.isEmpty() ? QStringLiteral("无") : tracks.join(u'、');
}

QString size(qint64 bytes)
{
    constexpr double mega = 1024.0 * 1024.0;
    if (bytes < 0)
        return {};
    if (bytes >= 1024 * mega)
        return TextRules::shortestDecimal(std::round(bytes / mega / 1024 * 100) / 100) + QStringLiteral(" GB");
    return TextRules::shortestDecimal(std::round(bytes / mega * 10) / 10) + QStringLiteral(" MB");
}

QString medium(const DiscMediumRecord& m)
{
    QStringList words;
    if (!m.label.isEmpty())
        words << QStringLiteral("标签 %1").arg(m.label);
    if (!m.uuid.isEmpty())
        words << QStringLiteral("UUID %1").arg(m.uuid);
    if (!m.fsType.isEmpty())
        words << m.fsType;
    words << QStringLiteral("%1 个文件，共 %2").arg(m.fileCount).arg(size(m.totalSize));
    QString text = QStringLiteral("介质：") + words.join(QStringLiteral("，"));
    if (m.scanned.isValid())
        text += QStringLiteral("（%1 读取）").arg(m.scanned.toLocalTime().toString(QStringLiteral("yyyy-MM-dd")));
    return text;
}

} // namespace MediaText
