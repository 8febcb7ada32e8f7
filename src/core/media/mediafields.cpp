#include "mediafields.h"

#include "intro/captions.h"
#include "movies/movieform.h"
#include "store/textrules.h"

#include <cmath>

namespace MediaFields {

namespace {

// "zh-CN" and "ZH" are "zh".
QString baseCode(const QString& code)
{
    return code.section(u'-', 0, 0).section(u'_', 0, 0).trimmed().toLower();
}

// Language codes, at most five of them, and what they stand for.
template <typename Meaning> struct Codes
{
    const char16_t* codes[5];
    Meaning meaning;
    bool has(const QString& code) const
    {
        for (const char16_t* c : codes)
            if (c && code == QStringView(c))
                return true;
        return false;
    }
};

} // namespace

QString definitionOf(int width, int height)
{
    if (width <= 0 && height <= 0)
        return {};
    if (width >= 3800 || height >= 2100)
        return QStringLiteral("2160P");
    if (width >= 1900 || height >= 1060)
        return QStringLiteral("1080P");
    if (width >= 1260 || height >= 700)
        return QStringLiteral("720P");
    return QStringLiteral("标清");
}

QString audioCaption(const QString& code)
{
    const QString c = baseCode(code);
    if (c.isEmpty())
        return {};
    static const Codes<const char16_t*> captions[] = {
        { { u"zh", u"zho", u"chi", u"cmn" }, u"国语" },
        { { u"yue" }, u"粤语" },
        { { u"en", u"eng" }, u"英文原声" },
        { { u"ja", u"jpn" }, u"日本语" },
        { { u"fr", u"fra", u"fre" }, u"法语" },
        { { u"it", u"ita" }, u"意大利语" },
        { { u"ru", u"rus" }, u"俄语" },
        { { u"ko", u"kor" }, u"韩语" },
        { { u"de", u"deu", u"ger" }, u"德语" },
        { { u"es", u"spa" }, u"西班牙语" },
    };
    for (const auto& entry : captions)
        if (entry.has(c))
            return QString::fromUtf16(entry.meaning);
    return c;
}

QString subtitleCaption(const QString& code)
{
    const QString c = baseCode(code);
    if (c.isEmpty())
        return {};
    const auto& names = Captions::subtitles();
    // Chinese has more marks than five: the written forms (chs, cht, sc, tc) come from file names.
    static const Codes<size_t> captions[] = {
        { { u"zh", u"chi", u"zho", u"cmn", u"yue" }, 0 },
        { { u"chs", u"cht", u"sc", u"tc" }, 0 },
        { { u"en", u"eng" }, 1 },
        { { u"de", u"deu", u"ger" }, 2 },
        { { u"fr", u"fra", u"fre" }, 3 },
        { { u"ko", u"kor" }, 4 },
        { { u"ja", u"jpn" }, 5 },
        { { u"ru", u"rus" }, 6 },
    };
    for (const auto& entry : captions)
        if (entry.has(c))
            return names[entry.meaning];
    return names[names.size() - 1];
}

QList<std::pair<MovieField, QVariant>> fromFacts(const QList<std::optional<MediaFacts>>& parts)
{
    double seconds = 0;
    QString definition;
    QStringList audio;
    std::array<bool, std::tuple_size_v<Captions::Subtitles>> subtitles {};
    bool anySubtitle = false;
    for (const auto& part : parts) {
        if (!part)
            continue;
        seconds += part->durationSeconds;
        if (definition.isEmpty())
            definition = definitionOf(part->width, part->height);
        for (const AudioTrack& a : part->audio) {
            const QString caption = audioCaption(a.language);
            if (!caption.isEmpty() && !audio.contains(caption))
                audio << caption;
        }
        for (const SubtitleTrack& s : part->subtitles) {
            const QString caption = subtitleCaption(s.language);
            const auto& names = Captions::subtitles();
            for (size_t i = 0; i < names.size(); ++i) {
                if (names[i] == caption) {
                    subtitles[i] = true;
                    anySubtitle = true;
                }
            }
        }
    }
    QList<std::pair<MovieField, QVariant>> out;
    const double minutes = std::round(seconds / 60);
    if (minutes > 0)
        out.append({ MovieField::Lastfor, minutes });
    if (!definition.isEmpty())
        out.append({ MovieField::Definition, TextRules::storedText(definition) });
    if (!audio.isEmpty())
        out.append({ MovieField::Audio, TextRules::storedText(audio.join(u'/')) });
    if (anySubtitle)
        out.append({ MovieField::SubTitile, MovieForms::checkedList(subtitles, Captions::subtitles()) });
    return out;
}

QList<MovieField> fillEmpty(MovieRecord& movie, const QList<std::optional<MediaFacts>>& parts)
{
    QList<MovieField> filled;
    for (const auto& [field, value] : fromFacts(parts)) {
        if (!movie[field].isNull())
            continue;
        movie[field] = value;
        filled << field;
    }
    return filled;
}

} // namespace MediaFields
