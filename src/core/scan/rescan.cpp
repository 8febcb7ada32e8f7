#include "rescan.h"

#include "browse/disctree.h"
#include "browse/movielisting.h"
#include "commitmedia.h"
#include "media/mediafields.h"
#include "media/mediumidentity.h"
#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/textrules.h"
#include "wizardcommit.h"

#include <QFile>

namespace Rescan {

namespace {

// The title the wizard stores for a file: its cleaned name without the extension.
QString wizardTitle(const CandidateRow& row)
{
    const QString name = TextRules::trimBlanks(row.fileName);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : TextRules::removeSeparators(name, { u'.' + name.mid(dot + 1) });
}

QString fieldCaption(MovieField field)
{
    switch (field) {
    case MovieField::Lastfor:
        return QStringLiteral("时长");
    case MovieField::Definition:
        return QStringLiteral("清晰度");
    case MovieField::Audio:
        return QStringLiteral("配音");
    case MovieField::SubTitile:
        return QStringLiteral("字幕");
    default:
        return movieFieldName(field);
    }
}

} // namespace

Report run(const DataFolder& folder, const QString& discNumber, const QString& root, const Options& options)
{
    Report report;
    const Catalogue catalogue(folder.catalogueFile());
    const QString number = TextRules::trimBlanks(discNumber);
    const DiscOutcome disc = catalogue.findDisc(number);
    if (!disc.ok()) {
        report.error = disc.error;
        return report;
    }
    const auto listing = MovieList::listForNode(
        catalogue, DiscTree::discPrefix + number, 0, 0, &report.error, MovieList::Intros::LeftOut);
    if (!listing)
        return report;
    const auto request = ScanRequest::load(folder, root, &report.error);
    if (!request)
        return report;
    const DriveSearch search = searchDrive(*request);
    if (search.rootFailed()) {
        report.error = search.problem;
        return report;
    }

    // Each movie takes the first file named as the wizard would have named it; letter case aside.
    QList<qsizetype> movieOfRow(search.rows.size(), -1);
    QList<bool> taken(listing->rows.size(), false);
    for (qsizetype r = 0; r < search.rows.size(); ++r) {
        const QString title = wizardTitle(search.rows.at(r));
        for (qsizetype m = 0; m < listing->rows.size(); ++m) {
            if (!taken.at(m)
                && TextRules::trimBlanks(listing->rows.at(m)[ListCol::MovieName])
                        .compare(title, Qt::CaseInsensitive)
                    == 0) {
                taken[m] = true;
                movieOfRow[r] = m;
                break;
            }
        }
    }
    QList<WizardCommit::PreparedRow> rows;
    QList<qsizetype> movies;
    for (qsizetype r = 0; r < search.rows.size(); ++r) {
        if (movieOfRow.at(r) < 0) {
            for (const PartFile& p : search.rows.at(r).parts)
                report.unmatchedFiles << (p.folder.endsWith(u'/') ? p.folder : p.folder + u'/') + p.name;
            continue;
        }
        rows << WizardCommit::preparedRow(search.rows.at(r));
        movies << movieOfRow.at(r);
    }
    for (qsizetype m = 0; m < listing->rows.size(); ++m)
        if (!taken.at(m))
            report.moviesWithoutFile << TextRules::trimBlanks(listing->rows.at(m)[ListCol::MovieName]);

    const CommitMedia::Gathered media
        = CommitMedia::gather(rows, root, options.readFacts, options.probeProgram, options.progress);
    if (media.stopped) {
        report.error = QStringLiteral("已停止重新读取光盘 %1，目录没有任何改动。").arg(number);
        return report;
    }
    report.warnings = media.warnings;
    QList<MediaTables::RescannedMovie> stored;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const MovieRow& movie = listing->rows.at(movies.at(i));
        MediaTables::RescannedMovie r;
        r.id = TextRules::numericValue(movie[ListCol::ID]);
        r.files = media.files.at(i);
        if (options.readFacts)
            r.fills = MediaFields::fromFacts(CommitMedia::factsOf(r.files));
        stored << r;
        Match match;
        match.movieId = r.id;
        match.title = TextRules::trimBlanks(movie[ListCol::MovieName]);
        for (const MovieFileRecord& f : std::as_const(r.files))
            match.paths << TextRules::decodeFileName(f.path);
        report.matched << match;
    }
    QList<QList<MovieField>> filled;
    const DiscMediumRecord medium = MediumIdentity::describe(QFile::encodeName(root));
    if (!MediaTables::storeRescan(catalogue.filePath(), number, medium, stored, &filled, &report.error))
        return report;
    for (qsizetype i = 0; i < report.matched.size() && i < filled.size(); ++i)
        for (MovieField f : filled.at(i))
            report.matched[i].filled << fieldCaption(f);
    report.stored = true;
    return report;
}

QStringList reportLines(const Report& report)
{
    QStringList lines;
    if (!report.stored) {
        lines << report.error;
        return lines;
    }
    lines << QStringLiteral("找到 %1 部影片的文件；%2 个文件没有对应的影片；%3 部影片没有找到文件。")
                 .arg(report.matched.size())
                 .arg(report.unmatchedFiles.size())
                 .arg(report.moviesWithoutFile.size());
    for (const Match& m : report.matched)
        lines << QStringLiteral("【%1】%2%3")
                     .arg(m.title, m.paths.join(QStringLiteral("、")),
                         m.filled.isEmpty()
                             ? QString()
                             : QStringLiteral("（填写了：%1）").arg(m.filled.join(QStringLiteral("、"))));
    for (const QString& f : report.unmatchedFiles)
        lines << QStringLiteral("没有对应的影片：%1").arg(f);
    for (const QString& t : report.moviesWithoutFile)
        lines << QStringLiteral("没有找到文件：【%1】").arg(t);
    lines << report.warnings;
    return lines;
}

} // namespace Rescan
