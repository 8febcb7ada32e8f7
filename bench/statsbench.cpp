// Times the statistics window: 工具 → "收藏统计..." on a loaded main window until every chart has
// painted, and a click on the largest genre bar until the main list has painted its movies,
// against the sqlite3 shell counting the same breakdowns with GROUP BY, in the same run.
//
//   reelshelf-statsbench --home DIR [--runs N] [--picture FILE.png]

#include "app/appcontext.h"
#include "app/mainwindow.h"
#include "app/prompt.h"
#include "benchsupport.h"
#include "browse/movielistview.h"
#include "stats/statschartview.h"
#include "stats/statswindow.h"
#include "store/catalogue.h"
#include "store/datafolder.h"
#include "windowbench.h"

#include <QAction>
#include <QApplication>
#include <QBarSet>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace {

using Bench::median;
using Bench::NoDesktop;
using Bench::PaintCounter;
using Bench::sqliteShell;

class AnsweringPrompt final : public Prompt
{
public:
    Answer ask(QWidget*, Icon, const QString& text, Buttons) override
    {
        asked.append(text);
        return Answer::Ok;
    }
    QStringList asked;
};

bool processUntil(const std::function<bool()>& done)
{
    QApplication::processEvents();
    for (int round = 0; round < 40 && !done(); ++round)
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    return done();
}

// The same breakdowns as far as SQL can say them; the genre split is left to GROUP BY Type.
const char* const baselineSql = "SELECT count(*), sum(Seen = 'yes'), sum(Seen = 'no'), "
                                "sum(CAST(MovieSize AS REAL)), sum(Lastfor) FROM ReelShelfIndex; "
                                "SELECT CAST(Year AS INTEGER) / 10, count(*) FROM ReelShelfIndex GROUP BY 1; "
                                "SELECT lower(trim(Filetype)), count(*) FROM ReelShelfIndex GROUP BY 1; "
                                "SELECT lower(trim(Definition)), count(*) FROM ReelShelfIndex GROUP BY 1; "
                                "SELECT lower(trim(Nation)), count(*) FROM ReelShelfIndex GROUP BY 1; "
                                "SELECT Type, count(*) FROM ReelShelfIndex GROUP BY 1; "
                                "SELECT trim(DiskType), count(*) FROM DiskState GROUP BY 1; "
                                "SELECT trim(Station), count(*) FROM DiskState GROUP BY 1;";

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    Bench::addHomeAndRuns(parser);
    parser.addOption({ QStringLiteral("picture"), QStringLiteral("saves the first opened window as PNG"),
        QStringLiteral("FILE") });
    parser.process(app);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString sqlite = Bench::sqliteProgram(err);
    if (sqlite.isEmpty())
        return 1;
    const DataFolder folder(parser.value(QStringLiteral("home")));
    const int runs = Bench::runsOf(parser);
    AnsweringPrompt prompt;
    NoDesktop desktop;
    AppContext context(folder, prompt, desktop);
    MainWindow window(context);
    QString error;
    if (!window.load(&error)) {
        err << error << Qt::endl;
        return 1;
    }
    window.show();
    processUntil([] { return false; });

    std::vector<double> opened, computed, listed, shell;
    qint64 movies = 0;
    qint64 listedRows = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const auto figures = CollectionStatistics::compute(Catalogue(folder.catalogueFile()), &error);
        if (!figures) {
            err << error << Qt::endl;
            return 1;
        }
        computed.push_back(double(timer.nsecsElapsed()) / 1e6);
        movies = figures->movies;

        timer.restart();
        window.action(QStringLiteral("MN_stats"))->trigger();
        StatsWindow* stats = window.findChild<StatsWindow*>(QStringLiteral("FormStats"));
        if (!stats || !stats->isVisible()) {
            err << "统计窗口没有打开：" << prompt.asked.join(u' ') << Qt::endl;
            return 1;
        }
        std::vector<const PaintCounter*> paints;
        for (int c = 0; c < StatsChartCount; ++c)
            paints.push_back(new PaintCounter(stats->chartView(StatsChart(c))->viewport()));
        if (!processUntil([&] {
                return std::all_of(
                    paints.begin(), paints.end(), [](const PaintCounter* p) { return p->count() > 0; });
            }))
            err << "warning: not every chart painted" << Qt::endl;
        opened.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (i == 0 && parser.isSet(QStringLiteral("picture")))
            stats->grab().save(parser.value(QStringLiteral("picture")), "PNG");

        // The largest genre bar, clicked, until the list has painted its movies.
        int largest = 0;
        for (int item = 1; item < stats->itemCount(StatsChart::Genre); ++item)
            if (stats->chartBucket(StatsChart::Genre, item).count
                > stats->chartBucket(StatsChart::Genre, largest).count)
                largest = item;
        listedRows = stats->chartBucket(StatsChart::Genre, largest).count;
        const PaintCounter* listPaints = new PaintCounter(window.movieList()->viewport());
        timer.restart();
        emit stats->barSet(StatsChart::Genre)->clicked(stats->barOf(StatsChart::Genre, largest));
        processUntil([&] { return listPaints->count() > 0; });
        listed.push_back(double(timer.nsecsElapsed()) / 1e6);
        delete listPaints;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        const auto reference = sqliteShell(sqlite, folder.catalogueFile(), QString::fromLatin1(baselineSql));
        if (!reference) {
            err << "sqlite3 读取 " << folder.catalogueFile() << " 失败。" << Qt::endl;
            return 1;
        }
        shell.push_back(*reference);
    }
    const double a = median(opened);
    const double b = median(shell);
    out << movies << " movies, " << runs << " runs, medians:\n"
        << "statistics window open (figures + charts painted): " << QString::number(a, 'f', 1) << " ms"
        << (a < 1000 ? " (target 1 s met)" : " (target 1 s missed)") << '\n'
        << "  of which the figures alone (one pass):          " << QString::number(median(computed), 'f', 1)
        << " ms\n"
        << "sqlite3 shell, the same breakdowns by GROUP BY:   " << QString::number(b, 'f', 1) << " ms; ratio "
        << QString::number(a / b, 'f', 2) << '\n'
        << "click on the largest genre bar (" << listedRows
        << " movies) until the list painted: " << QString::number(median(listed), 'f', 1) << " ms\n";
    return 0;
}
