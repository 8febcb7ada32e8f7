// reelshelf-bench: times the desktop program on a catalogue made by reelshelf-gen.
//
//   reelshelf-bench --home DIR [--runs 5] [--disc 500]
//       Repeats start-up, a click on "所有影碟" and a click on one disc, next to the sqlite3 shell
//       reading the same table, and prints the medians, the ratio against the shell, a breakdown
//       of the all-movies listing and the peak memory.
//   reelshelf-bench --home DIR --once startup|all
//       Does what the desktop program does on start (and, with "all", one click on "所有影碟"),
//       prints its own timings and exits, so that a script can time and measure the whole process.
//
// Runs without a display: QT_QPA_PLATFORM=offscreen unless the caller chose a platform.

#include "app/appcontext.h"
#include "app/mainwindow.h"
#include "app/prompt.h"
#include "app/startup.h"
#include "benchsupport.h"
#include "browse/detailpane.h"
#include "browse/disctree.h"
#include "browse/disctreewidget.h"
#include "browse/movielisting.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "store/catalogue.h"
#include "windowbench.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTextStream>
#ifdef REELSHELF_BENCH_SQLITE_API
#include <sqlite3.h>
#endif
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

using Bench::median;
using Bench::msSince;
using Bench::NoDesktop;
using Bench::PaintCounter;
using Bench::processUntilPainted;
using Bench::quietOffscreenWarnings;
using Bench::sqliteShell;

