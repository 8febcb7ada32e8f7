// Times the window's title search (the search and the rows into the list's model) against the
// sqlite3 shell running the LIKE query a hand-made search would use, in the same run. With
// --long, times title patterns of up to 32,767 characters (the most the search box takes)
// against a search for one character instead.
//
//   reelshelf-searchbench --home DIR [--runs N] [--query TEXT]
//   reelshelf-searchbench --home DIR --long [--runs N]

#include "benchsupport.h"
#include "browse/movielistmodel.h"
#include "search/moviesearch.h"
#include "store/catalogue.h"
#include "store/datafolder.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <algorithm>
#include <optional>
#include <vector>

namespace {

using Bench::median;
using Bench::sqliteShell;

// One title search as the window runs it: the search, then the rows into the list's model.
std::optional<std::pair<double, qsizetype>> timedSearch(
    const Catalogue& catalogue, const QString& text, MovieListModel& model, QTextStream& err)
{
    SearchQuery query;
    query.text = text;
    QElapsedTimer timer;
    timer.start();
    QString error;
    auto outcome = MovieSearch::searchMovie(catalogue, query, &error);
    if (!outcome) {
        err << error << Qt::endl;
        return std::nullopt;
    }
    const qsizetype hits = outcome->rows.size();
    model.setRows(std::move(outcome->rows), 2);
    const double ms = Bench::msSince(timer);
    model.clear();
    return std::make_pair(ms, hits);
}

// Each long pattern against the one-character search it is compared with, run after run in
// turn so that a busy moment of the machine falls on both.
int longPatterns(const Catalogue& catalogue, int runs, QTextStream& out, QTextStream& err)
{
    struct Case
    {
        const char* what;
        QString pattern;
        int baseline; // index of the one-character search it is compared with
    };
    const QString chars = QStringLiteral("夜城归来风云雨雪");
    const std::vector<Case> cases = {
        { "one character 夜 (baseline)", QStringLiteral("夜"), 0 },
        { "one blank, every movie (baseline)", QStringLiteral(" "), 1 },
        { "1,000 title characters", chars.repeated(125), 0 },
        { "10,000 title characters", chars.repeated(1250), 0 },
        { "32,767 title characters", chars.repeated(4096).left(32767), 0 },
        { "32,767: *夜*夜*…*夜b", QStringLiteral("*夜").repeated(16383) + u'b', 0 },
        { "32,767: ?*?*…? (least length 16,384)", QStringLiteral("?*").repeated(16383) + u'?', 0 },
        { "32,767: [夜城]… sets", QStringLiteral("[夜城]").repeated(8192).left(32767), 0 },
        { "32,767: one set of 32,765 characters", u'[' + chars.repeated(4096).left(32765) + u']', 0 },
        { "32,767: [!…] one set against 32,764 characters, every movie",
            QStringLiteral("[!") + QString(32764, u'a') + u']', 1 },
        { "32,767: stars around 夜 (least length 1)", QString(16383, u'*') + u'夜' + QString(16383, u'*'),
            0 },
        { "32,767 stars, every movie", QString(32767, u'*'), 1 },
    };
    MovieListModel model;
    std::vector<std::vector<double>> times(cases.size());
    std::vector<qsizetype> hits(cases.size());
    for (int run = 0; run < runs; ++run) {
        for (size_t i = 0; i < cases.size(); ++i) {
            const auto timed = timedSearch(catalogue, cases[i].pattern, model, err);
            if (!timed)
                return 1;
            times[i].push_back(timed->first);
            hits[i] = timed->second;
        }
    }
    out << "title search, median of " << runs << " runs (search and rows into the model):" << Qt::endl;
    bool met = true;
    for (size_t i = 0; i < cases.size(); ++i) {
        const double ms = median(times[i]);
        const double ratio = ms / median(times[size_t(cases[i].baseline)]);
        const bool baseline = size_t(cases[i].baseline) == i;
        met = met && (baseline || ratio <= 3);
        out << "  " << cases[i].what << ": " << hits[i] << " hits, " << QString::number(ms, 'f', 1) << " ms";
        if (!baseline)
            out << ", " << QString::number(ratio, 'f', 2) << "x its baseline";
        out << Qt::endl;
    }
    out << (met ? "every pattern within 3x its baseline (target met)" : "target 3x missed") << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    Bench::addHomeAndRuns(parser);
    parser.addOption({ QStringLiteral("query"), QStringLiteral("title text"), QStringLiteral("TEXT"),
        QStringLiteral("英雄") });
    parser.addOption({ QStringLiteral("long"), QStringLiteral("patterns up to 32,767 characters") });
    parser.process(app);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (parser.isSet(QStringLiteral("long"))) {
        const DataFolder folder(parser.value(QStringLiteral("home")));
        return longPatterns(Catalogue(folder.catalogueFile()), Bench::runsOf(parser), out, err);
    }
    const QString sqlite = Bench::sqliteProgram(err);
    if (sqlite.isEmpty())
        return 1;
    const DataFolder folder(parser.value(QStringLiteral("home")));
    const Catalogue catalogue(folder.catalogueFile());
    const QString text = parser.value(QStringLiteral("query"));
    const int runs = Bench::runsOf(parser);
    const QString like = QStringLiteral("SELECT * FROM ReelShelfIndex WHERE lower(MovieName) LIKE '%")
        + text.toLower() + QStringLiteral("%'");

    std::vector<double> ours;
    std::vector<double> shell;
    qsizetype hits = 0;
    MovieListModel model;
    for (int i = 0; i < runs; ++i) {
        const auto timed = timedSearch(catalogue, text, model, err);
        if (!timed)
            return 1;
        ours.push_back(timed->first);
        hits = timed->second;
        const auto reference = sqliteShell(sqlite, folder.catalogueFile(), like);
        if (!reference) {
            err << "sqlite3 读取 " << folder.catalogueFile() << " 失败。" << Qt::endl;
            return 1;
        }
        shell.push_back(*reference);
    }
    const double a = median(ours);
    const double b = median(shell);
    out << "title search \"" << text << "\": " << hits << " hits, median " << QString::number(a, 'f', 1)
        << " ms; sqlite3 LIKE median " << QString::number(b, 'f', 1) << " ms; ratio "
        << QString::number(a / b, 'f', 2) << (a <= 2 * b ? " (target 2x met)" : " (target 2x missed)")
        << Qt::endl;
    return 0;
}
