#pragma once

#include <QString>
#include <memory>
#include <optional>

class DataFolder;
class QDateTime;
class QFile;

// The poster of movie n is Posters/<n>.jpg. A copy never leaves a half-written poster behind and
// never destroys the only copy of a picture.
namespace PosterFile {

// The reason a chosen file cannot become a poster (missing, unreadable, not a picture), or nothing.
std::optional<QString> problemWith(const QString& source);

// A chosen picture copied into the posters folder under a temporary name before the movie is
// stored, so that a disk that cannot take it refuses the save instead of leaving a movie without
// the poster it was given. Removed again unless placed.
class StagedPoster
{
public:
    StagedPoster();
    ~StagedPoster();
    StagedPoster(const StagedPoster&) = delete;
    StagedPoster& operator=(const StagedPoster&) = delete;

    // Copies `source` whole to the disk, every write and the flush checked. False with a message.
    bool stage(const DataFolder& folder, const QString& source, QString* error);
    // The same; a failure names `shownTarget` as the place the copy was meant for.
    bool stage(const DataFolder& folder, const QString& source, const QString& shownTarget, QString* error);
    bool isStaged() const { return staged_ != nullptr; }
    // Puts the copy in place as the poster of movie `idText`, replacing the old one in one step.
    bool place(const DataFolder& folder, const QString& idText, QString* error);

private:
    std::unique_ptr<QFile> staged_;
};

// Whether `source` already is the poster of movie `idText`, so that picking it again changes nothing.
bool isPosterOf(const DataFolder& folder, const QString& idText, const QString& source);

// Copies `source` over the poster of movie `idText`. Picking the movie's own poster again changes
// nothing. False with a message when the copy fails; the old poster then stays as it was.
bool install(const DataFolder& folder, const QString& idText, const QString& source, QString* error);

// Removes the copies a kill interrupted before they were placed, once they are an hour old and
// so in no one's hands any more. Reads the whole folder: once per user action, not per poster.
void removeAbandonedCopies(const DataFolder& folder);

// Moves a poster that a deleted movie left under `idText` to Backups/Replaced-<stamp>/Posters, so
// a new movie given the same number never shows a stranger's picture and the picture itself is
// not lost (a restored catalogue may name it again). False with a message when it cannot be moved.
bool setLeftoverAside(const DataFolder& folder, const QString& idText, const QDateTime& now, QString* error);

} // namespace PosterFile
