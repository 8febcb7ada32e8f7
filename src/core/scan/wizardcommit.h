#pragma once

#include "candidates.h"
#include "store/records.h"

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
    QStringList warnings; // stored, but a poster could not be copied
};

inline const QString missingInputMessage = QStringLiteral("未输入碟号或选择驱动器!");
inline const QString emptyListMessage = QStringLiteral("预备列表中未发现文件!请点击上一步右键添加.");
inline const QString cancelledMessage = QStringLiteral("已取消,没有添加任何光盘或影片。");

// The reason the wizard may not store this disc yet, checked in the order the user meets them:
// number or drive missing, number taken, nothing prepared, a number that is not written as its
// value. Nothing when it may.
std::optional<QString> problemWith(const Catalogue& catalogue, const Disc& disc, qsizetype preparedRows);

// The movie record of one prepared row, without its poster: the name less its extension, the
// size in MB, the format, and the fields of the largest description text beside it.
MovieRecord movieFor(const PreparedRow& row, double id, const Disc& disc, const QString& magicSelect4V);

// Stores the disc and every movie in one transaction, numbering the movies from the largest
// stored number plus one, and only then copies the posters. On a failure nothing is stored and
// Posters/ is as it was.
Result commit(Catalogue& catalogue, const DataFolder& folder, const QString& magicSelect4V, const Disc& disc,
    const QList<PreparedRow>& rows, const Progress& progress = {});

} // namespace WizardCommit
