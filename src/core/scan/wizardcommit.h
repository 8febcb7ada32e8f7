#pragma once

#include "candidates.h"
#include "store/records.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class Catalogue;
class DataFolder;

// The import wizard's last step: one new disc and a movie for each prepared file, with the
// poster and the description text found beside it. Shared by the wizard window and
// reelshelf-cli add-disc.
namespace WizardCommit {

// One row of the prepared list.
struct PreparedRow
{
    QString name; // "文件名", extension included
    QString sizeText; // "文件大小"
    QString folder; // "所在目录"
    QString extension; // "文件格式"
    QString foundName; // the movie file's own name, to find its poster and text by
    QByteArray rawName; // the bytes of that name and of the folder's path, which every file
    QByteArray rawFolder; // operation uses (empty: those of the texts)
    QList<PartFile> parts; // the movie's files, in part order; none for a row made by hand
};

// The prepared row "添加到预备列表" makes of a candidate: name and extension trimmed of blanks.
// The folder is taken as it is, since a folder's name may end in a blank.
PreparedRow preparedRow(const CandidateRow& candidate);

struct Disc
{
    QString number; // as typed
    QString name;
    QString kind;
    QString drive;
};

// Called once per prepared row while the records are made; false cancels before anything is stored.
using Progress = std::function<bool(int done, int total)>;

struct Result
{
    bool stored = false;
    QString error; // nothing was stored
    QList<MovieRecord> movies; // as stored
    // Stored, but these files were not used: a picture that could not be copied, a description
    // text that was refused. One line per file.
    QStringList warnings;
};

inline const QString missingInputMessage = QStringLiteral("未输入碟号或选择驱动器!");
inline const QString emptyListMessage = QStringLiteral("预备列表中未发现文件!请点击上一步右键添加.");
inline const QString cancelledMessage = QStringLiteral("已取消,没有添加任何光盘或影片。");
inline QString folderGoneMessage(const QString& folder)
{
    return QStringLiteral("无法读取文件夹 %1（光盘或移动存储介质被取出，或文件夹被移走），"
                          "没有添加任何光盘或影片。请放好光盘后重新搜索。")
        .arg(folder);
}

// The reason the wizard may not store this disc yet, checked in the order the user meets them:
// number or drive missing, number taken, nothing prepared, a number that is not written as its
// value. Nothing when it may.
std::optional<QString> problemWith(const Catalogue& catalogue, const Disc& disc, qsizetype preparedRows);

// The names a picture or text beside the movie file may carry to belong to it: the file's own
// base name, then the joined movie's name (without its part mark, "Alpha" for "Alpha CD1.avi").
QStringList ownBaseNames(const PreparedRow& row);

// Stores the disc and every movie in one transaction, which checks the disc number again and
// numbers the movies from the largest stored number plus one. Each movie gets the fields of the
// description text beside it (the one named after it, else the largest that can be read) and the
// picture beside it (named after it, else the largest) as its poster. The posters are staged
// before and installed after the transaction, so that after a kill at any moment the next start
// leaves the disc absent or present with all its posters. On a failure nothing is stored and
// Posters/ is as it was.
struct Options
{
    // Read each movie file's facts and fill the fields no description text gave.
    bool readFacts = true;
    QString probeProgram; // empty: our helper beside the programs
    // Called as the files' facts are read (from the reading threads, one call at a time); false
    // cancels before anything is stored.
    Progress factsProgress;
};

// Each movie's files are remembered with their facts, and the medium with what identifies it, in
// the same transaction.
Result commit(Catalogue& catalogue, const DataFolder& folder, const QString& magicSelect4V, const Disc& disc,
    const QList<PreparedRow>& rows, const Progress& progress = {}, const Options& options = {});

} // namespace WizardCommit
