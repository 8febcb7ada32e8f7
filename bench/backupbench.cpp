// reelshelf-backupbench: what the backup before a deletion costs on a large catalogue.
//
//   reelshelf-backupbench --catalogue FILE [--runs 5] [--dir DIR]
//
// A copy of FILE (a catalogue made by reelshelf-gen) goes into a data folder under DIR whose
// Backups/ is first filled with the ten copies a folder in use holds (not timed). Each run then
// times, one after the other: CatalogueBackups::take (the copy a deletion waits for, pruning the
// oldest), the deletion of one movie without it (Catalogue::deleteMovie), and
// CatalogueBackups::restore of the copy just made (which takes a copy of its own first).

#include "benchsupport.h"
#include "store/backups.h"
#include "store/catalogue.h"
#include "store/datafolder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using Bench::median;

double msSince(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({ u"catalogue"_s, u"a generated catalogue to copy"_s, u"FILE"_s });
    parser.addOption({ u"runs"_s, u"repetitions"_s, u"N"_s, u"5"_s });
    parser.addOption({ u"dir"_s, u"where the data folders go"_s, u"DIR"_s, QDir::tempPath() });
    parser.process(app);
    QTextStream out(stdout);
    const QString source = parser.value(u"catalogue"_s);
    if (source.isEmpty() || !QFileInfo::exists(source)) {
        QTextStream(stderr) << "reelshelf-backupbench: --catalogue FILE is required\n";
        return 2;
    }
    const int runs = std::max(1, parser.value(u"runs"_s).toInt());
    const qint64 movies = Catalogue(source).movieCount();
    out << u"catalogue: %1 movies, %2 MB\n"_s.arg(movies).arg(
        double(QFileInfo(source).size()) / 1048576.0, 0, 'f', 1);

    QTemporaryDir dir(parser.value(u"dir"_s) + u"/reelshelf-backupbench-XXXXXX"_s);
    const DataFolder folder(dir.path());
    if (!QFile::copy(source, folder.catalogueFile())) {
        QTextStream(stderr) << "reelshelf-backupbench: cannot copy the catalogue\n";
        return 1;
    }
    const CatalogueBackups backups(folder);
    Catalogue catalogue(folder.catalogueFile());
    QDateTime stamp = QDateTime::currentDateTime().addDays(-1);
    for (int i = 0; i < CatalogueBackups::kept; ++i) {
        QString error;
        if (!backups.take(stamp = stamp.addSecs(1), &error)) {
            QTextStream(stderr) << "reelshelf-backupbench: " << error << '\n';
            return 1;
        }
    }

    std::vector<double> takes, deletes, restores, lists;
    for (int run = 0; run < runs; ++run) {
        QString error, made;
        QElapsedTimer t;
        t.start();
        const bool taken = backups.take(stamp = stamp.addSecs(1), &error, &made);
        takes.push_back(msSince(t));
        t.restart();
        const bool deleted = catalogue.deleteMovie(double(movies / 2 + run), &error);
        deletes.push_back(msSince(t));
        t.restart();
        const bool restored = backups.restore(made, stamp = stamp.addSecs(1), &error);
        restores.push_back(msSince(t));
        t.restart();
        const auto listed = backups.list();
        lists.push_back(msSince(t));
        if (!taken || !deleted || !restored || listed.size() != CatalogueBackups::kept) {
            QTextStream(stderr) << "reelshelf-backupbench: " << error << '\n';
            return 1;
        }
        out << u"run %1: backup %2 ms, delete one movie %3 ms, restore %4 ms, list %5 ms\n"_s.arg(run + 1)
                   .arg(takes.back(), 0, 'f', 1)
                   .arg(deletes.back(), 0, 'f', 1)
                   .arg(restores.back(), 0, 'f', 1)
                   .arg(lists.back(), 0, 'f', 1);
    }
    out << u"median of %1: backup %2 ms, delete one movie %3 ms, restore %4 ms, list %5 ms\n"_s.arg(runs)
               .arg(median(takes), 0, 'f', 1)
               .arg(median(deletes), 0, 'f', 1)
               .arg(median(restores), 0, 'f', 1)
               .arg(median(lists), 0, 'f', 1);
    return 0;
}
