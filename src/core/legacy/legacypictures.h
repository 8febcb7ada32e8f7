#pragma once

#include "store/datafolder.h"
#include "store/posterinstall.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

class QSqlDatabase;

// A movie an adding import stores: its place among the file's movies, its number there as the
// list shows it, and the number it gets.
struct AddedMovie
{
    qsizetype index = 0;
    QString oldId;
    QString newId;
};

// The pictures and the settings file an import of an old catalogue brings from beside the file,
// and the posters of ours it moves aside into Backups/Replaced-<stamp>/. They are copied into a
// staging folder before the rows are stored, recorded as a pending install in the rows'
// transaction and put in place after it, so that whatever moment a kill comes at, the next start
// finds the import absent or whole with them.
class LegacyPictures
{
public:
    // `sourceFolder`: the folder of the old file, empty for none.
    LegacyPictures(const DataFolder& folder, const QString& sourceFolder, const QDateTime& now);

    // Replacing: stages every picture of the file's Posters and Compics and its settings file, each
    // to replace ours of that name, and plans to move aside our poster of each imported movie
    // (`ids` as the list shows them) that brings none. False with a message when no copy can be
    // written; nothing has changed then.
    bool stageReplacing(const QStringList& ids, QString* error);
    // Adding: stages the poster of each of the file's movies that is to be added (`oldIds` in the
    // file's order, empty for one that is not) and each logo we lack. False with a message when
    // no copy can be written; nothing has changed then.
    bool stageAdding(const QStringList& oldIds, QString* error);
    // Adding, inside the rows' transaction, once the movies' numbers are known: each gets its
    // poster, and a poster a deleted movie left under its number goes aside.
    bool planAdded(const QList<AddedMovie>& added, QString* error);
    // Inside the rows' transaction: records what is to be put in place.
    bool record(QSqlDatabase& db, const QString& cataloguePath, QString* error) const;
    // Whether what is to be kept aside finds room (record checks it too), for a caller that must
    // know before it spends anything, such as a backup.
    bool canKeepAside(QString* error) const;
    // After the transaction: puts everything in place. What did not come, one line each, in order.
    QStringList install();

private:
    QList<PosterInstall::Entry> entries() const;
    enum class Kind {
        Poster, // adding: the poster of an added movie, or a deleted movie's left under its number
        Theirs, // replacing: a file of theirs that replaces ours of that name
        Ours, // replacing: our poster of an imported movie that brings none
        Logo, // adding: a logo we lack
    };
    struct Item
    {
        Kind kind = Kind::Poster;
        QString source; // the file beside the old catalogue; empty for a move alone
        PosterInstall::Entry entry;
        QString warning; // why it did not come
    };

    bool theirPoster(const QString& id) const;
    bool openStaging(QString* error);
    // Whether the pictures can be put into `dir`; a message naming it when not.
    bool canTake(const QString& dir, QString* error) const;
    // Copies `from` into the staging folder for `item`; an unreadable file becomes its warning.
    bool stage(Item& item, QString* error);
    bool stageFolder(
        const QString& from, const QString& into, Kind kind, const QString& keepIn, QString* error);
    QString place(const Item& item) const;
    QString keptIn(const Item& item) const;
    QString unreadableText(const Item& item) const;
    QString failureText(const Item& item, const PosterInstall::Failure& failure) const;

    DataFolder folder_;
    DataFolder source_;
    bool beside_ = false; // the old file's pictures are not ours already
    bool ownFolder_ = false; // the old file lies in our data folder
    QString kept_; // Backups/Replaced-<stamp>
    std::unique_ptr<PosterInstall::Staging> staging_;
    int staged_ = 0;
    QList<Item> items_; // replacing: all; adding: the logos
    QStringList skipped_; // files beside the old catalogue that are no pictures, for the report
    QList<Item> added_; // adding: the movies' posters, before the logos
    QHash<qsizetype, Item> posters_; // adding: the staged poster of a movie of the file, by its place
};
