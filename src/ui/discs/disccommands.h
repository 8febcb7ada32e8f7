#pragma once

#include "browse/disctree.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <initializer_list>
#include <optional>

class CreateDiscDialog;
class DiscDetailsDialog;
class LendDialog;
class DiscTreeWidget;
class RescanDialog;
class VerifyDialog;
class MovieListView;
class QDialog;
class QWidget;
struct AppContext;
struct DiscDetails;
struct DiscOutcome;
namespace Loans {
struct Lending;
}

// The disc commands of the main window: creating a disc, its details, deleting it and the
// favourite mark. Each change goes through the catalogue and ends with a rebuild of the tree.
class DiscCommands : public QObject
{
    Q_OBJECT
public:
    DiscCommands(AppContext& context, DiscTreeWidget* tree, MovieListView* list, QObject* parent = nullptr);

    // MN_NewDisk: opens the create-disc dialog, modal, with the next number proposed.
    CreateDiscDialog* newDisc();
    // ChangeDiskDetail: opens the details dialog of the selected disc node. Says so, and opens
    // nothing, when the disc is no longer in the catalogue or the catalogue cannot be read.
    DiscDetailsDialog* changeDiskDetail();
    // deldisk: deletes the selected disc and its movies once the user confirms, then clears
    // the movie list and rebuilds the tree.
    void deleteDisc();
    // RescanDisc ("重新读取光盘..."): reads the selected disc's medium again (RescanDialog).
    RescanDialog* rescanDisc();
    // VerifyDisc ("校验光盘..."), on the selected disc; VerifyMedium (工具), on the disc the medium
    // turns out to be. One check window at a time: a second call brings it forward.
    VerifyDialog* verifyDisc();
    VerifyDialog* verifyMedium();
    // Where the disc's medium is mounted, when the program recognised it there; empty otherwise.
    void setMountedRootLookup(std::function<QString(const QString& discNumber)> lookup)
    {
        mountedRootOf_ = std::move(lookup);
    }
    // LendDisc ("借出..."): opens the lend dialog for the selected disc; a disc that is out
    // already is said to be so instead. ReturnDisc ("归还"): the selected disc is back today.
    LendDialog* lendDisc();
    void returnDisc();
    // The lend dialog's lend. False (the dialog stays open) when the loan was refused or could
    // not be stored; a disc that is gone is reported and the tree rebuilt.
    bool storeLoan(const QString& number, const Loans::Lending& lending, QWidget* parent);
    // addtofav and DelFav: the favourite mark of the selected disc node.
    void addToFavourites();
    void removeFromFavourites();

    // The number for a new disc: refused, with a message, when empty (the caller's own
    // message), not written as its value (DiscNumbers::check) or already taken. The create
    // dialog and the import wizard both ask this before addDiskRecord.
    bool checkNewNumber(const QString& text, const QString& emptyMessage, QWidget* parent);
    // Stores a disc: the number trimmed, the kind followed by one blank, the name as typed and
    // only when given. Then raises the highest disc number and rebuilds the tree. A number the
    // check refuses is never stored.
    bool addDiskRecord(const QString& number, const QString& kind, const QString& name, QWidget* parent);

    // The create dialog's create: checkNewNumber, then addDiskRecord.
    bool createDisc(const QString& number, const QString& kind, const QString& name, QWidget* parent);
    // The details dialog's save. False (the dialog stays open) only when the catalogue could
    // not be written; a disc that is gone is reported and the tree rebuilt.
    bool saveDiscDetails(const QString& number, const DiscDetails& details, QWidget* parent);

    // The number the create dialog proposes: the highest disc number plus one.
    QString proposedNumber() const;

signals:
    // A deletion emptied the movie list: what else described the listed movies is stale now.
    void moviesGone();
    // A rescan changed the selected disc's movies: their listing is stale.
    void moviesChanged();

private:
    QWidget* window() const;
    // The disc number of the selected node when it is of one of the given kinds.
    std::optional<QString> selectedNumber(std::initializer_list<DiscTree::NodeKind> kinds) const;
    // The selected disc node's number and record; said, with the tree rebuilt, when it is gone.
    std::optional<std::pair<QString, DiscRecord>> selectedDisc();
    void setFavourite(bool favourite);
    // After a disc change: says what went wrong, if anything, and unless the catalogue failed
    // (nothing changed, the views stay) rebuilds the tree and, after a deletion, clears the list.
    // A disc that is gone still gets a rebuild: the tree showed it.
    void refresh(const DiscOutcome& outcome, QWidget* parent, bool clearList = false);
    void rebuildTree(QWidget* parent);
    void openModal(QDialog* dialog);
    RescanDialog* openRescan(const QString& number, const QString& name);
    VerifyDialog* openVerify(const QString& number);

    AppContext& context_;
    DiscTreeWidget* tree_;
    MovieListView* list_;
    QPointer<CreateDiscDialog> createDialog_;
    QPointer<VerifyDialog> verifyDialog_;
    std::function<QString(const QString&)> mountedRootOf_;
};