// Answers every message box with OK and keeps what was asked, so a run never blocks on a dialog
// and the report can say when the program had something to complain about.
qint64 statusKb(const char* field)
{
    QFile f(u"/proc/self/status"_s);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QByteArray wanted = QByteArray(field) + ':';
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(wanted))
            return line.mid(wanted.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// The machine's load over the last minute: other work on the machine shows in every timing.
QString loadAverage()
{
    QFile f(u"/proc/loadavg"_s);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return u"?"_s;
    return QString::fromLatin1(f.readAll().split(' ').value(0));
}

// One start of the program, as main() does it, kept alive for the clicks that follow.
struct Session
{
    explicit Session(const QString& home)
        : context(DataFolder(home), prompt, desktop)
    {
    }
    Bench::YesPrompt prompt;
    NoDesktop desktop;
    AppContext context;
    std::unique_ptr<MainWindow> window;
    PaintCounter* windowPaints = nullptr;
    PaintCounter* listPaints = nullptr;
    int unpainted = 0; // actions after which no paint was seen: their timings would be too short
};

// Start-up to the main window shown: data folder prepared, window built, shown, filled and painted.
std::unique_ptr<Session> startUp(const QString& home, double* ms, QString* error)
{
    QElapsedTimer timer;
    timer.start();
    auto s = std::make_unique<Session>(home);
    QString problem;
    if (!Startup::prepareDataFolder(s->context.folder, &problem)) {
        *error = problem;
        return nullptr;
    }
    s->window = std::make_unique<MainWindow>(s->context);
    s->windowPaints = new PaintCounter(s->window.get());
    s->listPaints = new PaintCounter(s->window->movieList()->viewport());
    s->window->show();
    if (!s->window->load(&problem)) {
        *error = problem;
        return nullptr;
    }
    if (!processUntilPainted(*s->windowPaints, 0))
        ++s->unpainted;
    *ms = msSince(timer);
    return s;
}

// Minor page faults of this process so far: memory the kernel had to hand over afresh.
qint64 minorFaults()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// A click on a tree node, as the tree reports it, until the list has painted the result.
// `faults`, when given, receives the minor page faults the click caused.
double clickNode(Session& s, const QString& key, QString* error, qint64* faults = nullptr)
{
    DiscTreeWidget* tree = s.window->discTree();
    QTreeWidgetItem* item = tree->itemForKey(key);
    if (!item) {
        *error = u"树中没有节点 %1"_s.arg(key);
        return -1;
    }
    const int before = s.listPaints->count();
    const qint64 faultsBefore = minorFaults();
    QElapsedTimer timer;
    timer.start();
    emit tree->itemClicked(item, 0);
    if (!processUntilPainted(*s.listPaints, before))
        ++s.unpainted;
    const double ms = msSince(timer);
    if (faults)
        *faults = minorFaults() - faultsBefore;
    return ms;
}

// A click on a column header of the list until the sorted rows are painted.
double clickHeader(Session& s, int column)
{
    QHeaderView* header = s.window->movieList()->header();
    const int before = s.listPaints->count();
    QElapsedTimer timer;
    timer.start();
    emit header->sectionClicked(column);
    if (!processUntilPainted(*s.listPaints, before))
        ++s.unpainted;
    return msSince(timer);
}

// How a row of a Qt SQL query is read in a walk.
enum class ReadValues {
    None, // step only
    AsVariants, // every value copied out, as Catalogue::forEachMovie does
    Utf8Blobs, // texts arrive as UTF-8 bytes (CAST AS BLOB) and are decoded by Qt
};

// Qt SQL on its own: runs a query and walks its rows. The SQLite driver converts every column of
// a row when it steps, so ReadValues::None is the floor for any listing that goes through Qt SQL.
double qtSqlWalk(const QString& catalogueFile, const QString& sql, ReadValues read)
{
    const QString name = u"reelshelf-bench-walk"_s;
    double ms = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(catalogueFile);
        if (db.open()) {
            QElapsedTimer timer;
            timer.start();
            QSqlQuery q(db);
            q.setForwardOnly(true);
            MovieRecord m;
            if (q.exec(sql)) {
                const int columns = q.record().count();
                while (q.next()) {
                    if (read == ReadValues::None)
                        continue;
                    for (int i = 0; i < columns; ++i) {
                        QVariant v = q.value(i);
                        if (read == ReadValues::Utf8Blobs && v.typeId() == QMetaType::QByteArray)
                            v = QString::fromUtf8(v.toByteArray());
                        m.values[size_t(i)] = std::move(v);
                    }
                }
                ms = msSince(timer);
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ms;
}

#ifdef REELSHELF_BENCH_SQLITE_API
// The same walk through SQLite's own interface: texts taken as UTF-8 and decoded by Qt, one
// QVariant per value, no cache in between. Shows what a listing could cost without Qt SQL.
double sqliteApiWalk(const QString& catalogueFile, const QString& sql)
{
    sqlite3* raw = nullptr;
    const QByteArray path = QFile::encodeName(catalogueFile);
    if (sqlite3_open_v2(path.constData(), &raw, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(raw);
        return -1;
    }
    const std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, &sqlite3_close);
    QElapsedTimer timer;
    timer.start();
    sqlite3_stmt* rawStatement = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(db.get(), utf8.constData(), int(utf8.size()), &rawStatement, nullptr) != SQLITE_OK)
        return -1;
    const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement(
        rawStatement, &sqlite3_finalize);
    const int columns = std::min(sqlite3_column_count(statement.get()), MovieFieldCount);
    MovieRecord m;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        for (int i = 0; i < columns; ++i) {
            sqlite3_stmt* st = statement.get();
            QVariant& v = m.values[size_t(i)];
            switch (sqlite3_column_type(st, i)) {
            case SQLITE_NULL:
                v = QVariant();
                break;
            case SQLITE_INTEGER:
            case SQLITE_FLOAT:
                v = sqlite3_column_double(st, i);
                break;
            case SQLITE_TEXT:
                v = QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(st, i)), sqlite3_column_bytes(st, i));
                break;
            default:
                v = QByteArray(
                    static_cast<const char*>(sqlite3_column_blob(st, i)), sqlite3_column_bytes(st, i));
                break;
            }
        }
    }
    return step == SQLITE_DONE ? msSince(timer) : -1;
}
#endif

class Table
{
public:
    void add(const QString& name, double ms) { values_[name].push_back(ms); }
    bool has(const QString& name) const { return values_.count(name) > 0; }
    const std::vector<double>& values(const QString& name) const { return values_.at(name); }
    double med(const QString& name) const { return median(values(name)); }
    double min(const QString& name) const
    {
        return *std::min_element(values(name).begin(), values(name).end());
    }
    double max(const QString& name) const
    {
        return *std::max_element(values(name).begin(), values(name).end());
    }

private:
    std::map<QString, std::vector<double>> values_;
};

