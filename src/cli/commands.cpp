#include "commands.h"

#include "browse/disctree.h"
#include "browse/movielisting.h"
#include "export/catalogueexport.h"
#include "jsonline.h"
#include "scan/drives.h"
#include "scan/drivesearch.h"
#include "scan/scantexts.h"
#include "scan/wizardcommit.h"
#include "search/moviesearch.h"
#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/discnumbers.h"
#include "store/settings.h"
#include "store/textrules.h"
#include "texttable.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTextStream>
#include <optional>

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

// Reads "--key VALUE" or "--key=VALUE" at args[i] into `value`; a key given twice is bad usage.
enum class Taken { OtherWord, Value, Bad };
Taken takeValue(const QStringList& args, qsizetype& i, const QString& key, std::optional<QString>& value)
{
    const QString& a = args.at(i);
    QString found;
    if (a == key) {
        if (i + 1 >= args.size())
            return Taken::Bad;
        found = args.at(++i);
    } else if (a.startsWith(key + u'=')) {
        found = a.mid(key.size() + 1);
    } else {
        return Taken::OtherWord;
    }
    if (value)
        return Taken::Bad;
    value = found;
    return Taken::Value;
}

struct AddDiscOptions
{
    std::optional<QString> number;
    std::optional<QString> name;
    std::optional<QString> kind;
    std::optional<QString> root;
    bool json = false;
    bool facts = true;
};

bool parseAddDisc(const QStringList& args, AddDiscOptions& o)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        bool taken = false;
        for (auto [key, value] : { std::pair { QStringLiteral("--number"), &o.number },
                 std::pair { QStringLiteral("--name"), &o.name },
                 std::pair { QStringLiteral("--kind"), &o.kind } }) {
            const Taken t = takeValue(args, i, key, *value);
            if (t == Taken::Bad)
                return false;
            taken = t == Taken::Value;
            if (taken)
                break;
        }
        if (taken)
            continue;
        if (a == QStringLiteral("--json"))
            o.json = true;
        else if (a == QStringLiteral("--no-facts"))
            o.facts = false;
        else if (a == QStringLiteral("--") && i + 1 < args.size() && !o.root)
            o.root = args.at(++i);
        else if (!a.startsWith(u"--") && !o.root)
            o.root = a;
        else
            return false;
    }
    return o.number && o.root;
}

// The folders a search could not read, one a line after the count the result text gave.
void printUnreadableFolders(const DriveSearch& search, CliIo& io)
{
    for (const QString& folder : search.unreadableFolders)
        io.err << "  " << QDir::toNativeSeparators(folder) << '\n';
    if (search.foldersUnreadable > search.unreadableFolders.size())
        io.err << "  ……\n";
}

// The movie rows as JSON Lines with the list's column keys, or as a readable table.
void printMovieRows(const QList<MovieRow>& rows, bool json, CliIo& io)
{
    const auto& columns = listColumns();
    if (json) {
        JsonLinesWriter writer(io.out);
        for (const MovieRow& row : rows) {
            writer.beginObject();
            for (size_t c = 0; c < size_t(ListColumnCount); ++c)
                writer.member(columns[c].key, row.view(c));
            writer.endObject();
        }
        return;
    }
    // The columns a reader wants on a terminal; --json carries all twenty.
    const int shown[] = { ListCol::ID, ListCol::DiskNum, ListCol::MovieName, ListCol::Year, ListCol::FileType,
        ListCol::Type, ListCol::Lastfor, ListCol::Score, ListCol::Seen };
    QStringList headers;
    for (int c : shown)
        headers << (c == ListCol::ID ? QStringLiteral("编号")
                                     : QString::fromUtf16(columns[size_t(c)].header));
    TextTable table(headers);
    for (const MovieRow& row : rows) {
        QStringList cells;
        for (int c : shown)
            cells << row[size_t(c)];
        table.addRow(cells);
    }
    table.print(io.out);
}

