#include "disccommands.h"

#include "app/appcontext.h"
#include "app/prompt.h"
#include "backups/backupguard.h"
#include "browse/disctree.h"
#include "browse/disctreewidget.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "creatediscdialog.h"
#include "discdetailsdialog.h"
#include "disctexts.h"
#include "lenddialog.h"
#include "media/mediatext.h"
#include "rescandialog.h"
#include "store/catalogue.h"
#include "store/discnumbers.h"
#include "store/loans.h"
#include "store/mediatables.h"
#include "store/textrules.h"
#include "verifydialog.h"

#include <QScreen>
#include <limits>

DiscCommands::DiscCommands(AppContext& context, DiscTreeWidget* tree, MovieListView* list, QObject* parent)
    : QObject(parent)
    , context_(context)
    , tree_(tree)
    , list_(list)
{
    setObjectName(QStringLiteral("DiscCommands"));
}

QWidget* DiscCommands::window() const
{
    return tree_->window();
}

QString DiscCommands::proposedNumber() const
{
    return QString::number(qint64(context_.session.highestDiscNumber) + 1);
}

void DiscCommands::openModal(QDialog* dialog)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->adjustSize();
    if (const QScreen* screen = window()->screen()) {
        const QRect area = screen->availableGeometry();
        dialog->move(area.center() - QPoint(dialog->width() / 2, dialog->height() / 2));
    }
    dialog->show();
    dialog->activateWindow();
}

CreateDiscDialog* DiscCommands::newDisc()
{
    if (createDialog_ && createDialog_->isVisible()) {
        createDialog_->raise();
        createDialog_->activateWindow();
        return createDialog_;
    }
    createDialog_ = new CreateDiscDialog(*this, proposedNumber(), window());
    openModal(createDialog_);
    return createDialog_;
}

bool DiscCommands::checkNewNumber(const QString& text, const QString& emptyMessage, QWidget* parent)
{
    const DiscNumbers::Check check = DiscNumbers::check(text);
    if (check.isEmpty()) {
        context_.prompt.warn(parent, emptyMessage);
        return false;
    }
    if (!check.ok()) {
        context_.prompt.warn(parent, check.error);
        return false;
    }
    const DiscOutcome taken = Catalogue(context_.folder.catalogueFile()).findDisc(check.number);
    if (taken.ok()) {
        context_.prompt.warn(parent, DiscNumbers::takenMessage(check.number));
        return false;
    }
    if (taken.status == DiscOutcome::Failed) {
        context_.prompt.warn(parent, taken.error);
        return false;
    }
    return true;
}

bool DiscCommands::addDiskRecord(
    const QString& number, const QString& kind, const QString& name, QWidget* parent)
{
    const DiscNumbers::Check check = DiscNumbers::check(number);
    if (!check.ok()) {
        context_.prompt.warn(parent, check.isEmpty() ? DiscTexts::noNumber : check.error);
        return false;
    }
    DiscRecord disc;
    disc.diskNum = check.number;
    disc.diskType = TextRules::storedText(kind);
    if (!name.isEmpty())
        disc.name = name;
    QString error;
    if (!Catalogue(context_.folder.catalogueFile()).addDisc(disc, &error)) {
        context_.prompt.warn(parent, error);
        return false;
    }
    if (context_.session.highestDiscNumber < std::numeric_limits<qint32>::max())
        ++context_.session.highestDiscNumber;
    rebuildTree(parent);
    return true;
}

bool DiscCommands::createDisc(
    const QString& number, const QString& kind, const QString& name, QWidget* parent)
{
    return checkNewNumber(number, DiscTexts::noNumber, parent) && addDiskRecord(number, kind, name, parent);
}

std::optional<QString> DiscCommands::selectedNumber(std::initializer_list<DiscTree::NodeKind> kinds) const
{
    const QString key = tree_->selectedKey();
    for (DiscTree::NodeKind kind : kinds)
        if (DiscTree::kindOf(key) == kind)
            return DiscTree::discNumberOf(key);
    return std::nullopt;
}

std::optional<std::pair<QString, DiscRecord>> DiscCommands::selectedDisc()
{
    const auto number = selectedNumber({ DiscTree::NodeKind::Disc, DiscTree::NodeKind::FavouriteDisc });
    if (!number)
        return std::nullopt;
    DiscRecord disc;
    const DiscOutcome found = Catalogue(context_.folder.catalogueFile()).findDisc(*number, &disc);
    if (!found.ok()) {
        refresh(found, window());
        return std::nullopt;
    }
    return std::pair { *number, disc };
}

DiscDetailsDialog* DiscCommands::changeDiskDetail()
{
    const auto selected = selectedDisc();
    if (!selected)
        return nullptr;
    const DiscRecord& disc = selected->second;
    auto* dialog = new DiscDetailsDialog(*this, window());
    dialog->fill(disc);
    std::optional<MediaTables::DiscCheckRecord> check;
    QString error;
    // The check's line is an addition: a catalogue whose check table cannot be read still opens.
    if (MediaTables::lastCheck(context_.folder.catalogueFile(), selected->first, &check, &error))
        dialog->showLastCheck(MediaText::lastCheck(check));
    // So are the loans: a catalogue without their table shows none.
    if (const auto loans = Loans::ofDisc(context_.folder.catalogueFile(), selected->first, &error))
        dialog->showLoans(*loans, context_.clock().date());
    openModal(dialog);
    return dialog;
}

RescanDialog* DiscCommands::rescanDisc()
{
    const auto selected = selectedDisc();
    if (!selected)
        return nullptr;
    return openRescan(selected->first, TextRules::trimBlanks(selected->second.name.toString()));
}

