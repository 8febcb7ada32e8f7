// Times the window's title search (the search and the rows into the list's model) against the
// sqlite3 shell running the LIKE query a hand-made search would use, in the same run.
//
//   reelshelf-searchbench --home DIR [--runs N] [--query TEXT]

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

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({ QStringLiteral("home"), QStringLiteral("data folder"), QStringLiteral("DIR") });
    parser.addOption(
        { QStringLiteral("runs"), QStringLiteral("repetitions"), QStringLiteral("N"), QStringLiteral("5") });
    parser.addOption({ QStringLiteral("query"), QStringLiteral("title text"), QStringLiteral("TEXT"),
        QStringLiteral("英雄") });
    parser.process(app);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString sqlite = Bench::sqliteProgram(err);
    if (sqlite.isEmpty())
        return 1;
    const DataFolder folder(parser.value(QStringLiteral("home")));
    const Catalogue catalogue(folder.catalogueFile());
    const QString text = parser.value(QStringLiteral("query"));
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    SearchQuery query;
    query.text = text;
    const QString like = QStringLiteral("SELECT * FROM ReelShelfIndex WHERE lower(MovieName) LIKE '%")
        + text.toLower() + QStringLiteral("%'");

    std::vector<double> ours;
    std::vector<double> shell;
    qsizetype hits = 0;
    MovieListModel model;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        QString error;
        auto outcome = MovieSearch::searchMovie(catalogue, query, &error);
        if (!outcome) {
            err << error << Qt::endl;
            return 1;
        }
        hits = outcome->rows.size();
        model.setRows(std::move(outcome->rows), 2);
        ours.push_back(double(timer.nsecsElapsed()) / 1e6);
        model.clear();
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
