// Times the quick filter above the movie list: the main window lists 所有影碟, then words are
// typed into the filter box one character at a time and taken back again; each keystroke is
// timed until the list has painted. Baselines in the same run: the full rows into the list's
// model until painted, and a plain case-insensitive QString::contains loop over the rows.
//
//   reelshelf-filterbench --home DIR [--runs N] [--word TEXT]...

#include "app/appcontext.h"
#include "app/mainwindow.h"
#include "app/prompt.h"
#include "benchsupport.h"
#include "browse/disctree.h"
#include "browse/disctreewidget.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "browse/quickfilter.h"
#include "filter/quickfilterbox.h"
#include "windowbench.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using Bench::median;
using Bench::msSince;
using Bench::NoDesktop;
using Bench::PaintCounter;
using Bench::processUntilPainted;
using Bench::quietOffscreenWarnings;

class AnsweringPrompt final : public Prompt
{
public:
    Answer ask(QWidget*, Icon, const QString&, Buttons buttons) override
    {
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }
};

double worst(const std::vector<double>& values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

QString ms(double value)
{
    return QString::number(value, 'f', 1);
}

struct Keystrokes
{
    std::vector<double> first; // the first keystroke after a listing: all rows are searched
    std::vector<double> typing; // later characters: the list narrows
    std::vector<double> erasing; // backspaces: the list widens again
    int unpainted = 0;
};

// One key as the keyboard sends it, until the list has painted the result. A key that leaves
// the words as they were (a blank) changes no row: it is timed until its events are processed.
double press(QWidget* box, const MovieListModel& model, const PaintCounter& paints, int key,
    const QString& text, int* unpainted)
{
    const int before = paints.count();
    const QStringList words = model.quickFilter().words();
    QElapsedTimer timer;
    timer.start();
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(box, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(box, &up);
    if (model.quickFilter().words() == words)
        QApplication::processEvents();
    else if (!processUntilPainted(paints, before))
        ++*unpainted;
    return msSince(timer);
}

} // namespace

int main(int argc, char* argv[])
{
    qInstallMessageHandler(quietOffscreenWarnings);
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({ QStringLiteral("home"), QStringLiteral("data folder"), QStringLiteral("DIR") });
    parser.addOption(
        { QStringLiteral("runs"), QStringLiteral("repetitions"), QStringLiteral("N"), QStringLiteral("5") });
    parser.addOption(
        { QStringLiteral("word"), QStringLiteral("text to type (repeatable)"), QStringLiteral("TEXT") });
    parser.process(app);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList words = parser.values(QStringLiteral("word"));
    if (words.isEmpty())
        words = { QStringLiteral("dragon"), QStringLiteral("李 英雄") };
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());

    AnsweringPrompt prompt;
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
    MovieListView* list = window.movieList();
    MovieListModel* model = list->movieModel();
    QuickFilterBox* box = window.quickFilter();
    PaintCounter paints(list->viewport());
    QApplication::processEvents();
    QTreeWidgetItem* all = window.discTree()->itemForKey(DiscTree::allKey);
    if (!all) {
        err << "树中没有节点 " << DiscTree::allKey << Qt::endl;
        return 1;
    }
    emit window.discTree()->itemClicked(all, 0);
    processUntilPainted(paints, paints.count());
    const int total = model->totalRowCount();
    QList<MovieRow> rows;
    rows.reserve(total);
    for (int r = 0; r < total; ++r)
        rows.append(model->movieRow(r));
    box->setFocus();

    std::vector<double> repaintMs;
    std::vector<double> setRowsMs;
    std::vector<double> containsMs;
    Keystrokes keys;
    QStringList hits;
    for (int run = 0; run < runs; ++run) {
        {
            const int before = paints.count();
            QElapsedTimer timer;
            timer.start();
            model->setRows(rows, 2);
            processUntilPainted(paints, before);
            setRowsMs.push_back(msSince(timer));
        }
        {
            const int before = paints.count();
            QElapsedTimer timer;
            timer.start();
            list->viewport()->update();
            processUntilPainted(paints, before);
            repaintMs.push_back(msSince(timer));
        }
        for (const QString& word : words) {
            const QStringList parts = word.split(u' ', Qt::SkipEmptyParts);
            QElapsedTimer timer;
            timer.start();
            qsizetype found = 0;
            const size_t columns[] = { ListCol::MovieName, ListCol::EngName, ListCol::Direct, ListCol::Role };
            for (const MovieRow& r : rows) {
                bool every = true;
                for (const QString& p : parts) {
                    bool any = false;
                    for (size_t c : columns)
                        any = any || r[c].contains(p, Qt::CaseInsensitive);
                    every = every && any;
                }
                found += every;
            }
            containsMs.push_back(msSince(timer));

            bool first = true;
            for (QChar c : word) {
                const double t = press(box, *model, paints, Qt::Key_unknown, QString(c), &keys.unpainted);
                (first ? keys.first : keys.typing).push_back(t);
                first = false;
            }
            if (run == 0)
                hits << QStringLiteral("\"%1\": %2 rows shown (contains loop: %3)")
                            .arg(word)
                            .arg(model->rowCount())
                            .arg(found);
            for (qsizetype i = 0; i < word.size(); ++i)
                keys.erasing.push_back(
                    press(box, *model, paints, Qt::Key_Backspace, QString(), &keys.unpainted));
            // The next word starts on a fresh listing.
            model->setRows(rows, 2);
            QApplication::processEvents();
        }
    }

    // Where the time goes: folding the rows (once, when they arrive) and the filtering in the
    // model alone, without a view to lay out and paint.
    std::vector<double> foldMs;
    std::vector<double> modelMs;
    MovieListModel bare;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        std::vector<QString> folded;
        folded.reserve(size_t(rows.size()));
        for (const MovieRow& r : rows)
            folded.push_back(QuickFilter::rowKey(r));
        foldMs.push_back(msSince(timer));
        bare.setRows(rows, 2);
        bare.setQuickFilter(QuickFilter(QStringLiteral("x")));
        bare.setQuickFilter({});
        for (const QString& word : words) {
            for (qsizetype n = 1; n <= word.size(); ++n) {
                timer.restart();
                bare.setQuickFilter(QuickFilter(word.left(n)));
                modelMs.push_back(msSince(timer));
            }
            for (qsizetype n = word.size() - 1; n >= 0; --n) {
                timer.restart();
                bare.setQuickFilter(QuickFilter(word.left(n)));
                modelMs.push_back(msSince(timer));
            }
        }
    }

    std::vector<double> every = keys.first;
    every.insert(every.end(), keys.typing.begin(), keys.typing.end());
    every.insert(every.end(), keys.erasing.begin(), keys.erasing.end());
    out << "quick filter over " << total << " rows, " << runs << " runs, words: " << words.join(u", ")
        << Qt::endl;
    for (const QString& h : hits)
        out << "  " << h << Qt::endl;
    out << "every keystroke, filter + repaint: median " << ms(median(every)) << " ms, worst "
        << ms(worst(every)) << " ms"
        << (median(every) <= 50 ? " (target 50 ms met)" : " (target 50 ms missed)") << Qt::endl;
    out << "  first key after a listing (all rows):       median " << ms(median(keys.first)) << " ms, worst "
        << ms(worst(keys.first)) << " ms" << Qt::endl;
    out << "  further keys (narrowing):                   median " << ms(median(keys.typing)) << " ms, worst "
        << ms(worst(keys.typing)) << " ms" << Qt::endl;
    out << "  backspaces (widening):                      median " << ms(median(keys.erasing))
        << " ms, worst " << ms(worst(keys.erasing)) << " ms" << Qt::endl;
    out << "baseline: repaint of the list, nothing changed: median " << ms(median(repaintMs)) << " ms"
        << Qt::endl;
    out << "baseline: all rows into the model + repaint:  median " << ms(median(setRowsMs)) << " ms"
        << Qt::endl;
    out << "baseline: QString::contains loop, per word:   median " << ms(median(containsMs)) << " ms"
        << Qt::endl;
    out << "breakdown: folding all rows (on arrival):   median " << ms(median(foldMs)) << " ms" << Qt::endl;
    out << "breakdown: filtering in the model, no view:  median " << ms(median(modelMs)) << " ms, worst "
        << ms(worst(modelMs)) << " ms per keystroke" << Qt::endl;
    if (keys.unpainted > 0)
        out << "warning: " << keys.unpainted << " keystrokes painted nothing; their times are too short"
            << Qt::endl;
    return 0;
}
