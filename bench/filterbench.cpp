// Times the quick filter above the movie list: the main window lists 所有影碟, then words are
// typed into the filter box one character at a time and taken back again; each keystroke is
// timed until the list has painted. First with the filter's default fields (片名/导演/演员), then
// with 全部字段, whose introductions are read beside the window after each listing (timed too).
// Baselines in the same run: the full rows into the list's model until painted, and a plain
// case-insensitive QString::contains loop over the same texts of the rows.
//
//   reelshelf-filterbench --home DIR [--runs N] [--fields names|all|both] [--word TEXT]...

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
#include "store/catalogue.h"
#include "windowbench.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
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

// A field of /proc/self/status in kB (VmHWM: the peak resident memory, VmRSS: now).
qint64 statusKb(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QByteArray wanted = QByteArray(field) + ':';
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(wanted))
            return line.mid(wanted.size()).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

QString mb(qint64 kb)
{
    return QString::number(double(kb) / 1024, 'f', 1) + QStringLiteral(" MB");
}

QString loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return QStringLiteral("?");
    return QString::fromLatin1(f.readAll().split(' ').value(0));
}

// What the window shows the filter for: the listing, the box and the choice of fields.
struct Window
{
    MovieListView* list;
    MovieListModel* model;
    QuickFilterBox* box;
    const PaintCounter& paints;
};

// Waits until the introductions of the listing are read and keyed; the milliseconds it took.
double waitForIntros(const Window& w, const QElapsedTimer& since)
{
    while (w.box->isReadingIntros())
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    QApplication::processEvents();
    return msSince(since);
}

// A fresh listing of `rows`, as a click on a node gives; with 全部字段 its introductions are read.
void listAgain(const Window& w, const QList<MovieRow>& rows, std::vector<double>* readMs)
{
    QElapsedTimer timer;
    timer.start();
    w.model->setRows(rows, 2);
    QApplication::processEvents();
    if (readMs)
        readMs->push_back(waitForIntros(w, timer));
}

// The plain loop: every word in any of `columns` of a row (or its introduction), ignoring case.
double containsLoop(const QList<MovieRow>& rows, const QStringList& intros,
    const std::vector<size_t>& columns, const QString& word, qsizetype* found)
{
    const QStringList parts = word.split(u' ', Qt::SkipEmptyParts);
    QElapsedTimer timer;
    timer.start();
    *found = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const MovieRow& r = rows.at(i);
        bool every = true;
        for (const QString& p : parts) {
            bool any = !intros.isEmpty() && intros.at(i).contains(p, Qt::CaseInsensitive);
            for (size_t c : columns)
                any = any || r.view(c).contains(p, Qt::CaseInsensitive);
            every = every && any;
        }
        *found += every;
    }
    return msSince(timer);
}

struct ModeFigures
{
    Keystrokes keys;
    std::vector<double> repaintMs;
    std::vector<double> setRowsMs;
    std::vector<double> containsMs;
    std::vector<double> readMs; // 全部字段: the introductions read and keyed after a listing
    QStringList hits;
};

const std::vector<size_t> nameColumns
    = { ListCol::MovieName, ListCol::EngName, ListCol::Direct, ListCol::Role };
const std::vector<size_t> textColumns = { ListCol::MovieName, ListCol::EngName, ListCol::Direct,
    ListCol::Role, ListCol::Year, ListCol::FileType, ListCol::Type, ListCol::Audio, ListCol::SubTitile,
    ListCol::Definition, ListCol::MovieSize, ListCol::FileNum, ListCol::Company, ListCol::Nation };

