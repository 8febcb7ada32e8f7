#include "moviedetails.h"

#include "store/datafolder.h"
#include "store/textrules.h"

#include <QFileInfo>
#include <cmath>

namespace Details {

const std::array<QString, 18>& genreCaptions()
{
    static const std::array<QString, 18> captions = { QStringLiteral("喜剧"), QStringLiteral("动作"),
        QStringLiteral("战争"), QStringLiteral("恐怖"), QStringLiteral("惊秫"), QStringLiteral("历史"),
        QStringLiteral("科幻"), QStringLiteral("魔幻"), QStringLiteral("科教"), QStringLiteral("动画"),
        QStringLiteral("剧情"), QStringLiteral("爱情"), QStringLiteral("戏剧"), QStringLiteral("记录"),
        QStringLiteral("体育"), QStringLiteral("传记"), QStringLiteral("成人"), QStringLiteral("西部") };
    return captions;
}

const std::array<QString, 8>& subtitleCaptions()
{
    static const std::array<QString, 8> captions = { QStringLiteral("中文"), QStringLiteral("英文"),
        QStringLiteral("德语"), QStringLiteral("法语"), QStringLiteral("朝语"), QStringLiteral("日语"),
        QStringLiteral("俄语"), QStringLiteral("其它") };
    return captions;
}

QString summaryText(const MovieRow& row)
{
    static const std::pair<const char16_t*, int> lines[] = { { u"【片    名】", ListCol::MovieName },
        { u"【译    名】", ListCol::EngName }, { u"【年    代】", ListCol::Year },
        { u"【出品公司】", ListCol::Company }, { u"【国    家】", ListCol::Nation },
        { u"【类    别】", ListCol::Type }, { u"【语    言】", ListCol::Audio },
        { u"【字    幕】", ListCol::SubTitile }, { u"【文件格式】", ListCol::FileType },
        { u"【清 晰 度】", ListCol::Definition }, { u"【规    格】", ListCol::MovieSize },
        { u"【片    长】", ListCol::Lastfor }, { u"【导    演】", ListCol::Direct },
        { u"【主    演】", ListCol::Role }, { u"【影片简介】", ListCol::PS } };
    QStringList out;
    for (const auto& [heading, column] : lines)
        out << QString::fromUtf16(heading) + TextRules::trimBlanks(row[size_t(column)]);
    return out.join(QStringLiteral("\r\n"));
}

template <size_t N>
std::array<bool, N> matchCaptions(const QString& list, const std::array<QString, N>& captions)
{
    std::array<bool, N> checked {};
    const QString text = TextRules::removeSeparators(list, { QStringLiteral("/") });
    for (qsizetype p = 0; p + 1 < text.size(); ++p) {
        const QStringView pair = QStringView(text).mid(p, 2);
        for (size_t i = 0; i < N; ++i)
            if (pair == captions[i])
                checked[i] = true;
    }
    return checked;
}

template std::array<bool, 18> matchCaptions(const QString&, const std::array<QString, 18>&);
template std::array<bool, 8> matchCaptions(const QString&, const std::array<QString, 8>&);

int litStars(const QString& scoreText)
{
    // A fractional score lights the stars of its whole part.
    const double s = std::floor(TextRules::numericValue(scoreText));
    return int(std::clamp(s, 0.0, 10.0));
}

namespace {

// A record's text used as a file name must not climb out of its folder.
bool isPlainFileName(const QString& name)
{
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\') && name != QStringLiteral(".")
        && name != QStringLiteral("..") && !name.contains(QChar(0));
}

} // namespace

MovieDetails forRow(const MovieRow& row, const DataFolder& folder)
{
    MovieDetails d;
    for (int i = 0; i < TextBoxCount; ++i)
        d.boxes[size_t(i)] = TextRules::trimBlanks(row[size_t(boxColumn[size_t(i)])]);
    d.summary = summaryText(row);
    const QString seen = TextRules::trimBlanks(row[ListCol::Seen]);
    if (seen == QStringLiteral("yes"))
        d.seen = MovieDetails::Seen::Yes;
    else if (seen == QStringLiteral("no"))
        d.seen = MovieDetails::Seen::No;

    const QString company = d.boxes[13];
    if (isPlainFileName(company) && QFileInfo(folder.logoFor(company)).isFile())
        d.logoPath = folder.logoFor(company);
    d.genres = matchCaptions(TextRules::trimBlanks(row[ListCol::Type]), genreCaptions());
    d.subtitles = matchCaptions(TextRules::trimBlanks(row[ListCol::SubTitile]), subtitleCaptions());
    const QString id = TextRules::trimBlanks(row[ListCol::ID]);
    if (isPlainFileName(id) && QFileInfo(folder.posterFor(id)).isFile())
        d.posterPath = folder.posterFor(id);
    else
        d.posterPath = folder.defaultPoster();
    d.litStars = litStars(row[ListCol::Score]);
    return d;
}

} // namespace Details