// Reads the one criterion of a search and "--json"; false on anything else.
bool parseSearch(const QStringList& args, SearchQuery& query, bool& json)
{
    bool haveCriterion = false;
    bool exact = false;
    const std::pair<const char*, SearchKind> textOptions[]
        = { { "--title", SearchKind::Title }, { "--year", SearchKind::Year },
              { "--genre", SearchKind::Genre }, { "--format", SearchKind::Format } };
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        bool known = false;
        if (a == QStringLiteral("--json")) {
            json = true;
            known = true;
        } else if (a == QStringLiteral("--exact") && !exact) {
            exact = true;
            known = true;
        } else if ((a == QStringLiteral("--seen") || a == QStringLiteral("--unseen")) && !haveCriterion) {
            query.kind = SearchKind::Seen;
            query.seen = a == QStringLiteral("--seen");
            haveCriterion = known = true;
        }
        for (const auto& [option, kind] : textOptions) {
            if (known || haveCriterion)
                break;
            const QString name = QString::fromLatin1(option);
            if (a == name && i + 1 < args.size()) {
                query.text = args.at(++i);
            } else if (a.startsWith(name + u'=')) {
                query.text = a.mid(name.size() + 1);
            } else {
                continue;
            }
            query.kind = kind;
            haveCriterion = known = true;
        }
        if (!known)
            return false;
    }
    query.exact = exact;
    return haveCriterion && (!exact || query.kind == SearchKind::Title);
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
    printMovieRows(listing->rows, options.json, io);
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
    printUnreadableFolders(search, io);
    return ExitOk;
}

int AddDiscCommand::run(const QStringList& args, const DataFolder& folder, CliIo& io) const
{
    AddDiscOptions options;
    if (!parseAddDisc(args, options))
        return usageError(*this, io);
    const WizardCommit::Disc disc { *options.number, options.name.value_or(QString()),
        options.kind.value_or(QStringLiteral("DVD")), *options.root };
    Catalogue catalogue(folder.catalogueFile());
    // A missing or taken number is refused before a whole disc is searched; the checks that need
    // the prepared rows follow the search, in the wizard's order.
    if (const auto problem = WizardCommit::problemWith(catalogue, disc, 0);
        problem && *problem != WizardCommit::emptyListMessage) {
        io.err << *problem << '\n';
        return ExitFailed;
    }
    QString error;
    const auto request = ScanRequest::load(folder, disc.drive, &error);
    if (!request) {
        io.err << error << '\n';
        return ExitFailed;
    }
    const DriveSearch search = searchDrive(*request);
    if (search.rootFailed()) {
        io.err << search.problem << '\n';
        return ExitFailed;
    }
    io.err << search.resultText() << '\n';
    printUnreadableFolders(search, io);
    QList<WizardCommit::PreparedRow> rows;
    rows.reserve(search.rows.size());
    for (const CandidateRow& candidate : search.rows)
        rows.append(WizardCommit::preparedRow(candidate));

    const Settings settings(folder.settingsFile());
    WizardCommit::Options commitOptions;
    commitOptions.readFacts = options.facts;
    const WizardCommit::Result result = WizardCommit::commit(catalogue, folder,
        settings.text(Settings::mainSection(), QStringLiteral("MagicSelect4V")), disc, rows, {},
        commitOptions);
    if (!result.stored) {
        io.err << result.error << '\n';
        return ExitFailed;
    }
    QList<MovieRow> stored;
    stored.reserve(result.movies.size());
    for (const MovieRecord& movie : result.movies)
        stored.append(movieRow(movie, false));
    printMovieRows(stored, options.json, io);
    for (const QString& warning : result.warnings)
        io.err << warning << '\n';
    io.err << MovieList::statusForDisc(DiscNumbers::check(disc.number).number, stored.size()) << '\n';
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

int SearchCommand::run(const QStringList& args, const DataFolder& folder, CliIo& io) const
{
    SearchQuery query;
    bool json = false;
    if (!parseSearch(args, query, json))
        return usageError(*this, io);
    QString error;
    const auto outcome = MovieSearch::searchMovie(Catalogue(folder.catalogueFile()), query, &error);
    if (!outcome) {
        io.err << error << '\n';
        return ExitFailed;
    }
    if (outcome->emptyTable)
        io.err << MovieSearch::emptyMessage << '\n';
    printMovieRows(outcome->rows, json, io);
    if (!outcome->status.isEmpty())
        io.err << outcome->status << '\n';
    return ExitOk;
}
