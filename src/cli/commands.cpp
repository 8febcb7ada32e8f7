#include "commands.h"

#include "browse/disctree.h"
#include "browse/movielisting.h"
#include "export/catalogueexport.h"
#include "jsonline.h"
#include "scan/drives.h"
#include "scan/drivesearch.h"
#include "scan/scantexts.h"
#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/textrules.h"
#include "texttable.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTextStream>

namespace {

// Reads "--json" and "--name VALUE" options; false on anything else.
struct Options
{
    bool json = false;
    QString disc;
    bool hasDisc = false;
};

bool parseOptions(const QStringList& args, bool allowDisc, Options& options)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QStringLiteral("--json")) {
            options.json = true;
        } else if (allowDisc && a == QStringLiteral("--disc") && i + 1 < args.size() && !options.hasDisc) {
            options.disc = args.at(++i);
            options.hasDisc = true;
        } else if (allowDisc && a.startsWith(u"--disc=") && !options.hasDisc) {
            options.disc = a.mid(7);
            options.hasDisc = true;
        } else {
            return false;
        }
    }
    return true;
}

int usageError(const CliCommand& command, CliIo& io)
{
    io.err << "用法: reelshelf-cli [--home DIR] " << command.usage() << '\n';
    return ExitUsage;
}

} // namespace

int DiscsCommand::run(const QStringList& args, const DataFolder& folder, CliIo& io) const
{
    Options options;
    if (!parseOptions(args, false, options))
        return usageError(*this, io);
    QString error;
    const auto tree = DiscTree::load(Catalogue(folder.catalogueFile()), &error);
    if (!tree) {
        io.err << error << '\n';
        return ExitFailed;
    }
    if (tree->emptyTable)
        io.err << DiscTree::emptyMessage << '\n';
    TextTable table({ QStringLiteral("碟号"), QStringLiteral("名称"), QStringLiteral("种类"),
        QStringLiteral("状态"), QStringLiteral("收藏"), QStringLiteral("备注") });
    for (const DiscNode& n : tree->discs) {
        const DiscRecord& r = n.record;
        if (options.json) {
            JsonLine line;
            line.add(QStringLiteral("Key"), n.key)
                .add(QStringLiteral("Text"), n.text)
                .add(QStringLiteral("Icon"), n.icon)
                .addNullable(QStringLiteral("DiskNum"), r.diskNum)
                .addNullable(QStringLiteral("Name"), r.name)
                .addNullable(QStringLiteral("DiskType"), r.diskType)
                .addNullable(QStringLiteral("Station"), r.station)
                .addNullable(QStringLiteral("PS"), r.ps)
                .addNullable(QStringLiteral("Fav"), r.fav);
            io.out << line.toString() << '\n';
        } else {
            table.addRow({ n.discNumber, TextRules::displayText(r.name), TextRules::displayText(r.diskType),
                TextRules::displayText(r.station), TextRules::displayText(r.fav),
                TextRules::displayText(r.ps) });
        }
    }
    if (!options.json)
        table.print(io.out);
    return ExitOk;
}

int ListCommand::run(const QStringList& args, const DataFolder& folder, CliIo& io) const
{
    Options options;
    if (!parseOptions(args, true, options))
        return usageError(*this, io);
    const Catalogue catalogue(folder.catalogueFile());
    QString error;
    const auto tree = DiscTree::load(catalogue, &error);
    if (!tree) {
        io.err << error << '\n';
        return ExitFailed;
    }
    const QString key = options.hasDisc ? DiscTree::discPrefix + options.disc : DiscTree::allKey;
    const auto listing
        = MovieList::listForNode(catalogue, key, int(tree->discs.size()), tree->favouriteCount, &error);
    if (!listing) {
        io.err << error << '\n';
        return ExitFailed;
    }
    if (listing->emptyTable) {
        io.err << MovieList::emptyMessage << '\n';
        return ExitOk;
    }
    const auto& columns = listColumns();
    if (options.json) {
        for (const MovieRow& row : listing->rows) {
            JsonLine line;
            for (int c = 0; c < ListColumnCount; ++c)
                line.add(QString::fromUtf16(columns[size_t(c)].key), row[size_t(c)]);
            io.out << line.toString() << '\n';
        }
    } else {
        // The columns a reader wants on a terminal; --json carries all twenty.
        const int shown[] = { ListCol::ID, ListCol::DiskNum, ListCol::MovieName, ListCol::Year,
            ListCol::FileType, ListCol::Type, ListCol::Lastfor, ListCol::Score, ListCol::Seen };
        QStringList headers;
        for (int c : shown)
            headers << (c == ListCol::ID ? QStringLiteral("编号")
                                         : QString::fromUtf16(columns[size_t(c)].header));
        TextTable table(headers);
        for (const MovieRow& row : listing->rows) {
            QStringList cells;
            for (int c : shown)
                cells << row[size_t(c)];
            table.addRow(cells);
        }
        table.print(io.out);
    }
    if (listing->status)
        io.err << *listing->status << '\n';
    return ExitOk;
}