// Types each word key by key and takes it back, `runs` times, on fresh listings of `rows`.
ModeFigures typeWords(
    const Window& w, const QList<MovieRow>& rows, const QStringList& words, int runs, bool everyField)
{
    const std::vector<size_t>& names = nameColumns;
    ModeFigures f;
    std::vector<double>* readMs = everyField ? &f.readMs : nullptr;
    for (int run = 0; run < runs; ++run) {
        {
            const int before = w.paints.count();
            QElapsedTimer timer;
            timer.start();
            w.model->setRows(rows, 2);
            processUntilPainted(w.paints, before);
            f.setRowsMs.push_back(msSince(timer));
            if (readMs)
                readMs->push_back(waitForIntros(w, timer));
        }
        {
            const int before = w.paints.count();
            QElapsedTimer timer;
            timer.start();
            w.list->viewport()->update();
            processUntilPainted(w.paints, before);
            f.repaintMs.push_back(msSince(timer));
        }
        for (const QString& word : words) {
            // With 全部字段 the loop needs the introductions in memory, which the window never holds.
            qsizetype found = -1;
            if (!everyField)
                f.containsMs.push_back(containsLoop(rows, {}, names, word, &found));
            bool first = true;
            for (QChar c : word) {
                const double t
                    = press(w.box, *w.model, w.paints, Qt::Key_unknown, QString(c), &f.keys.unpainted);
                (first ? f.keys.first : f.keys.typing).push_back(t);
                first = false;
            }
            if (run == 0)
                f.hits << QStringLiteral("\"%1\": %2 rows shown").arg(word).arg(w.model->rowCount())
                        + (found < 0 ? QString() : QStringLiteral(" (contains loop: %1)").arg(found));
            for (qsizetype i = 0; i < word.size(); ++i)
                f.keys.erasing.push_back(
                    press(w.box, *w.model, w.paints, Qt::Key_Backspace, QString(), &f.keys.unpainted));
            // The next word starts on a fresh listing.
            listAgain(w, rows, readMs);
        }
    }
    return f;
}

void report(QTextStream& out, const ModeFigures& f)
{
    for (const QString& h : f.hits)
        out << "  " << h << Qt::endl;
    std::vector<double> every = f.keys.first;
    every.insert(every.end(), f.keys.typing.begin(), f.keys.typing.end());
    every.insert(every.end(), f.keys.erasing.begin(), f.keys.erasing.end());
    out << "every keystroke, filter + repaint: median " << ms(median(every)) << " ms, worst "
        << ms(worst(every)) << " ms"
        << (median(every) <= 50 ? " (target 50 ms met)" : " (target 50 ms missed)") << " over "
        << every.size() << " keystrokes" << Qt::endl;
    out << "  first key after a listing (all rows):       median " << ms(median(f.keys.first))
        << " ms, worst " << ms(worst(f.keys.first)) << " ms" << Qt::endl;
    out << "  further keys (narrowing):                   median " << ms(median(f.keys.typing))
        << " ms, worst " << ms(worst(f.keys.typing)) << " ms" << Qt::endl;
    out << "  backspaces (widening):                      median " << ms(median(f.keys.erasing))
        << " ms, worst " << ms(worst(f.keys.erasing)) << " ms" << Qt::endl;
    out << "baseline: repaint of the list, nothing changed: median " << ms(median(f.repaintMs)) << " ms"
        << Qt::endl;
    out << "baseline: all rows into the model + repaint:  median " << ms(median(f.setRowsMs)) << " ms"
        << Qt::endl;
    out << "baseline: QString::contains loop, per word:   median " << ms(median(f.containsMs)) << " ms"
        << Qt::endl;
    if (!f.readMs.empty())
        out << "introductions read and keyed beside the window after a listing: median "
            << ms(median(f.readMs)) << " ms, worst " << ms(worst(f.readMs)) << " ms" << Qt::endl;
    if (f.keys.unpainted > 0)
        out << "warning: " << f.keys.unpainted << " keystrokes painted nothing; their times are too short"
            << Qt::endl;
}

// Where the time goes: the keys made for each row and the filtering in a model without a view.
void breakdown(QTextStream& out, const QList<MovieRow>& rows, const QStringList& words, int runs,
    const Catalogue* catalogue)
{
    std::vector<double> foldMs;
    std::vector<double> modelMs;
    MovieListModel bare;
    if (catalogue)
        bare.setFilterFields(QuickFilter::Fields::All);
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        std::vector<QString> folded;
        if (catalogue) {
            QString error;
            folded = QuickFilter::everyFieldKeys(
                *catalogue, rows, [](qsizetype) { return true; }, &error)
                         .value_or(std::vector<QString>());
        } else {
            folded.reserve(size_t(rows.size()));
            for (const MovieRow& r : rows)
                folded.push_back(QuickFilter::rowKey(r));
        }
        foldMs.push_back(msSince(timer));
        bare.setRows(rows, 2);
        if (catalogue)
            bare.setEveryFieldKeys(bare.rowsSerial(), std::move(folded));
        bare.setQuickFilter(QuickFilter(QStringLiteral("x")));
        bare.setQuickFilter({});
        for (const QString& word : words) {
            for (qsizetype n = 1; n <= word.size(); ++n) {
                timer.restart();
                bare.setQuickFilter(QuickFilter(word.left(n)));
                modelMs.push_back(msSince(timer));
            }
            // Taking the word back reuses the rows remembered for each shorter text: not a search.
            for (qsizetype n = word.size() - 1; n >= 0; --n)
                bare.setQuickFilter(QuickFilter(word.left(n)));
        }
    }
    out << (catalogue ? "breakdown: introductions read + all rows keyed, no window: median "
                      : "breakdown: folding all rows (on arrival):   median ")
        << ms(median(foldMs)) << " ms" << Qt::endl;
    out << "breakdown: filtering in the model, no view, typing: median " << ms(median(modelMs))
        << " ms, worst " << ms(worst(modelMs)) << " ms per keystroke" << Qt::endl;
}

} // namespace