// The click on "所有影碟" again, the browse controller's steps one by one in the same window, to see
// which of them the time goes to (the wait cursor aside).
void replayAllClick(Session& s, Table& t)
{
    MovieListView* list = s.window->movieList();
    const DataFolder& folder = s.context.folder;
    QElapsedTimer timer;
    timer.start();
    list->movieModel()->clear();
    t.add(u"rClear"_s, msSince(timer));
    timer.restart();
    QString error;
    auto listing = MovieList::listForNode(Catalogue(folder.catalogueFile()), DiscTree::allKey,
        s.context.session.discCount, s.context.session.favouriteCount, &error, MovieList::Intros::LeftOut);
    t.add(u"rListing"_s, msSince(timer));
    if (!listing)
        return;
    const int before = s.listPaints->count();
    timer.restart();
    list->movieModel()->setRows(std::move(listing->rows), listing->rowIcon);
    if (listing->status)
        s.window->statusLabel()->setText(*listing->status);
    t.add(u"rSetRows"_s, msSince(timer));
    timer.restart();
    s.window->detailPane()->reset(folder.defaultPoster());
    t.add(u"rPane"_s, msSince(timer));
    timer.restart();
    if (!processUntilPainted(*s.listPaints, before))
        ++s.unpainted;
    t.add(u"rPaint"_s, msSince(timer));
    timer.restart();
    list->movieModel()->clear();
    t.add(u"rClearAll"_s, msSince(timer));
}

QString fixed(double value, int width)
{
    return QString::number(value, 'f', 1).rightJustified(width);
}

QString verdict(bool met)
{
    return met ? u"met"_s : u"NOT met"_s;
}

enum class Columns { All, WithoutSummary, TextsAsBlobs };

QString movieColumnList(Columns which)
{
    QStringList names;
    for (int i = 0; i < MovieFieldCount; ++i) {
        const MovieField f = MovieField(i);
        const bool number = f == MovieField::ID || f == MovieField::Lastfor || f == MovieField::DiskNum
            || f == MovieField::Score;
        if (which == Columns::WithoutSummary && f == MovieField::PS)
            continue;
        if (which == Columns::TextsAsBlobs && !number)
            names << u"CAST(%1 AS BLOB)"_s.arg(movieFieldName(f));
        else
            names << movieFieldName(f);
    }
    return names.join(u", "_s);
}