int ScanCommand::run(const QStringList& args, const DataFolder& folder, CliIo& io) const
{
    bool json = false;
    std::optional<QString> root;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QStringLiteral("--json")) {
            json = true;
        } else if (a == QStringLiteral("--") && i + 1 < args.size() && !root) {
            root = args.at(++i);
        } else if (!a.startsWith(u"--") && !root) {
            root = a;
        } else {
            return usageError(*this, io);
        }
    }
    if (!root)
        return usageError(*this, io);

    QString error;
    const auto request = ScanRequest::load(folder, *root, &error);
    if (!request) {
        io.err << error << '\n';
        return ExitFailed;
    }
    const VolumeInfo volume = showVolumeInfo(*root);
    if (volume.readError)
        io.err << ScanTexts::readError() << '\n';
    const DriveSearch search = searchDrive(*request);
    if (search.rootFailed()) {
        io.err << search.problem << '\n';
        return ExitFailed;
    }
    if (!json && !volume.readError)
        io.err << volume.labelText() << '\n' << volume.fileSystemText() << '\n';
    TextTable table({ QStringLiteral("文件名"), QStringLiteral("文件大小"), QStringLiteral("目录"),
        QStringLiteral("后缀名") });
    for (const CandidateRow& row : search.rows) {
        if (json) {
            JsonLine line;
            line.add(QStringLiteral("FileName"), row.fileName)
                .add(QStringLiteral("Size"), row.sizeText)
                .add(QStringLiteral("Folder"), row.folder)
                .add(QStringLiteral("Extension"), row.extension);
            io.out << line.toString() << '\n';
        } else {
            table.addRow({ row.fileName, row.sizeText, row.folder, row.extension });
        }
    }
    if (!json)
        table.print(io.out);
    io.err << search.resultText() << '\n';
    return ExitOk;
}

int ExportCommand::run(const QStringList& args, const DataFolder& folder, CliIo& io) const
{
    std::optional<CatalogueExport::Format> format;
    std::optional<QString> target;
    bool stamped = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if ((a == QStringLiteral("--txt") || a == QStringLiteral("--xls")) && !format) {
            format = a == QStringLiteral("--txt") ? CatalogueExport::Format::Text
                                                  : CatalogueExport::Format::Excel;
        } else if (a == QStringLiteral("--folder") && i + 1 < args.size() && !target) {
            target = args.at(++i);
        } else if (a.startsWith(u"--folder=") && !target) {
            target = a.mid(9);
        } else if (a == QStringLiteral("--stamped") && !stamped) {
            stamped = true;
        } else {
            return usageError(*this, io);
        }
    }
    if (!format || (target && target->isEmpty()))
        return usageError(*this, io);

    CatalogueExport::Request request;
    request.format = *format;
    request.overwrite = !stamped;
    if (target)
        request.folder = QFileInfo(*target).absoluteFilePath();
    const QDateTime now = QDateTime::currentDateTime();
    const auto result = CatalogueExport::run(
        folder, request, now, QLocale::system().toString(now.date(), QLocale::ShortFormat));
    if (!result.ok) {
        io.err << result.message << '\n';
        return ExitFailed;
    }
    io.out << QDir::toNativeSeparators(result.path) << '\n';
    io.err << result.message << '\n';
    return ExitOk;
}
