// reelshelf-importbench: times the import of an old catalogue of the generator's size.
//
//   reelshelf-importbench --home DIR [--runs 5]
//
// No tool here writes .mdb files, so the tables come from the catalogue in DIR (made by
// reelshelf-gen), read once into memory with the kinds of value the .mdb reader hands out. Each
// run imports them into a fresh, empty data folder: once replacing (after the backup), once
// adding (every movie renumbered, the posters of DIR copied under their new numbers). Timed: the
// mapping, the one transaction and the picture copies.

#include "benchsupport.h"
#include "legacy/legacyimport.h"
#include "store/catalogue.h"
#include "store/datafolder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <ctime>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using Bench::median;

class MemorySource final : public LegacySource
{
public:
    QMap<QString, LegacyTable> tables;
    QStringList tableNames() const override { return tables.keys(); }
    std::optional<LegacyTable> readTable(const QString& name, QString*) override
    {
        return tables.value(name);
    }
};

bool load(const QString& path, MemorySource& source, QString* error)
{
    const Catalogue catalogue(path);
    const auto discs = catalogue.discs(error);
    const auto types = catalogue.fileTypes(error);
    if (!discs || !types)
        return false;
    LegacyTable& d = source.tables[u"DiskState"_s];
    d.columns = { "DiskNum", "Name", "DiskType", "Station", "PS", "Fav" };
    for (const DiscRecord& r : *discs)
        d.rows.append({ r.diskNum, r.name, r.diskType, r.station, r.ps, r.fav });
    LegacyTable& t = source.tables[u"MovieFileType"_s];
    t.columns = { "Filetype", "Selected", "Memo" };
    for (const FileTypeRecord& r : *types)
        t.rows.append({ r.filetype, r.selected, r.memo });
    LegacyTable& m = source.tables[u"ReelShelfIndex"_s];
    for (int i = 0; i < MovieFieldCount; ++i)
        m.columns.append(movieFieldName(MovieField(i)));
    return catalogue.forEachMovie(
        [&](const MovieRecord& r) {
            m.rows.append(QVariantList(r.values.begin(), r.values.end()));
            return true;
        },
        error);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({ u"home"_s, u"data folder made by reelshelf-gen"_s, u"DIR"_s });
    parser.addOption({ u"runs"_s, u"repetitions"_s, u"N"_s, u"5"_s });
    parser.process(app);
    QTextStream out(stdout);
    const DataFolder home(parser.value(u"home"_s));
    const int runs = std::max(1, parser.value(u"runs"_s).toInt());
    MemorySource source;
    QString error;
    if (home.isEmpty() || !load(home.catalogueFile(), source, &error)) {
        out << "cannot read the catalogue: " << error << '\n';
        return 1;
    }
    out << "old catalogue in memory: " << source.tables[u"DiskState"_s].rows.size() << " discs, "
        << source.tables[u"ReelShelfIndex"_s].rows.size() << " movies\n";

    const QDateTime now = QDateTime::currentDateTime();
    for (const auto mode : { LegacyImport::Mode::Replace, LegacyImport::Mode::Add }) {
        std::vector<double> times;
        std::vector<double> cpu; // the machine may be shared: what this process itself spent
        for (int run = 0; run < runs; ++run) {
            QTemporaryDir dir;
            const DataFolder folder(dir.path());
            if (!installDefaults(folder, &error) || !Catalogue(folder.catalogueFile()).prepare(&error)) {
                out << error << '\n';
                return 1;
            }
            QElapsedTimer timer;
            timer.start();
            const std::clock_t cpuStart = std::clock();
            const auto report = LegacyImport::importInto(folder, source, mode, home.path(), now, &error);
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
            cpu.push_back(double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC);
            if (!report) {
                out << error << '\n';
                return 1;
            }
            if (run == 0)
                out << (mode == LegacyImport::Mode::Replace ? "replace" : "add") << ": " << report->discs
                    << " discs, " << report->movies << " movies, " << report->warnings.size()
                    << " warnings\n";
        }
        out << (mode == LegacyImport::Mode::Replace ? "replace" : "add") << " median of " << runs
            << " runs: " << QString::number(median(times), 'f', 0) << " ms, cpu "
            << QString::number(median(cpu), 'f', 0) << " ms\n";
        out.flush();
    }
    return 0;
}
