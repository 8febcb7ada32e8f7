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
        parts << TextRules::shortestDecimal(std::round(facts.frameRate * 1000) / 1000)
                + QStringLiteral(" fps");
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
        tracks << (s.format + u' ' + s.language).trimmed()
                + (s.external ? QStringLiteral("（外挂）") : QString());
    return tracks.isEmpty() ? QStringLiteral("无") : tracks.join(u'、');
}

QString size(qint64 bytes)
{
    constexpr double mega = 1024.0 * 1024.0;
    if (bytes < 0)
        return {};
    if (bytes >= 1024 * mega)
        return TextRules::shortestDecimal(std::round(bytes / mega / 1024 * 100) / 100)
            + QStringLiteral(" GB");
    // A subtitle or a small file would read "0 MB".
    if (bytes < 100 * 1024)
        return QString::number((bytes + 1023) / 1024) + QStringLiteral(" KB");
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
        text += QStringLiteral("（%1 读取）")
                    .arg(m.scanned.toLocalTime().toString(QStringLiteral("yyyy-MM-dd")));
    return text;
}

QString check(const MediaTables::DiscCheckRecord& c)
{
    const QString day = c.checked.toLocalTime().toString(QStringLiteral("yyyy-MM-dd"));
    if (c.passed())
        return QStringLiteral("%1，%2 个文件全部完好").arg(day).arg(c.files);
    QStringList counts;
    const std::pair<int, const char16_t*> parts[] = { { c.unreadable, u"个文件无法读取" },
        { c.missing, u"个文件缺失" }, { c.changed, u"个文件已改变" } };
    for (const auto& [count, what] : parts)
        if (count > 0)
            counts << QString::number(count) + u' ' + QString::fromUtf16(what);
    // A check that counted a file neither ok nor one of the three still says how many.
    if (counts.isEmpty())
        counts << QStringLiteral("%1 个文件未通过").arg(c.files - c.ok);
    return day + QStringLiteral("，") + counts.join(QStringLiteral("，"));
}

QString lastCheck(const std::optional<MediaTables::DiscCheckRecord>& c)
{
    return c ? QStringLiteral("上次校验：") + check(*c) : QStringLiteral("还没有校验过");
}

QString fileStatus(const QString& status, qint64 offset)
{
    if (status == QLatin1String("ok"))
        return QStringLiteral("完好");
    if (status == QLatin1String("missing"))
        return QStringLiteral("缺失");
    if (status == QLatin1String("changed"))
        return QStringLiteral("已改变");
    return offset >= 0 ? QStringLiteral("无法读取（从第 %1 字节起）").arg(offset)
                       : QStringLiteral("无法读取");
}

QString duration(double seconds)
{
    const qint64 s = std::max<qint64>(1, qint64(std::ceil(seconds)));
    if (s < 60)
        return QStringLiteral("约 %1 秒").arg(s);
    const qint64 minutes = (s + 30) / 60;
    if (minutes < 60)
        return QStringLiteral("约 %1 分钟").arg(minutes);
    return minutes % 60 == 0 ? QStringLiteral("约 %1 小时").arg(minutes / 60)
                             : QStringLiteral("约 %1 小时 %2 分钟").arg(minutes / 60).arg(minutes % 60);
}

} // namespace MediaText
