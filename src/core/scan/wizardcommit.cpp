#include "wizardcommit.h"

#include "candidates.h"
#include "commitmedia.h"
#include "filenames.h"
#include "intro/descriptionfile.h"
#include "intro/introparser.h"
#include "largestfile.h"
#include "media/mediafields.h"
#include "media/mediumidentity.h"
#include "movies/posterfile.h"
#include "store/backups.h"
#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/discnumbers.h"
#include "store/newdisc.h"
#include "store/posterinstall.h"
#include "store/textrules.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <memory>
#include <sys/statvfs.h>
#include <unistd.h>

namespace WizardCommit {

namespace {

const QString pictures = QStringLiteral("*.jpg");
const QString texts = QStringLiteral("*.txt");

QByteArray rawFolderOf(const PreparedRow& row)
{
    return row.rawFolder.isEmpty() ? QFile::encodeName(row.folder) : row.rawFolder;
}

// The lines of the commit's warnings: each file once, however many movies met it.
class Warnings
{
public:
    void add(const QString& line)
    {
        if (!seen_.contains(line)) {
            seen_.insert(line);
            lines_.append(line);
        }
    }
    QStringList lines() const { return lines_; }

private:
    QSet<QString> seen_;
    QStringList lines_;
};

// What the commit reads beside the movie files, each folder listed once and each refused file
// tried once, so that a folder of thousands of movies costs no more than its files.
class Beside
{
public:
    const FilesBeside& files(const PreparedRow& row, const QString& pattern)
    {
        const QByteArray raw = rawFolderOf(row);
        auto& cache = pattern == pictures ? pictures_ : texts_;
        auto it = cache.find(raw);
        if (it == cache.end())
            it = cache.insert(raw, std::make_shared<FilesBeside>(raw, row.folder, pattern));
        return **it;
    }

    // The description of the row: the text named after the movie, else the largest, passing over
    // (and naming) each text the reader refuses. Nothing when no text can be read.
    std::optional<Intro::DescriptionFile> description(const PreparedRow& row, Warnings& warnings)
    {
        const FilesBeside& found = files(row, texts);
        const BesideFile* named = found.namedAfter(ownBaseNames(row));
        if (named) {
            if (auto file = read(*named, warnings))
                return file;
        }
        for (const BesideFile& f : found.bySize()) {
            if (&f == named)
                continue;
            if (auto file = read(f, warnings))
                return file;
        }
        return std::nullopt;
    }

    // The picture of the row, by the same rule: the one named after the movie, else the largest,
    // passing over (and naming) each file that is no picture. Nothing when none can be used.
    const BesideFile* picture(const PreparedRow& row, Warnings& warnings)
    {
        const FilesBeside& found = files(row, pictures);
        const BesideFile* named = found.namedAfter(ownBaseNames(row));
        if (named && isPicture(*named, warnings))
            return named;
        for (const BesideFile& f : found.bySize())
            if (&f != named && isPicture(f, warnings))
                return &f;
        return nullptr;
    }

private:
    bool isPicture(const BesideFile& f, Warnings& warnings)
    {
        if (refused_.contains(f.rawPath))
            return false;
        const RawPathFile source(f.rawPath, f.path);
        if (const auto problem = PosterFile::problemWith(source.path())) {
            refused_.insert(f.rawPath);
            warnings.add(source.named(*problem));
            return false;
        }
        return true;
    }

    std::optional<Intro::DescriptionFile> read(const BesideFile& f, Warnings& warnings)
    {
        if (refused_.contains(f.rawPath))
            return std::nullopt;
        if (lastPath_ == f.rawPath)
            return last_;
        const RawPathFile file(f.rawPath, f.path);
        Intro::DescriptionFile text = Intro::readDescriptionFile(file.path());
        if (!text.ok()) {
            refused_.insert(f.rawPath);
            warnings.add(file.named(text.error));
            return std::nullopt;
        }
        // Movies of one folder often share one text; keep the last one read.
        lastPath_ = f.rawPath;
        last_ = text;
        return text;
    }

