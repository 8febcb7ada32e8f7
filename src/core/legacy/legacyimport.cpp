#include "legacyimport.h"

#include "store/backups.h"
#include "store/discnumbers.h"
#include "store/textrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSet>

namespace LegacyImport {

namespace {

const QString discTable = QStringLiteral("DiskState");
const QString movieTable = QStringLiteral("ReelShelfIndex");
const QString fileTypeTable = QStringLiteral("MovieFileType");
const QStringList discFields = { "DiskNum", "Name", "DiskType", "Station", "PS", "Fav" };
const QStringList fileTypeFields = { "Filetype", "Selected", "Memo" };

QStringList movieFields()
{
    QStringList names;
    for (int i = 0; i < MovieFieldCount; ++i)
        names.append(movieFieldName(MovieField(i)));
    return names;
}

bool isRealField(const QString& table, const QString& field)
{
    static const QStringList real = { "ID", "Lastfor", "DiskNum", "Score" };
    return table == movieTable && real.contains(field);
}

// A value in the form our column keeps it. Texts stay exactly as they were, even in a number
// column (the readers take their numeric reading); numbers in a text column get their shortest
// decimal form; a Yes/No column of Access gets the marks our readers compare with.
QVariant columnValue(const QVariant& value, const QString& table, const QString& field)
{
    if (!value.isValid() || value.isNull())
        return {};
    const bool real = isRealField(table, field);
    switch (value.typeId()) {
    case QMetaType::QString:
        return value;
    case QMetaType::Bool:
        if (real)
            return value.toBool() ? -1.0 : 0.0; // Access's own value of True
        if (field == QLatin1String("Seen"))
            return value.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
        return value.toBool() ? QStringLiteral("Yes") : QStringLiteral("No");
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case QMetaType::QByteArray:
        return QString::fromUtf8(value.toByteArray());
    default:
        return real ? QVariant(value.toDouble()) : QVariant(TextRules::shortestDecimal(value.toDouble()));
    }
}

struct Mapped
{
    QList<QList<QVariant>> rows; // our fields, in our order
};

// The source's columns for our fields, found by name as Access finds them (any letter case).
std::optional<Mapped> mapTable(LegacySource& source, const QString& actualName, const QString& table,
    const QStringList& fields, QStringList& problems, QString* error)
{
    const std::optional<LegacyTable> read = source.readTable(actualName, error);
    if (!read)
        return std::nullopt;
    QList<qsizetype> index;
    QStringList missing;
    for (const QString& field : fields) {
        qsizetype found = -1;
        for (qsizetype c = 0; c < read->columns.size() && found < 0; ++c)
            if (read->columns.at(c).compare(field, Qt::CaseInsensitive) == 0)
                found = c;
        if (found < 0)
            missing.append(field);
        index.append(found);
    }
    if (!missing.isEmpty()) {
        problems.append(
            QStringLiteral("表 %1 中缺少字段：%2。").arg(table, missing.join(QStringLiteral("、"))));
        return Mapped {};
    }
    Mapped mapped;
    mapped.rows.reserve(read->rows.size());
    for (const QVariantList& row : read->rows) {
        QList<QVariant> values;
        for (qsizetype f = 0; f < fields.size(); ++f)
            values.append(columnValue(row.value(index.at(f)), table, fields.at(f)));
        mapped.rows.append(values);
    }
    return mapped;
}

QString sourceName(const QStringList& names, const QString& wanted)
{
    for (const QString& name : names)
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return name;
    return {};
}

QSet<QString> discNumbers(const QList<DiscRecord>& discs)
{
    QSet<QString> numbers;
    for (const DiscRecord& d : discs)
        if (const QString n = DiscNumbers::numberOf(d.diskNum); !n.isEmpty())
            numbers.insert(n);
    return numbers;
}

// A movie that would show under one of our discs is not added: its disc was left out, or it
// never had one in the file.
bool showsUnder(const QSet<QString>& ours, const MovieRecord& m)
{
    const QString shown = TextRules::displayText(m[MovieField::DiskNum]);
    QByteArray buffer;
    return !shown.isNull() && ours.contains(shown)
        && DiscNumbers::holdsMovie(shown, storedValue(m[MovieField::DiskNum], buffer));
}

// The numbers of the file's movies that adding to the catalogue as it is now would store, in the
// file's order, empty for the others: their pictures are copied before the rows are stored.
std::optional<QStringList> moviesToAdd(
    const CatalogueContents& source, const Catalogue& catalogue, QString* error)
{
    const auto discs = catalogue.discs(error);
    if (!discs)
        return std::nullopt;
    const QSet<QString> ours = discNumbers(*discs);
    QStringList ids;
    for (const MovieRecord& m : source.movies)
        ids.append(showsUnder(ours, m) ? QString() : TextRules::displayText(m[MovieField::ID]));
    return ids;
}

} // namespace

std::optional<CatalogueContents> readContents(LegacySource& source, QString* error)
{
    const QStringList names = source.tableNames();
    QStringList problems;
    QStringList missingTables;
    for (const QString& table : { discTable, movieTable, fileTypeTable })
        if (sourceName(names, table).isEmpty())
            missingTables.append(table);
    if (!missingTables.isEmpty())
        problems.append(QStringLiteral("缺少表：%1。").arg(missingTables.join(QStringLiteral("、"))));

    CatalogueContents contents;
    const auto read = [&](const QString& table, const QStringList& fields) -> std::optional<Mapped> {
        const QString actual = sourceName(names, table);
        if (actual.isEmpty())
            return Mapped {};
        return mapTable(source, actual, table, fields, problems, error);
    };
    const std::optional<Mapped> discs = read(discTable, discFields);
    if (!discs)
        return std::nullopt;
    const std::optional<Mapped> movies = read(movieTable, movieFields());
    if (!movies)
        return std::nullopt;
    const std::optional<Mapped> types = read(fileTypeTable, fileTypeFields);
    if (!types)
        return std::nullopt;
    if (!problems.isEmpty()) {
        if (error)
            *error = source.location().isEmpty()
                ? QStringLiteral("旧版数据库不完整，没有导入任何内容：\n%1").arg(problems.join(u'\n'))
                : QStringLiteral("旧版数据库 %1 不完整，没有导入任何内容：\n%2")
                      .arg(QDir::toNativeSeparators(source.location()), problems.join(u'\n'));
        return std::nullopt;
    }
    for (const QList<QVariant>& r : discs->rows)
        contents.discs.append({ r[0], r[1], r[2], r[3], r[4], r[5] });
    for (const QList<QVariant>& r : movies->rows) {
        MovieRecord m;
        for (int i = 0; i < MovieFieldCount; ++i)
            m.values[size_t(i)] = r[i];
        contents.movies.append(m);
    }
    for (const QList<QVariant>& r : types->rows)
        contents.fileTypes.append({ r[0], r[1], r[2], 0 });
    return contents;
}

CatalogueContents planAdd(
    const CatalogueContents& source, const StoredSummary& stored, Report& report, QList<AddedMovie>& added)
{
    CatalogueContents out;
    const QSet<QString> ours = discNumbers(stored.discs);
    for (const DiscRecord& d : source.discs) {
        const QString n = DiscNumbers::numberOf(d.diskNum);
        if (!n.isEmpty() && ours.contains(n)) {
            if (!report.skippedDiscs.contains(n))
                report.skippedDiscs.append(n);
            continue;
        }
        out.discs.append(d);
    }
    double next = stored.nextMovieId;
    for (qsizetype i = 0; i < source.movies.size(); ++i) {
        const MovieRecord& m = source.movies.at(i);
        if (showsUnder(ours, m)) {
            ++report.skippedMovies;
            continue;
        }
        MovieRecord movie = m;
        movie[MovieField::ID] = next;
        added.append({ i, TextRules::displayText(m[MovieField::ID]), TextRules::shortestDecimal(next) });
        next += 1;
        out.movies.append(movie);
    }
    // A file type we know already keeps our row and its mark; suffixes match in any letter case.
    QSet<QString> known;
    for (const FileTypeRecord& t : stored.fileTypes)
        known.insert(TextRules::trimBlanks(t.filetype.toString()).toLower());
    for (const FileTypeRecord& t : source.fileTypes) {
        const QString key = TextRules::trimBlanks(t.filetype.toString()).toLower();
        if (known.contains(key))
            continue;
        known.insert(key);
        out.fileTypes.append(t);
    }
    report.discs = out.discs.size();
    report.movies = out.movies.size();
    report.fileTypes = out.fileTypes.size();
    return out;
}

std::optional<Report> importInto(const DataFolder& folder, LegacySource& source, Mode mode,
    const QString& sourceFolder, const QDateTime& now, QString* error,
    const std::function<bool(QString* error)>& beforeWriting)
{
    const std::optional<CatalogueContents> contents = readContents(source, error);
    if (!contents)
        return std::nullopt;
    if (beforeWriting && !beforeWriting(error))
        return std::nullopt;
    Catalogue catalogue(folder.catalogueFile());
    if (!catalogue.prepare(error))
        return std::nullopt;
    // The pictures are copied aside first and recorded with the rows, so that they come with them.
    LegacyPictures pictures(folder, sourceFolder, now);
    const auto recordPictures = [&](QSqlDatabase& db, QString* message) {
        return pictures.record(db, catalogue.filePath(), message);
    };
    Report report;
    if (mode == Mode::Replace) {
        // The copy is taken under the write lock, so that it holds whatever another program
        // stored while the pictures were being staged.
        const auto backup = [&](QString* message) {
            // A refusal of the pictures spends no backup.
            if (!pictures.canKeepAside(message))
                return false;
            QString backupError;
            if (CatalogueBackups(folder).take(now, &backupError))
                return true;
            if (message)
                *message
                    = QStringLiteral("替换目录前未能备份当前目录，没有做任何改动。\n%1").arg(backupError);
            return false;
        };
        QStringList ids;
        for (const MovieRecord& m : contents->movies)
            ids.append(TextRules::displayText(m[MovieField::ID]));
        if (!pictures.stageReplacing(ids, error)
            || !catalogue.replaceContents(*contents, error, recordPictures, backup))
            return std::nullopt;
        report.discs = contents->discs.size();
        report.movies = contents->movies.size();
        report.fileTypes = contents->fileTypes.size();
    } else {
        const std::optional<QStringList> wanted = moviesToAdd(*contents, catalogue, error);
        if (!wanted || !pictures.stageAdding(*wanted, error))
            return std::nullopt;
        QList<AddedMovie> added;
        const bool stored = catalogue.addContents(
            [&](const StoredSummary& stored) {
                report = Report {};
                added.clear();
                return planAdd(*contents, stored, report, added);
            },
            error,
            [&](QSqlDatabase& db, QString* message) {
                return pictures.planAdded(added, message) && recordPictures(db, message);
            });
        if (!stored)
            return std::nullopt;
    }
    report.warnings = pictures.install();
    return report;
}

std::optional<Report> importFile(const DataFolder& folder, const QString& mdbPath, Mode mode,
    const QDateTime& now, QString* error, const Control& control)
{
    const auto reader
        = MdbReadProcess::read(mdbPath, { discTable, movieTable, fileTypeTable }, control.reading, error);
    if (!reader)
        return std::nullopt;
    const auto beforeWriting = [&](QString* message) {
        if (control.reading.stop && control.reading.stop->load()) {
            if (message)
                *message = MdbReadProcess::stoppedMessage(mdbPath);
            return false;
        }
        if (control.writing)
            control.writing();
        return true;
    };
    return importInto(folder, *reader, mode, QFileInfo(mdbPath).absolutePath(), now, error, beforeWriting);
}

bool wantsFirstImport(const DataFolder& folder)
{
    return !QFileInfo::exists(folder.catalogueFile())
        && QFileInfo(folder.path() + u'/' + legacyFileName()).isFile();
}

namespace {

// Builds the catalogue aside and renames it into place: a failure leaves no half catalogue to be
// taken for ours, and a catalogue another start made is never replaced.
std::optional<Report> buildFromOld(const DataFolder& folder, LegacySource& source, QString* error)
{
    const std::optional<CatalogueContents> contents = readContents(source, error);
    if (!contents)
        return std::nullopt;
    const QString building = folder.catalogueFile() + QStringLiteral(".importing");
    // A start killed while building leaves its file and perhaps its journal, which SQLite would
    // otherwise play back into the new file.
    const auto removeBuilding = [&building] {
        for (const char* tail : { "", "-journal", "-wal", "-shm" })
            QFile::remove(building + QLatin1String(tail));
    };
    removeBuilding();
    Catalogue fresh(building);
    const bool built = fresh.prepare(error) && fresh.replaceContents(*contents, error);
    if (!built || !QFile::rename(building, folder.catalogueFile())) {
        if (built && error)
            *error = QStringLiteral("无法创建目录数据库 %1。")
                         .arg(QDir::toNativeSeparators(folder.catalogueFile()));
        removeBuilding();
        return std::nullopt;
    }
    Report report;
    report.discs = contents->discs.size();
    report.movies = contents->movies.size();
    report.fileTypes = contents->fileTypes.size();
    return report;
}

// Two starts on one folder must not both import: the first takes this lock, the other waits for
// it and then finds the catalogue made. A start that was killed leaves a lock naming a process
// that is gone, which the next start takes over.
std::optional<Report> firstStartInTurn(const DataFolder& folder, QString* error, const Control& control,
    const std::function<std::optional<Report>(QString*)>& import)
{
    QLockFile lock(folder.catalogueFile() + QStringLiteral(".importing.lock"));
    // An import of a large file takes a while; only a lock of a process that is gone is stale.
    lock.setStaleLockTime(0);
    bool told = false;
    while (!lock.tryLock(200)) {
        if (lock.error() != QLockFile::LockFailedError) {
            if (error)
                *error = QStringLiteral("无法在数据文件夹 %1 中创建文件，请检查该文件夹是否可写。")
                             .arg(QDir::toNativeSeparators(folder.path()));
            return std::nullopt;
        }
        if (control.reading.stop && control.reading.stop->load()) {
            if (error)
                *error = MdbReadProcess::stoppedMessage(folder.path() + u'/' + legacyFileName());
            return std::nullopt;
        }
        if (!told && control.waiting)
            control.waiting();
        told = true;
    }
    if (QFileInfo::exists(folder.catalogueFile())) {
        Report report;
        report.importedElsewhere = true;
        return report;
    }
    return import(error);
}

} // namespace

std::optional<Report> importOnFirstStart(const DataFolder& folder, QString* error, const Control& control)
{
    return firstStartInTurn(folder, error, control, [&](QString* message) -> std::optional<Report> {
        const auto reader = MdbReadProcess::read(folder.path() + u'/' + legacyFileName(),
            { discTable, movieTable, fileTypeTable }, control.reading, message);
        if (!reader)
            return std::nullopt;
        return buildFromOld(folder, *reader, message);
    });
}

std::optional<Report> importOnFirstStart(
    const DataFolder& folder, LegacySource& source, QString* error, const Control& control)
{
    return firstStartInTurn(
        folder, error, control, [&](QString* message) { return buildFromOld(folder, source, message); });
}

Notice reportNotice(const Report& report)
{
    Notice notice;
    notice.text
        = QStringLiteral("已从旧版数据库导入 %1 张光盘、%2 部影片。").arg(report.discs).arg(report.movies);
    if (!report.skippedDiscs.isEmpty())
        notice.text += QStringLiteral("\n目录中已有光盘号 %1，这些光盘及其中的 %2 部影片没有导入。")
                           .arg(report.skippedDiscs.join(QStringLiteral("、")))
                           .arg(report.skippedMovies);
    if (!report.warnings.isEmpty())
        notice.text += QStringLiteral("\n有 %1 个文件未能复制：").arg(report.warnings.size());
    notice.details = report.warnings;
    return notice;
}

QString reportText(const Report& report)
{
    const Notice notice = reportNotice(report);
    return notice.details.isEmpty() ? notice.text : notice.text + u'\n' + notice.details.join(u'\n');
}

} // namespace LegacyImport
