#pragma once

#include "drivesearch.h"
#include "store/mediatables.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class DataFolder;

// Reading an existing disc again: its medium is searched as the wizard searches, the files found
// are matched to the disc's movies by the name the wizard would have given them, and each matched
// movie's files and facts are remembered; fields a movie leaves empty are filled from the facts.
// Nothing the user typed is overwritten. Shared by the disc's "重新读取光盘..." and
// `reelshelf-cli rescan`.
namespace Rescan {

struct Match
{
    double movieId = 0;
    QString title; // as the list shows it
    QStringList paths; // the movie's files below the root, in part order
    QStringList filled; // captions of the fields the facts filled
};

struct Report
{
    bool stored = false;
    QString error; // nothing was stored
    QList<Match> matched;
    QStringList unmatchedFiles; // files found that no movie of the disc is named after
    QStringList moviesWithoutFile; // titles of the disc's movies no file was found for
    QStringList warnings; // files whose facts could not be read, folders that could not be read
};

struct Options
{
    bool readFacts = true;
    QString probeProgram;
    // Called as the files' facts are read; false stops before anything is stored.
    std::function<bool(int done, int total)> progress;
};

Report run(const DataFolder& folder, const QString& discNumber, const QString& root, const Options& options);

// The report as a few lines of Chinese, for a message or the command line.
QStringList reportLines(const Report& report);

} // namespace Rescan
