#include "mediasubtitles.h"

#include "scan/folderlisting.h"

#include <algorithm>

namespace MediaSubtitles {

namespace {

struct Kind
{
    const char16_t* extension;
    const char16_t* format;
};

// The formats as MediaInfo names them inside a movie.
constexpr Kind kinds[] = { { u"srt", u"SubRip" }, { u"ass", u"ASS" }, { u"ssa", u"SSA" },
    { u"sub", u"VobSub" }, { u"idx", u"VobSub" }, { u"sup", u"PGS" } };

const char16_t* formatOf(QStringView extension)
{
    for (const Kind& k : kinds)
        if (extension.compare(QStringView(k.extension), Qt::CaseInsensitive) == 0)
            return k.format;
    return nullptr;
}

bool isLetters(QStringView text)
{
    return std::all_of(text.begin(), text.end(),
        [](QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); });
}

QString baseName(const QString& movieName)
{
    const qsizetype dot = movieName.lastIndexOf(u'.');
    return dot > 0 ? movieName.left(dot) : movieName;
}

} // namespace

QString markLanguage(const QString& mark)
{
    static const std::pair<const char16_t*, const char16_t*> known[]
        = { { u"chs", u"zh" }, { u"cht", u"zh" }, { u"chi", u"zh" }, { u"zh", u"zh" }, { u"sc", u"zh" },
              { u"tc", u"zh" }, { u"eng", u"en" }, { u"en", u"en" }, { u"jpn", u"ja" }, { u"kor", u"ko" } };
    const QString lower = mark.toLower();
    for (const auto& [from, to] : known)
        if (lower == QStringView(from))
            return QString::fromUtf16(to);
    return (lower.size() == 2 || lower.size() == 3) && isLetters(lower) ? lower : QString();
}

QList<SubtitleTrack> beside(const QString& movieName, const QStringList& namesInFolder, const QString& folder)
{
    const QString base = baseName(movieName);
    QStringList names;
    for (const QString& name : namesInFolder)
        if (name.size() > base.size() + 1 && name.startsWith(base) && name.at(base.size()) == u'.'
            && name != movieName)
            names << name;
    std::sort(names.begin(), names.end(), nameOrderLess);
    QList<SubtitleTrack> found;
    for (const QString& name : std::as_const(names)) {
        // What follows the movie's name: "srt" or "chs.srt".
        const QStringList parts = name.mid(base.size() + 1).split(u'.');
        if (parts.size() > 2)
            continue;
        const char16_t* format = formatOf(parts.last());
        if (!format)
            continue;
        QString language;
        if (parts.size() == 2) {
            language = markLanguage(parts.first());
            if (language.isEmpty())
                continue;
        }
        found.append(
            { QString::fromUtf16(format), language, true, folder.isEmpty() ? name : joinPath(folder, name) });
    }
    return found;
}

} // namespace MediaSubtitles
