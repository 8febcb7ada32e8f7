// Times the duplicates and risk report on a large catalogue: the report itself, and the report
// window opened, filled and painted; against the sqlite3 shell grouping the titles of the same
// file in the same run.
//
//   reelshelf-reportbench --home DIR [--runs N]

#include "app/appcontext.h"
#include "app/prompt.h"
#include "benchsupport.h"
#include "report/collectionreport.h"
#include "report/reportdialog.h"
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
using Bench::msSince;
using Bench::sqliteShell;

QString ms(double value)
{
    return QString::number(value, 'f', 1);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    Bench::addHomeAndRuns(parser);
    parser.process(app);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString sqlite = Bench::sqliteProgram(err);
    if (sqlite.isEmpty())
        return 1;
    const DataFolder folder(parser.value(QStringLiteral("home")));
    const Catalogue catalogue(folder.catalogueFile());
    const int runs = Bench::runsOf(parser);
    const QString groupBy = QStringLiteral("SELECT lower(trim(MovieName)) AS t, count(*) FROM ReelShelfIndex "
                                           "GROUP BY lower(trim(MovieName)) HAVING count(*) > 1");
    MessageBoxPrompt prompt;
    SystemDesktop desktop;
    AppContext context(folder, prompt, desktop);

    std::vector<double> walk;
    std::vector<double> report;
    std::vector<double> window;
    std::vector<double> shell;
    std::optional<CollectionReport::Report> last;
    for (int i = 0; i < runs; ++i) {
        last.reset(); // the previous run's report is freed outside the timing
        QElapsedTimer timer;
        timer.start();
        QString error;
        // The walk alone, for where the time goes.
        qsizetype seen = 0;
        catalogue.forEachStoredMovieFields(
            { MovieField::ID, MovieField::MovieName, MovieField::EngName, MovieField::DiskNum },
            [&](const StoredMovie&) { return ++seen > 0; });
        walk.push_back(msSince(timer));
        timer.restart();
        last = CollectionReport::build(catalogue, &error);
        if (!last) {
            err << error << Qt::endl;
            return 1;
        }
        report.push_back(msSince(timer));

        timer.restart();
        {
            ReportDialog dialog(context, [](const CollectionReport::Movie&) { return false; });
            if (!dialog.load())
                return 1;
            dialog.show();
            dialog.grab(); // painted, as the user first sees it
            window.push_back(msSince(timer));
        }
        QCoreApplication::processEvents();

        const auto reference = sqliteShell(sqlite, folder.catalogueFile(), groupBy);
        if (!reference) {
            err << "sqlite3 读取 " << folder.catalogueFile() << " 失败。" << Qt::endl;
            return 1;
        }
        shell.push_back(*reference);
    }
    const double a = median(report);
    const double w = median(window);
    const double b = median(shell);
    out << last->movieCount << " movies: " << last->duplicates.size() << " duplicate groups ("
        << last->duplicateMovieCount() << " movies, "
        << std::count_if(last->duplicates.begin(), last->duplicates.end(),
               [](const CollectionReport::DuplicateGroup& g) { return g.sameDisc; })
        << " on one disc), " << last->riskMovieCount() << " movies at risk on " << last->risks.size()
        << " discs" << Qt::endl;
    out << "report, median of " << runs << ": " << ms(a) << " ms (the walk over the movie table alone "
        << ms(median(walk)) << " ms)" << Qt::endl;
    out << "window opened, filled and painted, median: " << ms(w) << " ms"
        << (w <= 1000 ? " (target 1 s met)" : " (target 1 s missed)") << Qt::endl;
    out << "sqlite3 GROUP BY lower(trim(MovieName)), median: " << ms(b) << " ms; ratio report/shell "
        << QString::number(a / b, 'f', 2) << ", window/shell " << QString::number(w / b, 'f', 2) << Qt::endl;
    return 0;
}