int main(int argc, char* argv[])
{
    qInstallMessageHandler(quietOffscreenWarnings);
    QApplication app(argc, argv);
    QCommandLineParser parser;
    Bench::addHomeAndRuns(parser);
    parser.addOption({ QStringLiteral("fields"), QStringLiteral("names, all or both"),
        QStringLiteral("WHICH"), QStringLiteral("both") });
    parser.addOption(
        { QStringLiteral("word"), QStringLiteral("text to type (repeatable)"), QStringLiteral("TEXT") });
    parser.process(app);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList namesWords = parser.values(QStringLiteral("word"));
    QStringList allWords = namesWords;
    if (namesWords.isEmpty()) {
        namesWords = { QStringLiteral("dragon"), QStringLiteral("李 英雄") };
        // The last two words are found in introductions only.
        allWords = namesWords + QStringList { QStringLiteral("凯特 上海滩") };
    }
    const int runs = Bench::runsOf(parser);
    const QString fields = parser.value(QStringLiteral("fields"));
    const bool doNames = fields != QStringLiteral("all");
    const bool doAll = fields != QStringLiteral("names");

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
    MovieListView* list = window.movieList();
    MovieListModel* model = list->movieModel();
    QuickFilterBox* box = window.quickFilter();
    auto* choice = window.findChild<QComboBox*>(QStringLiteral("CmbQuickFilterFields"));
    PaintCounter paints(list->viewport());
    QApplication::processEvents();
    QTreeWidgetItem* all = window.discTree()->itemForKey(DiscTree::allKey);
    if (!all || !choice) {
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
    const Window w { list, model, box, paints };
    const Catalogue catalogue(context.folder.catalogueFile());
    out << "quick filter over " << total << " rows, " << runs << " runs, load average " << loadAverage()
        << Qt::endl;

    if (doNames) {
        out << "== 片名/导演/演员 (the default), words: " << namesWords.join(u", ") << Qt::endl;
        report(out, typeWords(w, rows, namesWords, runs, false));
        breakdown(out, rows, namesWords, runs, nullptr);
        out << "memory: peak (VmHWM) " << mb(statusKb("VmHWM")) << ", now (VmRSS) " << mb(statusKb("VmRSS"))
            << Qt::endl;
    }
    if (doAll) {
        QElapsedTimer timer;
        timer.start();
        choice->setCurrentIndex(1);
        const double firstRead = waitForIntros(w, timer);
        const qint64 keyedKb = statusKb("VmRSS");
        out << "== 全部字段, words: " << allWords.join(u", ") << Qt::endl;
        out << "switch to 全部字段 until the introductions are read and keyed: " << ms(firstRead) << " ms"
            << Qt::endl;
        ModeFigures f = typeWords(w, rows, allWords, runs, true);
        const qint64 peakKb = statusKb("VmHWM");
        choice->setCurrentIndex(0);
        QApplication::processEvents();
        const qint64 droppedKb = statusKb("VmRSS");

        // The plain loop over the same texts needs the introductions in memory: this benchmark's own.
        QStringList intros(rows.size());
        MovieList::forEachIntro(
            catalogue, rows,
            [&](qsizetype row, QStringView intro) {
                intros[row] = intro.toString();
                return true;
            },
            &error);
        for (int run = 0; run < runs; ++run) {
            for (const QString& word : allWords) {
                qsizetype found = 0;
                f.containsMs.push_back(containsLoop(rows, intros, textColumns, word, &found));
                if (run == 0)
                    f.hits << QStringLiteral("\"%1\": contains loop finds %2").arg(word).arg(found);
            }
        }
        intros.clear();
        report(out, f);
        breakdown(out, rows, allWords, runs, &catalogue);
        out << "memory: peak (VmHWM) after typing with 全部字段 " << mb(peakKb)
            << "; VmRSS with the keys of every field " << mb(keyedKb) << ", back to 片名/导演/演员 "
            << mb(droppedKb) << Qt::endl;
    }
    return 0;
}