int repeated(const QString& home, int runs, const QString& discKey)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const DataFolder folder(home);
    const QString sqlite = Bench::sqliteProgram(err);
    if (sqlite.isEmpty())
        return 1;
    QString error;
    const Catalogue catalogue(folder.catalogueFile());
    const qint64 movies = catalogue.movieCount(&error);
    if (movies < 0) {
        err << error << Qt::endl;
        return 1;
    }
    const QString loadBefore = loadAverage();
    const QString discNumber = DiscTree::discNumberOf(discKey);
    const QString selectAll = u"SELECT * FROM ReelShelfIndex"_s;
    const QString selectDisc = u"SELECT * FROM ReelShelfIndex WHERE DiskNum = %1"_s.arg(discNumber);

    // The first start and clicks of a process are timed on their own: the heap is still small
    // then, and the first listing pays for growing it. They also warm the file cache.
    const auto firstShell = sqliteShell(sqlite, folder.catalogueFile(), selectAll);
    if (!firstShell) {
        err << "sqlite3 读取 " << folder.catalogueFile() << " 失败。" << Qt::endl;
        return 1;
    }
    double firstStart = 0;
    double firstAll = 0;
    double firstDisc = 0;
    qint64 firstAllFaults = 0;
    QStringList prompts;
    int unpainted = 0;
    {
        auto s = startUp(home, &firstStart, &error);
        if (!s) {
            err << error << Qt::endl;
            return 1;
        }
        firstAll = clickNode(*s, DiscTree::allKey, &error, &firstAllFaults);
        firstDisc = firstAll < 0 ? -1 : clickNode(*s, discKey, &error);
        if (firstDisc < 0) {
            err << error << Qt::endl;
            return 1;
        }
        prompts = s->prompt.asked;
        unpainted += s->unpainted;
    }

    Table t;
    QString allStatus;
    QString discStatus;
    for (int run = 0; run < runs; ++run) {
        const auto shell = sqliteShell(sqlite, folder.catalogueFile(), selectAll);
        const auto shellDisc = sqliteShell(sqlite, folder.catalogueFile(), selectDisc);
        if (!shell || !shellDisc) {
            err << "sqlite3 读取 " << folder.catalogueFile() << " 失败。" << Qt::endl;
            return 1;
        }
        t.add(u"d"_s, *shell);
        t.add(u"dDisc"_s, *shellDisc);
        double ms = 0;
        auto s = startUp(home, &ms, &error);
        if (!s) {
            err << error << Qt::endl;
            return 1;
        }
        t.add(u"a"_s, ms);
        qint64 faults = 0;
        t.add(u"b"_s, clickNode(*s, DiscTree::allKey, &error, &faults));
        t.add(u"bFaults"_s, double(faults));
        allStatus = s->window->statusLabel()->text();
        t.add(u"sort"_s, clickHeader(*s, ListCol::MovieName));
        t.add(u"c"_s, clickNode(*s, discKey, &error));
        discStatus = s->window->statusLabel()->text();
        replayAllClick(*s, t);
        unpainted += s->unpainted;
        QElapsedTimer closing;
        closing.start();
        s.reset();
        t.add(u"close"_s, msSince(closing));
    }
    const qint64 peakKb = statusKb("VmHWM");

    // Where the clicks spend their time, part by part, through the same functions.
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        auto listing
            = MovieList::listForNode(catalogue, DiscTree::allKey, 0, 0, &error, MovieList::Intros::LeftOut);
        t.add(u"listing"_s, msSince(timer));
        timer.restart();
        auto discListing
            = MovieList::listForNode(catalogue, discKey, 0, 0, &error, MovieList::Intros::LeftOut);
        t.add(u"discListing"_s, msSince(timer));

        // The list on its own: the rows handed to a shown view until it has painted them.
        MovieListView view;
        view.resize(1000, 400);
        view.show();
        QApplication::processEvents();
        const PaintCounter* paints = new PaintCounter(view.viewport());
        timer.restart();
        view.movieModel()->setRows(std::move(listing->rows), listing->rowIcon);
        processUntilPainted(*paints, 0);
        t.add(u"viewRows"_s, msSince(timer));
        const int before = paints->count();
        timer.restart();
        view.movieModel()->clear();
        processUntilPainted(*paints, before);
        t.add(u"viewClear"_s, msSince(timer));

        const QString file = folder.catalogueFile();
        const QString walkSql = u"SELECT %1 FROM ReelShelfIndex ORDER BY rowid"_s;
        t.add(u"qtAll"_s, qtSqlWalk(file, walkSql.arg(movieColumnList(Columns::All)), ReadValues::None));
        t.add(u"qtNoPS"_s,
            qtSqlWalk(file, walkSql.arg(movieColumnList(Columns::WithoutSummary)), ReadValues::None));
        t.add(
            u"qtRead"_s, qtSqlWalk(file, walkSql.arg(movieColumnList(Columns::All)), ReadValues::AsVariants));
        t.add(u"qtBlobs"_s,
            qtSqlWalk(file, walkSql.arg(movieColumnList(Columns::TextsAsBlobs)), ReadValues::Utf8Blobs));
#ifdef REELSHELF_BENCH_SQLITE_API
        t.add(u"apiRead"_s, sqliteApiWalk(file, walkSql.arg(movieColumnList(Columns::All))));
        t.add(u"apiNoPS"_s, sqliteApiWalk(file, walkSql.arg(movieColumnList(Columns::WithoutSummary))));
