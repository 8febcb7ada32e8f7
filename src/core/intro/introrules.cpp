#include "introrules.h"

#include "store/textrules.h"

namespace Intro {

namespace {

constexpr LineMarker lineTable[] = {
    { u"◎译　　名", MovieField::MovieName },
    { u"◆译　　名", MovieField::MovieName },
    { u"◎片　　名", MovieField::EngName },
    { u"◆原　　名", MovieField::EngName },
    { u"◎年　　代", MovieField::Year },
    { u"◆上　　映", MovieField::Year },
    { u"◎国　　家", MovieField::Nation },
    { u"◆国　　家", MovieField::Nation },
    { u"◎类　　别", MovieField::Type },
    { u"◆类　　型", MovieField::Type },
    { u"◎语　　言", MovieField::Audio },
    { u"◆语　　言", MovieField::Audio },
    { u"◎字　　幕", MovieField::SubTitile },
    { u"◆字　　幕", MovieField::SubTitile },
    { u"◎IMDB评分", MovieField::Score },
    { u"◆评　　分", MovieField::Score },
    { u"◎文件大小", MovieField::FileNum },
    { u"◆文　　件", MovieField::FileNum },
    { u"◎片　　长", MovieField::Lastfor },
    { u"◆片　　长", MovieField::Lastfor },
    { u"◎导　　演", MovieField::Direct },
    { u"◆导　　演", MovieField::Direct },
    { u"◎文件格式", MovieField::Filetype },
    { u"◆压缩格式", MovieField::Filetype },
};

using Extent = BlockMarker::Extent;
constexpr BlockMarker blockTable[] = {
    { u"◎主　　演", MovieField::Role, Extent::UpToNextMark },
    { u"◆演　　员", MovieField::Role, Extent::UpToNextMark },
    { u"◎制作公司", MovieField::Company, Extent::UpToNextMark },
    { u"◎简　　介", MovieField::PS, Extent::ToEnd },
    { u"◆内容简介", MovieField::PS, Extent::ToEnd },
    { u"◆简　　介", MovieField::PS, Extent::ToEnd },
};

constexpr FieldRule editorFields[] = {
    { MovieField::MovieName, Conversion::Text },
    { MovieField::EngName, Conversion::Text },
    { MovieField::Year, Conversion::Text },
    { MovieField::Nation, Conversion::Text },
    { MovieField::Type, Conversion::Genres },
    { MovieField::Audio, Conversion::Text },
    { MovieField::SubTitile, Conversion::Subtitles },
    { MovieField::Score, Conversion::RoundedNumber },
    { MovieField::FileNum, Conversion::Number },
    { MovieField::Lastfor, Conversion::Number },
    { MovieField::Direct, Conversion::Text },
    { MovieField::Filetype, Conversion::Text },
};

constexpr FieldRule wizardFields[] = {
    { MovieField::EngName, Conversion::Text },
    { MovieField::Year, Conversion::Text },
    { MovieField::Nation, Conversion::Text },
    { MovieField::Type, Conversion::Text },
    { MovieField::Audio, Conversion::Text },
    { MovieField::SubTitile, Conversion::Text },
    { MovieField::Score, Conversion::Number },
    { MovieField::Lastfor, Conversion::Number },
    { MovieField::Direct, Conversion::Text },
};

} // namespace

std::span<const LineMarker> lineMarkers()
{
    return lineTable;
}

std::span<const BlockMarker> blockMarkers()
{
    return blockTable;
}

std::optional<Conversion> RuleSet::conversionFor(MovieField field) const
{
    for (const FieldRule& rule : fields)
        if (rule.field == field)
            return rule.conversion;
    return std::nullopt;
}

Mode RuleSet::modeFor(const QString& magicSelect4V) const
{
    const double value = TextRules::numericValue(magicSelect4V);
    if (value == 1)
        return Mode::Parse;
    return value == 0 ? whenZero : otherwise;
}

const RuleSet& editorRules()
{
    static const RuleSet rules { editorFields, Mode::WholeText, Mode::WholeText };
    return rules;
}

const RuleSet& wizardRules()
{
    static const RuleSet rules { wizardFields, Mode::WholeText, Mode::Nothing };
    return rules;
}

} // namespace Intro
