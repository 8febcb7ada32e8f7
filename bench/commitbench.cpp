// reelshelf-commitbench: times the import wizard's commit of many prepared rows.
//
//   reelshelf-commitbench [--rows 1000] [--runs 7] [--catalogue FILE] [--dir DIR]
//
// The rows come from the drive search of a tree of sparse movie files (ten per folder, no
// pictures, no texts), made once. Each run stores one new disc with all rows into a fresh data
// folder under DIR: an empty catalogue, or a copy of FILE (a catalogue made by reelshelf-gen).
// Only WizardCommit::commit is timed: the checks, the numbering, the description lookups, the one
// transaction and the poster lookups; making the folder and checking the result afterwards are not.

#include "benchsupport.h"
#include "scan/drivesearch.h"
#include "scan/wizardcommit.h"
#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/settings.h"
#include "store/textrules.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using Bench::median;

// Ten sparse movie files per folder, sizes from 350 MB to 1.4 GB.
bool makeTree(const QString& root, int files, QString* error)
{
    for (int i = 0; i < files; ++i) {
        const QString folder = u"%1/片库%2"_s.arg(root).arg(i / 10, 3, 10, QChar(u'0'));
        if (!QDir().mkpath(folder)) {
            *error = u"无法创建文件夹 %1"_s.arg(folder);
            return false;
        }
        QFile f(u"%1/电影.Movie.%2.avi"_s.arg(folder).arg(i, 4, 10, QChar(u'0')));
        if (!f.open(QIODevice::WriteOnly) || !f.resize((350 + qint64(i % 8) * 150) * 1048576)) {
            *error = u"无法写入 %1"_s.arg(f.fileName());
            return false;
        }
    }
    return true;
}

QList<WizardCommit::PreparedRow> preparedRows(const QString& root)
{
    ScanRequest request;
    request.root = root;
    request.fileTypes.append({ u"avi"_s, u"Yes"_s, QVariant() });
    request.switches.editByHand = false;
    request.switches.ridofCD = request.switches.ridofBbs = request.switches.ridofDot = true;
    QList<WizardCommit::PreparedRow> rows;
    for (const CandidateRow& c : searchDrive(request).rows)
        rows.append(WizardCommit::preparedRow(c));
    return rows;
}

// A number no disc of the catalogue carries yet.
QString freeDiscNumber(const Catalogue& catalogue)
{
    double highest = 0;
    for (const DiscRecord& d : catalogue.discs().value_or(QList<DiscRecord>()))
        highest = std::max(highest, TextRules::numericValue(d.diskNum.toString()));
    return TextRules::shortestDecimal(highest + 1);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({ u"rows"_s, u"预备列表的行数（默认 1000）"_s, u"N"_s, u"1000"_s });
    parser.addOption({ u"runs"_s, u"重复次数（默认 7）"_s, u"N"_s, u"7"_s });
    parser.addOption(
        { u"catalogue"_s, u"每次复制这个目录数据库（reelshelf-gen 生成）而不用空的"_s, u"FILE"_s });
    parser.addOption({ u"dir"_s, u"数据文件夹放在这里（默认临时文件夹）"_s, u"DIR"_s });
    parser.process(app);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int rowCount = parser.value(u"rows"_s).toInt();
    const int runs = parser.value(u"runs"_s).toInt();
    const QString source = parser.value(u"catalogue"_s);
    const QString base = parser.value(u"dir"_s);
    if (rowCount < 1 || runs < 1 || (!source.isEmpty() && !QFile::exists(source))) {
        err << parser.helpText();
        return 2;
    }
    const QString templ = (base.isEmpty() ? QDir::tempPath() : base) + u"/reelshelf-commitbench-XXXXXX"_s;

    QTemporaryDir tree(templ);
    QString error;
    if (!tree.isValid() || !makeTree(tree.path(), rowCount, &error)) {
        err << (error.isEmpty() ? u"无法创建临时文件夹"_s : error) << '\n';
        return 1;
    }
    const QList<WizardCommit::PreparedRow> rows = preparedRows(tree.path());
    if (rows.size() != rowCount) {
        err << "the search found " << rows.size() << " rows, not " << rowCount << '\n';
        return 1;
    }
    out << rowCount << " prepared rows in " << (rowCount + 9) / 10 << " folders; catalogue: "
        << (source.isEmpty() ? u"a fresh empty one"_s : u"a fresh copy of "_s + source) << Qt::endl;

    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir home(templ);
        const DataFolder folder(home.path());
        if (!installDefaults(folder, &error)
            || (!source.isEmpty() && !QFile::copy(source, folder.catalogueFile()))) {
            err << (error.isEmpty() ? u"无法复制 %1"_s.arg(source) : error) << '\n';
            return 1;
        }
        Catalogue catalogue(folder.catalogueFile());
        if (!catalogue.prepare(&error)) {
            err << error << '\n';
            return 1;
        }
        const qint64 before = catalogue.movieCount();
        const WizardCommit::Disc disc { freeDiscNumber(catalogue), u"基准"_s, u"DVD"_s, tree.path() };
        const QString magic
            = Settings(folder.settingsFile()).text(Settings::mainSection(), u"MagicSelect4V"_s);

        QElapsedTimer t;
        t.start();
        const WizardCommit::Result result = WizardCommit::commit(catalogue, folder, magic, disc, rows);
        ms.push_back(double(t.nsecsElapsed()) / 1e6);

        if (!result.stored || catalogue.movieCount() != before + rowCount) {
            err << "run " << i << ": not stored: " << result.error << '\n';
            return 1;
        }
        out << "run " << i + 1 << ": " << QString::number(ms.back(), 'f', 1) << " ms" << Qt::endl;
    }
    const double m = median(ms);
    out << "commit of " << rowCount << " rows, median of " << runs << " runs: " << QString::number(m, 'f', 1)
        << " ms (min " << QString::number(*std::min_element(ms.begin(), ms.end()), 'f', 1) << ", max "
        << QString::number(*std::max_element(ms.begin(), ms.end()), 'f', 1)
        << "); target < 2000 ms: " << (m < 2000 ? "met" : "NOT met") << Qt::endl;
    return 0;
}
