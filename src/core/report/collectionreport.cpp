#include "collectionreport.h"

#include "media/mediatext.h"

#include "store/catalogue.h"
#include "store/discnumbers.h"
#include "store/safewrite.h"
#include "store/textrules.h"

#include <QHash>
#include <algorithm>
#include <numeric>
#include <vector>

namespace CollectionReport {

namespace {

// A value as the movie list shows it: numbers in shortest form, texts trimmed of blanks.
QString shown(const StoredValue& v)
{
    switch (v.kind) {
    case StoredValue::Number:
        return TextRules::shortestDecimal(v.number);
    case StoredValue::Text:
        return TextRules::trimmedUtf8(v.utf8);
    case StoredValue::Null:
        break;
    }
    return {};
}

// The list keeps a text ID as stored, blanks and all; the row is found again by that text.
QString idText(const StoredValue& v)
{
    if (v.kind == StoredValue::Text)
        return TextRules::decodeUtf8(v.utf8);
    return shown(v);
}

bool isRiskCondition(const QString& condition)
{
    return condition == damagedCondition || condition == lentCondition;
}

// Copies found through either title join one group; the root is the earliest movie.
class Groups
{
public:
    int add()
    {
        parent_.push_back(int(parent_.size()));
        return parent_.back();
    }
    int root(int i)
    {
        while (parent_[size_t(i)] != i) {
            parent_[size_t(i)] = parent_[size_t(parent_[size_t(i)])];
            i = parent_[size_t(i)];
        }
        return i;
    }
    void join(int a, int b)
    {
        a = root(a);
        b = root(b);
        if (a != b)
            parent_[size_t(std::max(a, b))] = std::min(a, b);
    }
    // Joins `movie` to the first movie seen with the same non-empty key.
    void joinByKey(QHash<QString, int>& firstWithKey, const QString& text, int movie)
    {
        if (text.isEmpty())
            return;
        const QString key = text.toCaseFolded();
        const auto found = firstWithKey.constFind(key);
        if (found == firstWithKey.constEnd())
            firstWithKey.insert(key, movie);
        else
            join(*found, movie);
    }

private:
    std::vector<int> parent_;
};

struct DiscInfo
{
    QString number;
    QString name;
    QString condition;
    QString note;
    bool atRisk = false; // damaged or lent
    bool checkPassed = false;
    std::optional<MediaTables::DiscCheckRecord> failedCheck;
};

// The disc as the risk list shows it: a damaged or lent disc keeps its condition, a failed check
// joins its note.
RiskDisc riskDisc(const DiscInfo& info, QList<Movie> movies)
{
    RiskDisc d { info.number, info.name, info.atRisk ? info.condition : checkFailedCondition, info.note,
        info.failedCheck, std::move(movies) };
    if (info.failedCheck)
        d.note += (d.note.isEmpty() ? QString() : QStringLiteral("；"))
            + MediaText::lastCheck(*info.failedCheck);
    return d;
}

QString heading(const QString& title, const QString& summary)
{
    return title + u'\n' + summary + QStringLiteral("\n\n");
}

QString movieLine(const Movie& m, bool withDisc)
{
    QString line = QStringLiteral("    ");
    if (withDisc)
        line += discText(m) + QStringLiteral("    ");
    line += QStringLiteral("编号 ") + TextRules::trimBlanks(m.id) + QStringLiteral("    ") + m.title;
    if (!m.englishTitle.isEmpty())
        line += QStringLiteral(" / ") + m.englishTitle;
    return line + u'\n';
}

} // namespace

qsizetype Report::duplicateMovieCount() const
{
    return std::accumulate(duplicates.begin(), duplicates.end(), qsizetype(0),
        [](qsizetype n, const DuplicateGroup& g) { return n + g.movies.size(); });
}

qsizetype Report::riskMovieCount() const
{
    return std::accumulate(risks.begin(), risks.end(), qsizetype(0),
        [](qsizetype n, const RiskDisc& d) { return n + d.movies.size(); });
}

bool Report::anyFailedCheck() const
{
    return std::any_of(
        risks.begin(), risks.end(), [](const RiskDisc& d) { return d.failedCheck.has_value(); });
}

QString kindText(const DuplicateGroup& group)
{
    return group.sameDisc ? sameDiscText : severalDiscsText;
}

QString discText(const Movie& movie)
{
    if (movie.disc.isEmpty())
        return QStringLiteral("（未指定光碟）");
    const QString text = QStringLiteral("碟#") + movie.disc;
    return movie.discExists ? text : text + QStringLiteral("（无此光碟记录）");
}

std::optional<Report> build(const Catalogue& catalogue, QString* error)
{
    const auto discs = catalogue.discs(error);
    if (!discs)
        return std::nullopt;
    const auto checks = MediaTables::lastChecks(catalogue.filePath(), error);
    if (!checks)
        return std::nullopt;
    std::vector<DiscInfo> discInfo;
    QHash<QString, int> discByNumber; // the first disc with a number, as disc commands find it
    for (const DiscRecord& d : *discs) {
        DiscInfo info;
        info.number = DiscNumbers::numberOf(d.diskNum);
        info.name = TextRules::displayText(d.name);
        info.condition = TextRules::trimBlanks(d.station.toString());
        info.note = TextRules::displayText(d.ps);
        info.atRisk = isRiskCondition(info.condition);
        if (info.number.isEmpty() || discByNumber.contains(info.number))
            continue;
        if (const auto check = checks->constFind(info.number); check != checks->constEnd()) {
            info.checkPassed = check->passed();
            if (!info.checkPassed)
                info.failedCheck = *check;
        }
        discByNumber.insert(info.number, int(discInfo.size()));
        discInfo.push_back(std::move(info));
    }

    std::vector<Movie> movies;
    std::vector<int> discOf; // index into discInfo, -1 for a disc without a record
    Groups groups;
    QHash<QString, int> byTitle;
    QHash<QString, int> byEnglishTitle;
    const bool ok = catalogue.forEachStoredMovieFields(
        { MovieField::ID, MovieField::MovieName, MovieField::EngName, MovieField::DiskNum },
        [&](const StoredMovie& m) {
            Movie movie;
            movie.id = idText(m[size_t(MovieField::ID)]);
            movie.title = shown(m[size_t(MovieField::MovieName)]);
            movie.englishTitle = shown(m[size_t(MovieField::EngName)]);
            movie.disc = DiscNumbers::movieDiscNumber(m[size_t(MovieField::DiskNum)]);
            const int disc = movie.disc.isEmpty() ? -1 : discByNumber.value(movie.disc, -1);
            movie.discExists = disc >= 0;
            const int index = groups.add();
            groups.joinByKey(byTitle, movie.title, index);
            groups.joinByKey(byEnglishTitle, movie.englishTitle, index);
            movies.push_back(std::move(movie));
            discOf.push_back(disc);
            return true;
        },
        error);
    if (!ok)
        return std::nullopt;

    const int count = int(movies.size());
    std::vector<int> size(size_t(count), 0);
    std::vector<char> safe(size_t(count), 0);
    std::vector<char> onFailed(size_t(count), 0);
    std::vector<char> onPassed(size_t(count), 0);
    std::vector<int> root(movies.size());
    for (int i = 0; i < count; ++i) {
        const int r = root[size_t(i)] = groups.root(i);
        ++size[size_t(r)];
        const int disc = discOf[size_t(i)];
        if (disc < 0 || !discInfo[size_t(disc)].atRisk)
            safe[size_t(r)] = 1;
        if (disc >= 0) {
            onFailed[size_t(r)] |= char(discInfo[size_t(disc)].failedCheck.has_value());
            onPassed[size_t(r)] |= char(discInfo[size_t(disc)].checkPassed);
        }
    }

    Report report;
    report.movieCount = count;
    std::vector<int> groupOf(size_t(count), -1);
    std::vector<QList<Movie>> riskMovies(discInfo.size());
    for (int i = 0; i < count; ++i) {
        const int r = root[size_t(i)];
        const int disc = discOf[size_t(i)];
        const bool atRisk = !safe[size_t(r)] || (onFailed[size_t(r)] && !onPassed[size_t(r)]);
        if (atRisk && disc >= 0 && (discInfo[size_t(disc)].atRisk || discInfo[size_t(disc)].failedCheck))
            riskMovies[size_t(disc)].append(movies[size_t(i)]);
        if (size[size_t(r)] < 2)
            continue;
        if (groupOf[size_t(r)] < 0) {
            groupOf[size_t(r)] = int(report.duplicates.size());
            DuplicateGroup g;
            g.number = int(report.duplicates.size()) + 1;
            // Copies that name no disc are not known to share one.
            g.sameDisc = !movies[size_t(i)].disc.isEmpty();
            report.duplicates.append(std::move(g));
        }
        DuplicateGroup& g = report.duplicates[groupOf[size_t(r)]];
        if (!g.movies.isEmpty() && g.movies.first().disc != movies[size_t(i)].disc)
            g.sameDisc = false;
        g.movies.append(std::move(movies[size_t(i)]));
    }
    for (size_t d = 0; d < discInfo.size(); ++d) {
        if (riskMovies[d].isEmpty())
            continue;
        report.risks.append(riskDisc(discInfo[d], std::move(riskMovies[d])));
    }
    return report;
}

QString duplicatesText(const Report& report)
{
    if (report.duplicates.isEmpty())
        return heading(QStringLiteral("重复影片"), QStringLiteral("没有发现重复的影片。"));
    QString text = heading(QStringLiteral("重复影片"),
        QStringLiteral("共 %1 组，%2 部影片。")
            .arg(report.duplicates.size())
            .arg(report.duplicateMovieCount()));
    for (const DuplicateGroup& g : report.duplicates) {
        text += QStringLiteral("第 %1 组：").arg(g.number) + kindText(g) + u'\n';
        for (const Movie& m : g.movies)
            text += movieLine(m, true);
        text += u'\n';
    }
    return text;
}

QString risksText(const Report& report)
{
    if (report.risks.isEmpty())
        return heading(QStringLiteral("风险影片"), QStringLiteral("没有只存放在破损或外借光碟上的影片。"));
    const QString summary = report.anyFailedCheck()
        ? QStringLiteral("%1 部影片只存放在破损或外借的光碟上，或者在校验未通过的光碟上而没有校验通过的备份，"
                         "分布在 %2 张光碟。")
        : QStringLiteral("%1 部影片只存放在破损或外借的光碟上，分布在 %2 张光碟。");
    QString text
        = heading(QStringLiteral("风险影片"), summary.arg(report.riskMovieCount()).arg(report.risks.size()));
    for (const RiskDisc& d : report.risks) {
        text += QStringLiteral("碟#") + d.disc;
        if (!d.name.isEmpty())
            text += QStringLiteral("[") + d.name + QStringLiteral("]");
        text += QStringLiteral("    ") + d.condition;
        if (!d.note.isEmpty())
            text += QStringLiteral("    附注：") + d.note;
        text += u'\n';
        for (const Movie& m : d.movies)
            text += movieLine(m, false);
        text += u'\n';
    }
    return text;
}

bool writeText(const QString& path, const QString& text, QString* error)
{
    const auto written = SafeWrite::writeFile(path, text.toUtf8());
    if (!written.ok() && error)
        *error = written.message;
    return written.ok();
}

} // namespace CollectionReport
