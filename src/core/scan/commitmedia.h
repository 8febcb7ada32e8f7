#pragma once

#include "media/mediaprobe.h"
#include "store/mediatables.h"
#include "wizardcommit.h"

#include <QList>
#include <QStringList>
#include <functional>
#include <optional>

// What a commit remembers of the medium and of each movie's files, read before its transaction.
namespace CommitMedia {

struct Gathered
{
    QList<QList<MovieFileRecord>> files; // per row, in part order
    QStringList warnings; // files whose facts could not be read
    bool stopped = false; // the progress callback asked to stop
};

// The files of each row (a row made by hand: its own file) with their size and time, and, when
// `readFacts`, their media facts; paths relative to `root`. `progress` sees the files read.
Gathered gather(const QList<WizardCommit::PreparedRow>& rows, const QString& root, bool readFacts,
    const QString& probeProgram, const std::function<bool(int done, int total)>& progress);

// The facts of a row's parts, for MediaFields.
QList<std::optional<MediaFacts>> factsOf(const QList<MovieFileRecord>& files);

} // namespace CommitMedia
