#include "moviedetails.h"

#include "store/datafolder.h"
#include "store/textrules.h"

#include <QFileInfo>
#include <cmath>

namespace Details {

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

int litStars(const QString& scoreText)
{
    // A fractional score lights the stars of its whole part.
    const double s = std::floor(TextRules::numericValue(scoreText));
    return int(std::clamp(s, 0.0, 10.0));
}

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
    if (DataFolder::isPlainFileName(company) && QFileInfo(folder.logoFor(company)).isFile())
        d.logoPath = folder.logoFor(company);
    d.genres = Captions::matchCaptions(TextRules::trimBlanks(row[ListCol::Type]), Captions::paneGenres());
    d.subtitles
        = Captions::matchCaptions(TextRules::trimBlanks(row[ListCol::SubTitile]), Captions::subtitles());
    const QString id = TextRules::trimBlanks(row[ListCol::ID]);
    if (DataFolder::isPlainFileName(id) && QFileInfo(folder.posterFor(id)).isFile())
        d.posterPath = folder.posterFor(id);
    else
        d.posterPath = folder.defaultPoster();
    d.litStars = litStars(row[ListCol::Score]);
    return d;
}

} // namespace Details
