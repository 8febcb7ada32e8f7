#pragma once

#include "namecleaning.h"
#include "treescan.h"

#include <QList>
#include <QString>

// One file of a movie, as the search found it.
struct PartFile
{
    QByteArray rawFolder; // the bytes of the folder's path and of the name, for opening
    QByteArray rawName;
    QString folder; // decoded, for showing
    QString name;
    qint64 size = 0;
};

// One row of the wizard's candidate list, column by column.
struct CandidateRow
{
    QString fileName; // "文件名": the name after cleaning, extension included
    QString status; // "状态": "√" once the row is in the prepared list
    QString sizeText; // "文件大小": "700MB", "12KB"
    QString folder; // "目录": the absolute path of the file's folder
    QString extension; // "后缀名": from the name as found, in its letter case
    QString duplicateMark; // "是否重复": "DelFlag" on rows the part merge folds away
    int icon = 3; // 1 RealMedia, 2 AVI and MPEG, 3 anything else
    QString foundName; // the file name as found, for finding its poster and text
    QByteArray rawName; // the bytes of the name as found and of the folder's path, for opening
    QByteArray rawFolder;
    // The movie's files: the one found, then the parts the merge joined to it, in list order.
    QList<PartFile> parts;
};

// "####KB" below 1 MiB, else "######MB": rounded half up, no digits for 0 ("KB").
QString sizeText(qint64 bytes);
// The characters after the last "." of the name; the whole name when it has no dot.
QString extensionOf(const QString& foundName);
int iconForExtension(const QString& extension);

// A size text in megabytes: its leading number, divided by 1024 for a text in KB.
double sizeInMegabytes(const QString& sizeText);
// Megabytes as stored and shown after a merge: shortest decimal form to the kilobyte, then "MB".
QString megabyteText(double megabytes);
// A row's size as the catalogue stores it (MovieSize): always in MB.
QString movieSizeText(const QString& sizeText);

CandidateRow candidateRow(const FoundFile& file, const ScanSwitches& switches);

// The text the part merge joins a found file by: its cleaned name less its part marks.
QString joinedName(const QString& foundName, const ScanSwitches& switches);

// Joins the parts of one movie: the part marks go from every row's text, then of each group of
// rows with equal texts (exact comparison) the first keeps the summed size and the others are
// marked and removed.
void mergeParts(QList<CandidateRow>& rows);
// Removes every row whose duplicate mark is exactly "DelFlag".
void removeMarkedRows(QList<CandidateRow>& rows);