RescanDialog* DiscCommands::openRescan(const QString& number, const QString& name)
{
    auto* dialog = new RescanDialog(context_, number, name, window());
    // The listed movies may have new fields and files: the node is listed again.
    connect(dialog, &RescanDialog::rescanned, this, [this] { emit moviesChanged(); });
    openModal(dialog);
    return dialog;
}

VerifyDialog* DiscCommands::verifyDisc()
{
    const auto selected = selectedDisc();
    return selected ? openVerify(selected->first) : nullptr;
}

VerifyDialog* DiscCommands::verifyMedium()
{
    return openVerify(QString());
}

VerifyDialog* DiscCommands::openVerify(const QString& number)
{
    if (verifyDialog_) {
        verifyDialog_->showNormal();
        verifyDialog_->raise();
        verifyDialog_->activateWindow();
        return verifyDialog_;
    }
    const QString root = !number.isEmpty() && mountedRootOf_ ? mountedRootOf_(number) : QString();
    verifyDialog_ = new VerifyDialog(context_, number, root, window());
    verifyDialog_->setAttribute(Qt::WA_DeleteOnClose);
    // The disc's mark in the tree, and its condition when the user took "破损", may have changed.
    connect(verifyDialog_, &VerifyDialog::checked, this, [this] { rebuildTree(window()); });
    connect(verifyDialog_, &VerifyDialog::rescanWanted, this, [this](const QString& disc) {
        DiscRecord record;
        if (Catalogue(context_.folder.catalogueFile()).findDisc(disc, &record).ok())
            openRescan(disc, TextRules::trimBlanks(record.name.toString()));
    });
    verifyDialog_->show();
    verifyDialog_->activateWindow();
    return verifyDialog_;
}

bool DiscCommands::saveDiscDetails(const QString& number, const DiscDetails& details, QWidget* parent)
{
    const DiscOutcome saved = Catalogue(context_.folder.catalogueFile()).updateDisc(number, details);
    if (saved.status == DiscOutcome::Failed) {
        context_.prompt.warn(parent, saved.error);
        return false; // the dialog keeps what the user typed
    }
    refresh(saved, parent);
    return true;
}

LendDialog* DiscCommands::lendDisc()
{
    const auto selected = selectedDisc();
    if (!selected)
        return nullptr;
    const QString file = context_.folder.catalogueFile();
    QString error;
    const auto open = Loans::openByDisc(file, &error);
    const auto borrowers = open ? Loans::borrowers(file, &error) : std::nullopt;
    if (!borrowers) {
        context_.prompt.warn(window(), error);
        return nullptr;
    }
    if (const auto loan = open->constFind(selected->first); loan != open->cend()) {
        context_.prompt.warn(window(), Loans::alreadyLentMessage(*loan));
        return nullptr;
    }
    auto* dialog
        = new LendDialog(*this, selected->first, TextRules::trimBlanks(selected->second.name.toString()),
            *borrowers, context_.clock().date(), window());
    openModal(dialog);
    return dialog;
}

bool DiscCommands::storeLoan(const QString& number, const Loans::Lending& lending, QWidget* parent)
{
    const Loans::Outcome outcome = Loans::lend(context_.folder.catalogueFile(), number, lending);
    if (!outcome.ok())
        context_.prompt.warn(parent, outcome.message);
    if (outcome.status == Loans::Outcome::Refused || outcome.status == Loans::Outcome::Failed)
        return false; // the dialog keeps what the user typed
    rebuildTree(parent);
    return true;
}

void DiscCommands::returnDisc()
{
    const auto selected = selectedDisc();
    if (!selected)
        return;
    const Loans::Outcome outcome
        = Loans::giveBack(context_.folder.catalogueFile(), selected->first, context_.clock().date());
    if (!outcome.ok())
        context_.prompt.warn(window(), outcome.message);
    if (outcome.status != Loans::Outcome::Failed)
        rebuildTree(window());
}

void DiscCommands::deleteDisc()
{
    const auto number = selectedNumber({ DiscTree::NodeKind::Disc });
    if (!number)
        return;
    Catalogue catalogue(context_.folder.catalogueFile());
    // Ask only about a disc that is there to delete.
    const DiscOutcome found = catalogue.findDisc(*number);
    if (!found.ok()) {
        refresh(found, window(), true);
        return;
    }
    if (context_.prompt.ask(
            window(), Prompt::Icon::Warning, DiscTexts::confirmDelete(*number), Prompt::Buttons::YesNo)
        != Prompt::Answer::Yes)
        return;
    if (!BackupGuard::backupBeforeChange(context_, window()))
        return;
    refresh(catalogue.deleteDiscWithMovies(*number), window(), true);
}

void DiscCommands::addToFavourites()
{
    setFavourite(true);
}

void DiscCommands::removeFromFavourites()
{
    setFavourite(false);
}

void DiscCommands::setFavourite(bool favourite)
{
    // Marking works on a disc under all discs, unmarking on a disc under the favourites.
    const auto number
        = selectedNumber({ favourite ? DiscTree::NodeKind::Disc : DiscTree::NodeKind::FavouriteDisc });
    if (!number)
        return;
    refresh(Catalogue(context_.folder.catalogueFile()).setFavourite(*number, favourite), window());
}

void DiscCommands::refresh(const DiscOutcome& outcome, QWidget* parent, bool clearList)
{
    if (!outcome.ok())
        context_.prompt.warn(parent, outcome.error);
    if (outcome.status == DiscOutcome::Failed)
        return;
    if (clearList) {
        list_->movieModel()->clear();
        emit moviesGone();
    }
    rebuildTree(parent);
}

void DiscCommands::rebuildTree(QWidget* parent)
{
    QString error;
    if (!tree_->rebuildDiscTree(&error))
        context_.prompt.warn(parent, error);
}
