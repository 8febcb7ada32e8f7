// reelshelf-scanbench: times the import wizard's drive search against find(1) on the same tree.
//
//   reelshelf-scanbench --tree DIR [--runs 5] [--cli build/src/cli/reelshelf-cli]
//
// Six file types are selected (avi, rmvb, rm, mkv, mp4, mpg; wmv and ts are not), names are
// cleaned and parts joined as the shipped settings do. Each repetition times, in alternating
// order, the search in this process and `find DIR -type f -printf '%s %h %f\n'` as a process,
// and with --cli the command-line tool `reelshelf-cli scan DIR --json` as a process; both write
// to /dev/null. One untimed round first fills the file system's caches.

#include "benchsupport.h"
#include "scan/drivesearch.h"
#include "store/catalogue.h"
#include "store/datafolder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using Bench::median;

const QStringList selected = { u"avi"_s, u"rmvb"_s, u"rm"_s, u"mkv"_s, u"mp4"_s, u"mpg"_s };
const QStringList unselected = { u"wmv"_s, u"ts"_s };

ScanRequest request(const QString& tree)
{
    ScanRequest r;
    r.root = tree;
    for (const QString& t : selected)
        r.fileTypes.append({ t, u"Yes"_s, QVariant() });
    for (const QString& t : unselected)
        r.fileTypes.append({ t, u"No"_s, QVariant() });
    r.switches.editByHand = false;
    r.switches.ridofCD = r.switches.ridofBbs = r.switches.ridofDot = true;
    r.switches.autoSelect = true;
    return r;
}

double msSince(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// Runs a program with its output thrown away; the wall time in ms, -1 when it failed.
double timeProcess(const QString& program, const QStringList& args, QByteArray* output = nullptr)
{
    QProcess p;
    if (!output)
        p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    if (!p.waitForStarted(-1))
        return -1;
    if (output) {
        while (p.state() != QProcess::NotRunning) {
            p.waitForReadyRead(-1);
            output->append(p.readAllStandardOutput());
        }
        output->append(p.readAllStandardOutput());
    } else {
        p.waitForFinished(-1);
    }
    const double ms = msSince(t);
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 ? ms : -1;
}

// A data folder whose MovieFileType selects the same six types as the in-process search.
bool prepareHome(const QString& path, QString* error)
{
    const DataFolder folder(path);
    if (!installDefaults(folder, error) || !Catalogue(folder.catalogueFile()).prepare(error))
        return false;
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"scanbench"_s);
        db.setDatabaseName(folder.catalogueFile());
        ok = db.open();
        QSqlQuery q(db);
        ok = ok && q.exec(u"DELETE FROM MovieFileType"_s);
        for (const QString& t : selected + unselected)
            ok = ok
                && q.exec(u"INSERT INTO MovieFileType VALUES ('%1', '%2', NULL)"_s.arg(
                    t, selected.contains(t) ? u"Yes"_s : u"No"_s));
    }
    QSqlDatabase::removeDatabase(u"scanbench"_s);
    if (!ok)
        *error = u"无法设置 %1 的文件类型"_s.arg(path);
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({ u"tree"_s, u"要搜索的文件夹树（reelshelf-gen --tree 生成）"_s, u"DIR"_s });
    parser.addOption({ u"runs"_s, u"重复次数（默认 5）"_s, u"N"_s, u"5"_s });
    parser.addOption({ u"cli"_s, u"同时计时 reelshelf-cli scan 进程"_s, u"PATH"_s });
    parser.process(app);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString tree = parser.value(u"tree"_s);
    const int runs = parser.value(u"runs"_s).toInt();
    const QString find = QStandardPaths::findExecutable(u"find"_s);
    if (tree.isEmpty() || runs < 1 || find.isEmpty()) {
        err << parser.helpText() << (find.isEmpty() ? "find(1) is not on the PATH\n" : "");
        return 2;
    }
    const QStringList findArgs = { tree, u"-type"_s, u"f"_s, u"-printf"_s, u"%s %h %f\\n"_s };
    QTemporaryDir home;
    QString error;
    const QString cli = parser.value(u"cli"_s);
    if (!cli.isEmpty() && !prepareHome(home.path(), &error)) {
        err << error << '\n';
        return 1;
    }
    const QStringList cliArgs = { u"--home"_s, home.path(), u"scan"_s, tree, u"--json"_s };

    // The untimed round: caches filled, and the sizes of what each side reports.
    const ScanRequest req = request(tree);
    const DriveSearch first = searchDrive(req);
    if (first.rootFailed()) {
        err << first.problem << '\n';
        return 1;
    }
    const TreeScan walk = scanTree(tree, FileTypeSet::fromRecords(req.fileTypes));
    QByteArray listing;
    timeProcess(find, findArgs, &listing);
    out << "tree " << tree << ": find lists " << listing.count('\n') << " files; the search visits "
        << first.foldersVisited << " folders, finds " << walk.files.size() << " movie files, "
        << first.rows.size() << " rows after joining parts" << Qt::endl;
    if (!cli.isEmpty())
        timeProcess(cli, cliArgs);

    std::vector<double> scanMs, walkMs, findMs, cliMs;
    const FileTypeSet types = FileTypeSet::fromRecords(req.fileTypes);
    for (int i = 0; i < runs; ++i) {
        const auto timeScan = [&] {
            QElapsedTimer t;
            t.start();
            const DriveSearch s = searchDrive(req);
            scanMs.push_back(msSince(t));
            if (s.rows.size() != first.rows.size())
                err << "run " << i << ": " << s.rows.size() << " rows\n";
            t.restart();
            const TreeScan w = scanTree(tree, types);
            walkMs.push_back(msSince(t));
        };
        if (i % 2)
            timeScan();
        findMs.push_back(timeProcess(find, findArgs));
        if (!cli.isEmpty())
            cliMs.push_back(timeProcess(cli, cliArgs));
        if (i % 2 == 0)
            timeScan();
    }
    const double s = median(scanMs), f = median(findMs);
    out << "medians of " << runs << " runs:" << Qt::endl;
    out << "  find -type f -printf '%s %h %f\\n' (process):  " << QString::number(f, 'f', 1) << " ms"
        << Qt::endl;
    out << "  search in process (walk, clean, join):      " << QString::number(s, 'f', 1) << " ms, ratio "
        << QString::number(s / f, 'f', 2) << Qt::endl;
    out << "    of which the walk alone:                  " << QString::number(median(walkMs), 'f', 1)
        << " ms" << Qt::endl;
    if (!cli.isEmpty()) {
        const double c = median(cliMs);
        out << "  reelshelf-cli scan --json (process):        " << QString::number(c, 'f', 1) << " ms, ratio "
            << QString::number(c / f, 'f', 2) << Qt::endl;
    }
    return 0;
}
