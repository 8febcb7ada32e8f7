#pragma once

#include "mediatables.h"
#include "posterinstall.h"
#include "records.h"

#include <QList>
#include <QString>

// Storing a new disc with its movies, as the import wizard and reelshelf-cli add-disc do.
namespace NewDisc {

struct Outcome
{
    enum Status { Stored, NumberTaken, Failed };
    Status status = Failed;
    QString error; // the message when nothing was stored

    bool stored() const { return status == Stored; }
};

// Stores the disc and its movies in one write transaction, which waits for a busy catalogue as
// every write does. Inside it the disc number is checked against the stored discs and the movies
// are numbered from the largest stored number plus one (their ID is set here), so two programs
// adding at once can neither store one disc twice nor give out one movie number twice. With a
// staging, `posters` (one entry per movie, in the same order; the numbers are filled in) is
// recorded as its pending install in the same transaction. Nothing is stored unless all is.
// What the scan remembers of the medium and of each movie's files (one list per movie, in the
// movies' order), stored in the same transaction.
struct Media
{
    QList<QList<MovieFileRecord>> files;
    std::optional<DiscMediumRecord> medium;
};

Outcome store(const QString& catalogueFile, const DiscRecord& disc, QList<MovieRecord>& movies,
    const PosterInstall::Staging* staging, QList<PosterInstall::Entry>& posters, const Media& media = {});

} // namespace NewDisc