#endif
        t.add(u"qtDisc"_s,
            qtSqlWalk(file,
                u"SELECT %1 FROM ReelShelfIndex WHERE DiskNum = %2 ORDER BY rowid"_s.arg(
                    movieColumnList(Columns::All), discNumber),
                ReadValues::AsVariants));

        timer.restart();
        qint64 seen = 0;
        catalogue.forEachMovie([&seen](const MovieRecord&) {
            ++seen;
            return true;
        });
        t.add(u"walk"_s, msSince(timer));

        std::vector<MovieRecord> records;
        records.reserve(size_t(movies));
        catalogue.forEachMovie([&records](const MovieRecord& m) {
            records.push_back(m);
            return true;
        });
        timer.restart();
        std::vector<MovieRow> made;
        made.reserve(records.size());
        for (const MovieRecord& m : records)
            made.push_back(movieRow(m, true));
        t.add(u"rows"_s, msSince(timer));
        made = {};
        records = {};
    }

    const double ratio = t.med(u"b"_s) / t.med(u"d"_s);
    const double firstRatio = firstAll / *firstShell;
    auto line = [&](const QString& label, const QString& key) {
        out << label.leftJustified(48) << fixed(t.med(key), 10) << fixed(t.min(key), 10)
            << fixed(t.max(key), 10) << '\n';
    };
    auto single = [&](const QString& label, double value, const QString& note) {
        out << label.leftJustified(48) << fixed(value, 10) << "   " << note << '\n';
    };
    out << "catalogue " << folder.catalogueFile() << ": " << movies << " movies, "
        << QFileInfo(folder.catalogueFile()).size() / (1024 * 1024) << " MB; " << runs << " runs; "
        << QDateTime::currentDateTime().toString(Qt::ISODate) << "\n\n";
    out << u"measure"_s.leftJustified(48) << u"median ms"_s.rightJustified(10) << u"min"_s.rightJustified(10)
        << u"max"_s.rightJustified(10) << '\n';
    line(u"(d) sqlite3 shell: SELECT * (baseline)"_s, u"d"_s);
    line(u"(a) start-up to main window shown"_s, u"a"_s);
    line(u"(b) click NodeAll until the list painted"_s, u"b"_s);
    line(u"    then a click on the title header, sorted"_s, u"sort"_s);
    line(u"(c) click %1 until the list painted"_s.arg(discKey), u"c"_s);
    line(u"    sqlite3 shell: ... WHERE DiskNum = %1"_s.arg(discNumber), u"dDisc"_s);
    line(u"    closing the window"_s, u"close"_s);
    out << u"    minor page faults during (b)"_s.leftJustified(48)
        << QString::number(t.med(u"bFaults"_s), 'f', 0).rightJustified(10) << '\n';
    out << '\n';
    single(u"ratio (b)/(d)"_s, ratio, u"x   target <= 3x: "_s + verdict(ratio <= 3));
    single(u"ratio (c)/(d)"_s, t.med(u"c"_s) / t.med(u"d"_s), u"x"_s);
    single(u"start-up (a)"_s, t.med(u"a"_s), u"ms  target < 1000 ms: "_s + verdict(t.med(u"a"_s) < 1000));
    single(u"peak memory VmHWM after the runs"_s, double(peakKb) / 1024,
        u"MB  target < 300 MB: "_s + verdict(peakKb >= 0 && peakKb < 300 * 1024));
    out << "\nfirst start of this process (single values, not medians):\n";
    single(u"  sqlite3 shell: SELECT *"_s, *firstShell, u"ms"_s);
    single(u"  start-up to main window shown"_s, firstStart, u"ms"_s);
    single(u"  first click NodeAll"_s, firstAll,
        u"ms  ratio %1x, %2 minor page faults"_s.arg(firstRatio, 0, 'f', 2).arg(firstAllFaults));
    single(u"  first click %1"_s.arg(discKey), firstDisc, u"ms"_s);
    out << "\n(b) replayed step by step in the same window, medians in ms:\n";
    line(u"  model clear() (list empty or one disc)"_s, u"rClear"_s);
    line(u"  MovieList::listForNode(NodeAll)"_s, u"rListing"_s);
    line(u"  setRows + status text"_s, u"rSetRows"_s);
    line(u"  DetailPane::reset"_s, u"rPane"_s);
    line(u"  events until the list painted"_s, u"rPaint"_s);
    line(u"  then: model clear() of all rows"_s, u"rClearAll"_s);
    out << "\nbreakdown, medians in ms:\n";
    line(u"  Qt SQL: step through all 20 columns"_s, u"qtAll"_s);
    line(u"  Qt SQL: step through 19 columns (no PS)"_s, u"qtNoPS"_s);
    line(u"  Qt SQL: step and copy out 20 values"_s, u"qtRead"_s);
    line(u"  Qt SQL: texts CAST AS BLOB, fromUtf8, copy"_s, u"qtBlobs"_s);
    if (t.has(u"apiRead"_s))
        line(u"  SQLite C API: 20 values, texts fromUtf8"_s, u"apiRead"_s);
    if (t.has(u"apiNoPS"_s))
        line(u"  SQLite C API: 19 values (no PS)"_s, u"apiNoPS"_s);
    line(u"  Qt SQL: WHERE DiskNum = %1, copy out"_s.arg(discNumber), u"qtDisc"_s);
    line(u"  Catalogue::forEachMovie, empty visitor"_s, u"walk"_s);
    line(u"  movieRow() for every record, read before"_s, u"rows"_s);
    line(u"  MovieList::listForNode(NodeAll)"_s, u"listing"_s);
    line(u"  MovieList::listForNode(%1)"_s.arg(discKey), u"discListing"_s);
    line(u"  list view: setRows(all rows) until painted"_s, u"viewRows"_s);
    line(u"  list view: clear() of all rows until painted"_s, u"viewClear"_s);
    out << "\nstatus after (b): " << allStatus << "\nstatus after (c): " << discStatus << '\n';
    if (unpainted > 0)
        out << "warning: " << unpainted << " timed actions ended without a paint of the window or list\n";
    out << "load average before / after: " << loadBefore << " / " << loadAverage() << '\n';
    if (!prompts.isEmpty())
        out << "message boxes during a run: " << prompts.join(u" | "_s) << '\n';
    out.flush();
    return 0;
}

