// Times the 分类 tab: the first opening on the whole catalogue (every movie read without its
// introduction, grouped by genre, the groups painted), a switch of the field for each of the
// eleven fields, and a click on the largest group until the movie list has painted it. The
// baseline, the sqlite3 shell grouping the same field, is timed by run-bench.sh in the same run.
//
//   reelshelf-groupbench --home DIR [--runs N]

#include "app/appcontext.h"
#include "app/mainwindow.h"
#include "app/prompt.h"
#include "benchsupport.h"
#include "browse/categorypane.h"
#include "browse/movielistview.h"
#include "windowbench.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTextStream>
#include <QTreeWidget>
#include <vector>

namespace {

using Bench::median;
using Bench::msSince;
using Bench::NoDesktop;
using Bench::PaintCounter;
using Bench::processUntilPainted;
using Bench::quietOffscreenWarnings;

} // namespace

int main(int argc, char* argv[])
{
    qInstallMessageHandler(quietOffscreenWarnings);
    QApplication app(argc, argv);
    QCommandLineParser parser;
    Bench::addHomeAndRuns(parser);
    parser.process(app);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int runs = Bench::runsOf(parser);

    std::vector<double> openMs;
    std::vector<double> switchMs;
    std::vector<double> clickMs;
    int groups = 0;
    int listed = 0;
    for (int run = 0; run < runs; ++run) {
        Bench::YesPrompt prompt;
        NoDesktop desktop;
        AppContext context(DataFolder(parser.value(QStringLiteral("home"))), prompt, desktop);
        MainWindow window(context);
        window.resize(1280, 900);
        window.show();
        QString error;
        if (!window.load(&error)) {
            err << error << Qt::endl;
            return 1;
        }
        QApplication::processEvents();
        CategoryPane* pane = window.categoryPane();
        QTreeWidget* list = pane->groupList();
        PaintCounter groupPaints(list->viewport());
        PaintCounter listPaints(window.movieList()->viewport());
        {
            const int before = groupPaints.count();
            QElapsedTimer timer;
            timer.start();
            window.browseTabs()->setCurrentWidget(pane);
            processUntilPainted(groupPaints, before);
            openMs.push_back(msSince(timer));
        }
        for (int f = 1; f <= pane->fieldBox()->count(); ++f) {
            const int before = groupPaints.count();
            QElapsedTimer timer;
            timer.start();
            pane->fieldBox()->setCurrentIndex(f % pane->fieldBox()->count());
            processUntilPainted(groupPaints, before);
            switchMs.push_back(msSince(timer));
        }
        groups = list->topLevelItemCount();
        {
            const int before = listPaints.count();
            QElapsedTimer timer;
            timer.start();
            pane->chooseGroup(0);
            processUntilPainted(listPaints, before);
            clickMs.push_back(msSince(timer));
        }
        listed = window.movieList()->model()->rowCount();
    }
    out << "groups by genre: " << groups << ", largest listed: " << listed << " movies\n";
    out << "open the 分类 tab (read, group, paint), ms:  " << median(openMs) << '\n';
    out << "switch the field, any of eleven, ms:       " << median(switchMs) << '\n';
    out << "click the largest group until listed, ms:  " << median(clickMs) << '\n';
    return 0;
}
