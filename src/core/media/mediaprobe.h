#pragma once

#include "mediafacts.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>

// A movie file to read, named by its bytes and shown by its decoded path.
struct ProbeFile
{
    QByteArray rawPath;
    QString shownPath;
};

struct ProbeOutcome
{
    std::optional<MediaFacts> facts; // nullopt: the file could not be read (see warning)
    QString warning; // for the user, naming the file; empty when all went well
};

// Reads movie files' facts through our helper reelshelf-probe, several helpers at once (one per
// processor), each under a memory limit and stopped when it gives no answer in time. A file the
// helper cannot read, hangs on or dies on gets no facts and a warning; the others are read all the
// same. Subtitle files beside a movie (MediaSubtitles) are added to its facts.
class MediaProbe
{
public:
    struct Options
    {
        QString program; // empty: the helper installed (or built) beside the programs
        // A file that gives no answer for this long is skipped.
        std::chrono::milliseconds stall { std::chrono::seconds(20) };
        int workers = 0; // zero: one per processor
        const std::atomic<bool>* stop = nullptr; // set from another thread to stop
        // Called after each file, from the reading threads, one call at a time.
        std::function<void(qsizetype done, qsizetype total)> progress;
    };

    // One outcome per file, in the files' order. Files not read because `stop` was set get no
    // facts and no warning.
    static QList<ProbeOutcome> probe(const QList<ProbeFile>& files, const Options& options);

    // Where the helper is: beside a program run from its build folder, under
    // <prefix>/libexec/reelshelf-index for an installed one, else next to the program.
    static QString helperProgram();
};