    QHash<QByteArray, std::shared_ptr<FilesBeside>> pictures_;
    QHash<QByteArray, std::shared_ptr<FilesBeside>> texts_;
    QSet<QByteArray> refused_;
    QByteArray lastPath_;
    Intro::DescriptionFile last_;
};

void fillFromDescription(MovieRecord& movie, const Intro::DescriptionFile& file, Intro::Mode mode)
{
    if (mode == Intro::Mode::WholeText) {
        movie[MovieField::PS] = Intro::wholeText(file.lines);
        return;
    }
    const Intro::IntroResult parsed = Intro::parseIntroText(file.lines, Intro::wizardRules());
    for (auto it = parsed.fields.cbegin(); it != parsed.fields.cend(); ++it) {
        const MovieField field = it.key();
        if (field == MovieField::Score || field == MovieField::Lastfor) {
            const double number = TextRules::numericValue(it.value());
            // Ten stars show a score: one outside 0 to 10 is not stored.
            if (field == MovieField::Score && (number < 0 || number > 10))
                continue;
            movie[field] = number;
        } else {
            movie[field] = it.value();
        }
    }
}

MovieRecord movieFor(
    const PreparedRow& row, const Disc& disc, Intro::Mode mode, Beside& beside, Warnings& warnings)
{
    MovieRecord movie;
    if (mode != Intro::Mode::Nothing) {
        if (const auto file = beside.description(row, warnings))
            fillFromDescription(movie, *file, mode);
    }
    movie[MovieField::DiskNum] = TextRules::numericValue(disc.number);
    const qsizetype dot = row.name.lastIndexOf(u'.');
    movie[MovieField::MovieName]
        = dot < 0 ? row.name : TextRules::removeSeparators(row.name, { u'.' + row.name.mid(dot + 1) });
    movie[MovieField::MovieSize] = movieSizeText(row.sizeText);
    movie[MovieField::Filetype] = row.extension;
    return movie;
}

// Where a picture that looked like one could not be copied to: a full disk or a posters folder
// that cannot be written would fail every poster, and is the user's to mend before the disc is
// added; otherwise the picture itself could not be read to its end.
struct CopyFailure
{
    bool ours = false; // the posters folder is at fault
    QString message;
};

CopyFailure copyFailure(const QString& shownSource, const QString& postersDir, qint64 size)
{
    const QByteArray raw = QFile::encodeName(postersDir);
    struct statvfs fs = {};
    QString cause;
    if (::statvfs(raw.constData(), &fs) == 0 && qint64(fs.f_bavail) * qint64(fs.f_frsize) < size + 65536)
        cause = QStringLiteral("磁盘已满");
    else if (::access(raw.constData(), W_OK) != 0)
        cause = QStringLiteral("海报文件夹不可写");
    const QString source = QDir::toNativeSeparators(shownSource);
    if (cause.isEmpty())
        return { false, QStringLiteral("无法读取海报图片 %1（读取出错），这部影片没有海报。").arg(source) };
    return { true,
        QStringLiteral(
            "无法把海报图片 %1 复制到海报文件夹 %2（%3），没有添加任何光盘或影片。请处理后重新添加。")
            .arg(source, QDir::toNativeSeparators(postersDir), cause) };
}

// Copies the picture beside the row into the staging folder under the row's index: the entry
// name of the staged copy, or empty when there is none (a picture that cannot be used goes to
// the warnings). False when no poster can be written at all (`error` says why).
bool stagePoster(const PreparedRow& row, qsizetype index, const PosterInstall::Staging& staging,
    Beside& beside, Warnings& warnings, QString* staged, QString* error)
{
    staged->clear();
    const BesideFile* picture = beside.picture(row, warnings);
    if (!picture)
        return true;
    const RawPathFile source(picture->rawPath, picture->path);
    const QString key = QString::number(index);
    QString installError;
    if (!PosterFile::install(staging.target(), key, source.path(), &installError)) {
        const CopyFailure failure = copyFailure(picture->path, staging.postersDir(), picture->size);
        if (failure.ours) {
            *error = failure.message;
            return false;
        }
        warnings.add(failure.message);
        return true;
    }
    *staged = PosterInstall::Staging::stagedNameFor(key);
    return true;
}

// The poster entry of a stored row: a poster a deleted movie left under the new number is kept
// aside in `keepIn`, never shown with the new movie nor lost, and the staged picture goes in its place.
PosterInstall::Entry posterEntry(const QString& staged, const QString& keepIn)
{
    PosterInstall::Entry entry(0, staged);
    entry.existing = PosterInstall::Existing::KeepAside;
    entry.keepIn = keepIn;
    return entry;
}

// Trims what is left around a name once its part mark is gone: blanks, dots, dashes, underscores.
QString trimJoints(const QString& name)
{
    const auto isJoint = [](QChar c) { return c == u' ' || c == u'.' || c == u'-' || c == u'_'; };
    qsizetype start = 0;
    qsizetype end = name.size();
    while (start < end && isJoint(name.at(start)))
        ++start;
    while (end > start && isJoint(name.at(end - 1)))
        --end;
    return name.mid(start, end - start);
}

} // namespace

QStringList ownBaseNames(const PreparedRow& row)
{
    const QString found = row.foundName.isEmpty() ? row.name : row.foundName;
    const qsizetype dot = found.lastIndexOf(u'.');
    const QString base = dot < 0 ? found : found.left(dot);
    QStringList names { base };
    const QString joined = trimJoints(NameCleaning::removePartMarks(base));
    if (!joined.isEmpty() && joined != base)
        names.append(joined);
    return names;
}

PreparedRow preparedRow(const CandidateRow& candidate)
{
    return { TextRules::trimBlanks(candidate.fileName), TextRules::trimBlanks(candidate.sizeText),
        candidate.folder, TextRules::trimBlanks(candidate.extension), candidate.foundName, candidate.rawName,
        candidate.rawFolder, candidate.parts };
}

std::optional<QString> problemWith(const Catalogue& catalogue, const Disc& disc, qsizetype preparedRows)
{
    const QString number = TextRules::trimBlanks(disc.number);
    if (number.isEmpty() || disc.drive.isEmpty())
        return missingInputMessage;
    QString error;
    const auto existing = catalogue.discs(&error);
    if (!existing)
        return error;
    for (const DiscRecord& d : *existing)
        if (DiscNumbers::numberOf(d.diskNum) == number && !d.diskNum.isNull())
            return DiscNumbers::takenMessage(number);
    if (preparedRows == 0)
        return emptyListMessage;
    // Movies point to the disc by its value: "012" or "abc" would store movies no disc lists.
    const DiscNumbers::Check check = DiscNumbers::check(disc.number);
    if (!check.ok())
        return check.error;
    return std::nullopt;
}

Result commit(Catalogue& catalogue, const DataFolder& folder, const QString& magicSelect4V, const Disc& disc,
    const QList<PreparedRow>& rows, const Progress& progress, const Options& options)
{
    Result result;
    if (const auto problem = problemWith(catalogue, disc, rows.size())) {
        result.error = *problem;
        return result;
    }
    DiscRecord record;
    record.diskNum = TextRules::trimBlanks(disc.number);
    record.diskType = TextRules::storedText(disc.kind);
    if (!disc.name.isEmpty())
        record.name = disc.name;

    const Intro::Mode mode = Intro::wizardRules().modeFor(magicSelect4V);
    PosterInstall::Staging staging(folder);
    if (!staging.ok()) {
        result.error = staging.error();
        return result;
    }
    const QString keepIn
        = CatalogueBackups::replacedFolderName(QDateTime::currentDateTime()) + QStringLiteral("/Posters");
    Warnings warnings;
    const CommitMedia::Gathered media = CommitMedia::gather(
        rows, disc.drive, options.readFacts, options.probeProgram, options.factsProgress);
    if (media.stopped) {
        result.error = cancelledMessage;
        return result;
    }
    for (const QString& line : media.warnings)
        warnings.add(line);
    Beside beside;
    QList<MovieRecord> movies;
    QList<PosterInstall::Entry> posters;
    movies.reserve(rows.size());
    posters.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (progress && !progress(int(i), int(rows.size()))) {
            result.error = cancelledMessage;
            return result;
        }
        const PreparedRow& row = rows.at(i);
        // A medium taken out after the search would store movies without what lies beside them.
        if (!beside.files(row, pictures).readable()) {
            result.error = folderGoneMessage(row.folder);
            return result;
        }
        movies.append(movieFor(row, disc, mode, beside, warnings));
        // What the description text left empty, the files' own facts fill.
        if (options.readFacts)
            MediaFields::fillEmpty(movies.last(), CommitMedia::factsOf(media.files.at(i)));
        QString staged;
        if (!stagePoster(row, i, staging, beside, warnings, &staged, &result.error))
            return result;
        posters.append(posterEntry(staged, keepIn));
    }
    NewDisc::Media remembered { media.files, MediumIdentity::describe(QFile::encodeName(disc.drive)) };
    const NewDisc::Outcome stored
        = NewDisc::store(catalogue.filePath(), record, movies, &staging, posters, remembered);
    if (!stored.stored()) {
        result.error = stored.error;
        return result;
    }
    result.stored = true;
    result.movies = movies;
    QStringList placed;
    staging.finish(posters, &placed);
    for (const QString& line : std::as_const(placed))
        warnings.add(line);
    result.warnings = warnings.lines();
    if (progress)
        progress(int(rows.size()), int(rows.size()));
    return result;
}

} // namespace WizardCommit
