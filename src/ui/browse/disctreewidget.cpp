#include "disctreewidget.h"

#include "app/appcontext.h"
#include "app/plaintext.h"
#include "app/prompt.h"
#include "app/sharppicture.h"
#include "media/mediatext.h"
#include "store/catalogue.h"
#include "store/mediatables.h"
#include "store/settings.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {
constexpr int KeyRole = Qt::UserRole + 1;
}

DiscTreeWidget::DiscTreeWidget(AppContext& context, QWidget* parent)
    : QTreeWidget(parent)
    , context_(context)
{
    setObjectName(QStringLiteral("TreeView1"));
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFrameShape(QFrame::StyledPanel);
    icons_[DiscTree::IconAll] = SharpPicture::icon(QStringLiteral(":/icons/tree/all.png"));
    icons_[DiscTree::IconGood] = SharpPicture::icon(QStringLiteral(":/icons/tree/disc_good.png"));
    icons_[DiscTree::IconLent] = SharpPicture::icon(QStringLiteral(":/icons/tree/disc_lent.png"));
    icons_[DiscTree::IconDamaged] = SharpPicture::icon(QStringLiteral(":/icons/tree/disc_damaged.png"));
    icons_[DiscTree::IconFavourites] = SharpPicture::icon(QStringLiteral(":/icons/tree/favourites.png"));
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (item)
            emit nodeClicked(keyOf(item));
    });
}

QString DiscTreeWidget::keyOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, KeyRole).toString() : QString();
}

QTreeWidgetItem* DiscTreeWidget::addNode(
    QTreeWidgetItem* parent, const QString& key, const QString& text, int icon)
{
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, text);
    item->setData(0, KeyRole, key);
    item->setIcon(0, icons_[size_t(icon)]);
    return item;
}

void DiscTreeWidget::markCheck(
    QTreeWidgetItem* item, Checks::const_iterator check, Checks::const_iterator none)
{
    if (check == none)
        return;
    item->setToolTip(0, MediaText::lastCheck(*check));
    // A disc whose last check failed stands out in the tree; the tooltip says how it failed.
    if (!check->passed()) {
        item->setForeground(0, QColor(0xc0, 0x10, 0x10));
        QFont font = item->font(0);
        font.setBold(true);
        item->setFont(0, font);
    }
}

void DiscTreeWidget::markLoan(
    QTreeWidgetItem* item, const Loans::Loan* loan, const QDate& today, bool checkFailed)
{
    if (!loan)
        return;
    const QString earlier = item->toolTip(0);
    const QString state = Loans::stateText(*loan, today);
    item->setToolTip(0, earlier.isEmpty() ? state : earlier + u'\n' + state);
    // An overdue disc leans and turns brown; a failed check keeps its red, and both show.
    if (!loan->overdue(today))
        return;
    if (!checkFailed)
        item->setForeground(0, QColor(0xa0, 0x58, 0x00));
    QFont font = item->font(0);
    font.setItalic(true);
    item->setFont(0, font);
}

const Loans::Loan* DiscTreeWidget::openLoan(const QString& discNumber) const
{
    const auto it = openLoans_.constFind(discNumber);
    return it == openLoans_.cend() ? nullptr : &*it;
}

bool DiscTreeWidget::rebuildDiscTree(QString* error)
{
    const bool filled = fillTree(error);
    if (filled)
        emit rebuilt();
    return filled;
}

bool DiscTreeWidget::fillTree(QString* error)
{
    clear();
    QTreeWidgetItem* all = addNode(nullptr, DiscTree::allKey, DiscTree::allText, DiscTree::IconAll);
    QTreeWidgetItem* fav = addNode(nullptr, DiscTree::favKey, DiscTree::favText, DiscTree::IconFavourites);
    data_ = {};
    openLoans_.clear();
    context_.session.highestDiscNumber = 0;
    context_.session.favouriteCount = 0;
    context_.session.discCount = 0;

    QString message;
    const auto loaded = DiscTree::load(Catalogue(context_.folder.catalogueFile()), &message);
    if (!loaded) {
        if (error)
            *error = message;
        return false;
    }
    data_ = *loaded;
    context_.session.highestDiscNumber = data_.highestDiscNumber;
    context_.session.favouriteCount = data_.favouriteCount;
    context_.session.discCount = int(data_.discs.size());
    if (data_.emptyTable) {
        context_.prompt.warn(window(), DiscTree::emptyMessage);
        return true;
    }
    QTreeWidgetItem* lastDisc = nullptr;
    QTreeWidgetItem* lastFav = nullptr;
    // The checks are an addition of ours: a catalogue whose check table cannot be read shows no marks.
    const auto checks = MediaTables::lastChecks(context_.folder.catalogueFile(), nullptr)
                            .value_or(QHash<QString, MediaTables::DiscCheckRecord>());
    // So are the loans.
    openLoans_
        = Loans::openByDisc(context_.folder.catalogueFile(), nullptr).value_or(QHash<QString, Loans::Loan>());
    const QDate today = context_.clock().date();
    auto mark = [&](QTreeWidgetItem* item, const DiscNode& n) {
        const auto check = checks.find(n.discNumber);
        markCheck(item, check, checks.cend());
        markLoan(item, openLoan(n.discNumber), today, check != checks.cend() && !check->passed());
        item->setToolTip(0, PlainText::tip(item->toolTip(0)));
        return item;
    };
    for (const DiscNode& n : std::as_const(data_.discs))
        lastDisc = mark(addNode(all, n.key, n.text, n.icon), n);
    for (const DiscNode& n : std::as_const(data_.favourites))
        lastFav = mark(addNode(fav, n.key, n.text, n.icon), n);

    if (context_.settings.autoOpen()) {
        // Making the last node of a root visible opens that root.
        if (lastDisc) {
            all->setExpanded(true);
            scrollToItem(lastDisc);
        }
        if (lastFav && data_.favouriteCount > 0) {
            fav->setExpanded(true);
            scrollToItem(lastFav);
        }
    }
    return true;
}

QString DiscTreeWidget::selectedKey() const
{
    return keyOf(currentItem());
}

QTreeWidgetItem* DiscTreeWidget::itemForKey(const QString& key) const
{
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* root = topLevelItem(i);
        if (keyOf(root) == key)
            return root;
        for (int j = 0; j < root->childCount(); ++j)
            if (keyOf(root->child(j)) == key)
                return root->child(j);
    }
    return nullptr;
}

void DiscTreeWidget::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton) {
        if (QTreeWidgetItem* item = itemAt(event->position().toPoint()))
            setCurrentItem(item);
        emit contextMenuWanted(selectedKey(), event->globalPosition().toPoint());
    }
}

void DiscTreeWidget::keyPressEvent(QKeyEvent* event)
{
    // Moving to a node with the keyboard lists it, as a click does; Enter lists it again.
    const QTreeWidgetItem* before = currentItem();
    QTreeWidget::keyPressEvent(event);
    QTreeWidgetItem* now = currentItem();
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (now && (now != before || enter))
        emit nodeClicked(keyOf(now));
}

void DiscTreeWidget::contextMenuEvent(QContextMenuEvent* event)
{
    // The mouse opens the menu on release (above); the menu key opens it at the current node.
    if (event->reason() != QContextMenuEvent::Keyboard) {
        QTreeWidget::contextMenuEvent(event);
        return;
    }
    QPoint at = viewport()->rect().center();
    if (QTreeWidgetItem* item = currentItem())
        at = visualItemRect(item).center();
    emit contextMenuWanted(selectedKey(), viewport()->mapToGlobal(at));
}
