// File names as a disc holds them (bytes, UTF-8 or not) and their sizes, through the wizard's name
// cleaning, part merging and the prepared list: every file lands in exactly one row, a merged row
// holds the sum of its parts, and no name, however long, makes the work slow.
#include "fuzztarget.h"
#include "scan/candidates.h"
#include "scan/namecleaning.h"
#include "scan/wizardcommit.h"
#include "store/textrules.h"

#include <QHash>
#include <QList>
#include <cmath>

namespace {

// The whole list, however many names: well under what a user would notice.
constexpr qint64 slowestListNs = 50 * 1000 * 1000 * FuzzSupport::instrumentedSlowdown;

// Each file's folder names its place in the list, so that a row tells which file it came from.
QString folderOf(qsizetype index)
{
    return QStringLiteral("/媒体/光盘/%1").arg(index);
}

// A record: a byte whose low three bits say how many size bytes follow (little endian), then the
// name up to a NUL, which no file name holds.
QList<FoundFile> readFiles(FuzzSupport::Input& input)
{
    QList<FoundFile> files;
    while (!input.atEnd()) {
        const int sizeBytes = input.byte() & 7;
        qint64 size = 0;
        for (int i = 0; i < sizeBytes; ++i)
            size |= qint64(input.byte()) << (8 * i);
        FoundFile f;
        f.rawName = input.until('\0');
        // No file has an empty name.
        if (f.rawName.isEmpty())
            continue;
        f.name = TextRules::decodeFileName(f.rawName);
        f.folder = folderOf(files.size());
        f.rawFolder = f.folder.toUtf8();
        f.size = size;
        files.append(f);
    }
    return files;
}

qsizetype indexOfFolder(const QString& folder)
{
    bool ok = false;
    const qsizetype index = folder.sliced(folderOf(0).size() - 1).toLongLong(&ok);
    FUZZ_REQUIRE(ok);
    return index;
}

// Megabytes summed from kilobyte and megabyte texts, each rounded to a kilobyte once merged, and
// written with fifteen significant digits.
bool nearlyEqual(double merged, double sum)
{
    return std::fabs(merged - sum) <= 0.0005 + std::fabs(sum) * 1e-13;
}

void checkUnmerged(const QList<FoundFile>& files, const QList<CandidateRow>& rows, const ScanSwitches& s)
{
    FUZZ_REQUIRE(rows.size() == files.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        FUZZ_REQUIRE(rows[i].folder == files[i].folder);
        FUZZ_REQUIRE(rows[i].fileName == NameCleaning::cleanName(files[i].name, s));
        FUZZ_REQUIRE(rows[i].sizeText == sizeText(files[i].size));
    }
}

// Files whose cleaned names differ only by part marks make one row, the first of them, which
// holds their summed size; every other file is in no row.
void checkMerged(const QList<FoundFile>& files, const QList<CandidateRow>& rows, const ScanSwitches& s)
{
    QHash<QString, qsizetype> rowOfName;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        FUZZ_REQUIRE(!rowOfName.contains(rows[r].fileName));
        rowOfName.insert(rows[r].fileName, r);
    }
    QList<double> megabytes(rows.size(), 0.0);
    QList<int> parts(rows.size(), 0);
    qsizetype nextFirst = 0;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString joined = NameCleaning::removePartMarks(NameCleaning::cleanName(files[i].name, s));
        const auto it = rowOfName.constFind(joined);
        FUZZ_REQUIRE(it != rowOfName.cend());
        const qsizetype r = *it;
        if (parts[r] == 0) {
            // Rows keep the order of their first files.
            FUZZ_REQUIRE(r == nextFirst++);
            FUZZ_REQUIRE(indexOfFolder(rows[r].folder) == i);
        }
        ++parts[r];
        megabytes[r] += sizeInMegabytes(sizeText(files[i].size));
    }
    FUZZ_REQUIRE(nextFirst == rows.size());
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const FoundFile& first = files[indexOfFolder(rows[r].folder)];
        if (parts[r] == 1)
            FUZZ_REQUIRE(rows[r].sizeText == sizeText(first.size));
        else
            FUZZ_REQUIRE(rows[r].sizeText.endsWith(QStringLiteral("MB"))
                && nearlyEqual(sizeInMegabytes(rows[r].sizeText), megabytes[r]));
        FUZZ_REQUIRE(rows[r].duplicateMark.isEmpty());
    }
}

void checkPrepared(const CandidateRow& candidate)
{
    const WizardCommit::PreparedRow p = WizardCommit::preparedRow(candidate);
    FUZZ_REQUIRE(p.name == TextRules::trimBlanks(candidate.fileName));
    FUZZ_REQUIRE(p.extension == TextRules::trimBlanks(extensionOf(candidate.foundName)));
    FUZZ_REQUIRE(p.rawName == candidate.rawName && p.folder == candidate.folder);
    // A prepared row's size is read as megabytes by the catalogue; it is never negative.
    FUZZ_REQUIRE(sizeInMegabytes(p.sizeText) >= 0);
    const QStringList own = WizardCommit::ownBaseNames(p);
    FUZZ_REQUIRE(!own.isEmpty() && candidate.foundName.startsWith(own.first()));
}

} // namespace

REELSHELF_FUZZ_TARGET(names)
{
    FuzzSupport::Input input(data, size);
    const std::uint8_t flags = input.byte();
    ScanSwitches switches;
    switches.editByHand = flags & 1;
    switches.ridofCD = flags & 2;
    switches.ridofBbs = flags & 4;
    switches.ridofDot = flags & 8;
    switches.autoSelect = flags & 16;
    const QList<FoundFile> files = readFiles(input);

    const qint64 start = FuzzSupport::threadNanoseconds();
    QList<CandidateRow> rows;
    for (const FoundFile& f : files)
        rows.append(candidateRow(f, switches));
    if (switches.autoSelect)
        mergeParts(rows);
    for (const CandidateRow& r : rows)
        checkPrepared(r);
    FUZZ_REQUIRE(FuzzSupport::threadNanoseconds() - start < slowestListNs);

    for (const CandidateRow& r : rows) {
        FUZZ_REQUIRE(r.foundName == files[indexOfFolder(r.folder)].name);
        FUZZ_REQUIRE(r.icon >= 1 && r.icon <= 3);
    }
    if (switches.autoSelect)
        checkMerged(files, rows, switches);
    else
        checkUnmerged(files, rows, switches);
    return 0;
}
