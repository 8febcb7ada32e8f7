#include "captions.h"

#include "store/textrules.h"

namespace Captions {

namespace {

Genres genresWithBox7(const QString& box7)
{
    return { QStringLiteral("喜剧"), QStringLiteral("动作"), QStringLiteral("战争"), QStringLiteral("恐怖"),
        QStringLiteral("惊秫"), QStringLiteral("历史"), QStringLiteral("科幻"), box7, QStringLiteral("科教"),
        QStringLiteral("动画"), QStringLiteral("剧情"), QStringLiteral("爱情"), QStringLiteral("戏剧"),
        QStringLiteral("记录"), QStringLiteral("体育"), QStringLiteral("传记"), QStringLiteral("成人"),
        QStringLiteral("西部") };
}

} // namespace

const Genres& paneGenres()
{
    static const Genres captions = genresWithBox7(QStringLiteral("魔幻"));
    return captions;
}

const Genres& editorGenres()
{
    static const Genres captions = genresWithBox7(QStringLiteral("幻想"));
    return captions;
}

const Subtitles& subtitles()
{
    static const Subtitles captions = { QStringLiteral("中文"), QStringLiteral("英文"),
        QStringLiteral("德语"), QStringLiteral("法语"), QStringLiteral("朝语"), QStringLiteral("日语"),
        QStringLiteral("俄语"), QStringLiteral("其它") };
    return captions;
}

template <size_t N>
std::array<bool, N> matchCaptions(const QString& text, const std::array<QString, N>& captions)
{
    std::array<bool, N> checked {};
    const QString list = TextRules::removeSeparators(text, { QStringLiteral("/") });
    for (qsizetype p = 0; p + 1 < list.size(); ++p) {
        const QStringView pair = QStringView(list).sliced(p, 2);
        for (size_t i = 0; i < N; ++i)
            if (pair.front() == captions[i].front() && pair == captions[i])
                checked[i] = true;
    }
    return checked;
}

template GenreMarks matchCaptions(const QString&, const Genres&);
template SubtitleMarks matchCaptions(const QString&, const Subtitles&);

} // namespace Captions