// One start as the desktop program does it, then exit: for whole-process timing from outside.
// `launchedNs` is the wall clock in nanoseconds when the caller launched us (date +%s%N), or 0.
int runOnce(QApplication& app, const QString& home, bool clickAll, qint64 launchedNs)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const DataFolder folder(home);
    std::optional<double> shell;
    if (clickAll) {
        const QString sqlite = QStandardPaths::findExecutable(u"sqlite3"_s);
        if (!sqlite.isEmpty())
            shell = sqliteShell(sqlite, folder.catalogueFile(), u"SELECT * FROM ReelShelfIndex"_s);
    }
    Startup::installTranslations(app);
    double startup = 0;
    QString error;
    auto s = startUp(home, &startup, &error);
    if (!s) {
        err << error << Qt::endl;
        return 1;
    }
    out << "start-up to main window shown: " << QString::number(startup, 'f', 1) << " ms";
    if (launchedNs > 0) {
        const qint64 now = std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::system_clock::now().time_since_epoch())
                               .count();
        out << " (since launch " << QString::number(double(now - launchedNs) / 1e6, 'f', 1) << " ms)";
    }
    out << '\n';
    if (clickAll) {
        const double ms = clickNode(*s, DiscTree::allKey, &error);
        if (ms < 0) {
            err << error << Qt::endl;
            return 1;
        }
        out << "click NodeAll: " << QString::number(ms, 'f', 1) << " ms";
        if (shell)
            out << ", sqlite3 shell " << QString::number(*shell, 'f', 1) << " ms, ratio "
                << QString::number(ms / *shell, 'f', 2);
        out << ", status " << s->window->statusLabel()->text() << '\n';
    }
    out << "VmHWM " << statusKb("VmHWM") / 1024 << " MB\n";
    out.flush();
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietOffscreenWarnings);
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"ReelShelf Index"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"ReelShelf Index 性能测试"_s);
    parser.addHelpOption();
    parser.addOption({ u"home"_s, u"数据文件夹（由 reelshelf-gen 生成）"_s, u"DIR"_s });
    parser.addOption({ u"runs"_s, u"重复次数（默认 5）"_s, u"N"_s, u"5"_s });
    parser.addOption({ u"disc"_s, u"单击的光碟号（默认 500）"_s, u"N"_s, u"500"_s });
    parser.addOption({ u"once"_s, u"只启动一次后退出：startup 或 all"_s, u"WHAT"_s });
    parser.addOption({ u"launched-ns"_s, u"调用者启动本程序时的时钟（date +%s%N）"_s, u"NS"_s, u"0"_s });
    parser.process(app);

    const QString home = parser.value(u"home"_s);
    bool runsOk = false;
    const int runs = parser.value(u"runs"_s).toInt(&runsOk);
    bool launchedOk = false;
    const qint64 launchedNs = parser.value(u"launched-ns"_s).toLongLong(&launchedOk);
    const QString once = parser.value(u"once"_s);
    const bool onceOk = !parser.isSet(u"once"_s) || once == u"startup"_s || once == u"all"_s;
    if (home.isEmpty() || !runsOk || runs < 1 || !launchedOk || !onceOk) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return 2;
    }
    if (!QFileInfo::exists(DataFolder(home).catalogueFile())) {
        std::fprintf(
            stderr, "%s\n", qPrintable(u"%1 中没有目录数据库，请先运行 reelshelf-gen。"_s.arg(home)));
        return 1;
    }
    if (parser.isSet(u"once"_s))
        return runOnce(app, home, once == u"all"_s, launchedNs);
    return repeated(home, runs, DiscTree::discPrefix + parser.value(u"disc"_s));
}
