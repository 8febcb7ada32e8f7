#include "categorypane.h"

#include "app/appcontext.h"
#include "app/plaintext.h"
#include "browse/disctree.h"
#include "store/catalogue.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int GroupRole = Qt::UserRole + 1;

// What finds a group again after the movies were read anew: its text, or none for the movies
// without a value, since a value may well read "（未填写）" too.
QString keyOf(const MovieGroups::Group& group)
{
    return group.unfilled ? QString() : group.text;
}

} // namespace

CategoryPane::CategoryPane(AppContext& context, QWidget* parent)
    : QWidget(parent)
    , context_(context)
    , field_(new QComboBox(this))
    , groups_(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("CategoryPane"));
    field_->setObjectName(QStringLiteral("ComboGroupField"));
    for (const MovieGroups::FieldChoice& c : MovieGroups::fields())
        field_->addItem(c.caption, int(c.field));
    // The tree's side of the window may be narrow: the box gives way rather than hold it wide.
    field_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    field_->setMinimumContentsLength(2);
    auto* caption = new QLabel(QStringLiteral("分组(&G)："), this);
    caption->setBuddy(field_);

    groups_->setObjectName(QStringLiteral("TreeGroups"));
    groups_->setHeaderHidden(true);
    groups_->setRootIsDecorated(false);
    groups_->setUniformRowHeights(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // Caption and box one above the other: the tree's side of the window may be narrow.
    layout->addWidget(caption);
    layout->addWidget(field_);
    layout->addWidget(groups_, 1);
    connect(field_, &QComboBox::currentIndexChanged, this, [this] { regroup(); });
    // A click lists the group, and so does moving to it by keyboard, as in the disc tree. A click
    // makes the group current while the button is down: it is listed once, when the button is up.
    // The focus arriving makes the first group current by itself: that lists nothing (with the
    // catalogue locked it would wait and say so a second time).
    connect(groups_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { listGroup(item); });
    // Pressed on one group and let go on another is no click: the group let go on is listed.
    connect(groups_, &QTreeWidget::itemPressed, this,
        [this](QTreeWidgetItem* item) { pressedKey_ = item->data(0, Qt::UserRole); });
    groups_->viewport()->installEventFilter(this);
    connect(groups_, &QTreeWidget::currentItemChanged, this,
        [this](QTreeWidgetItem* item, QTreeWidgetItem* previous) {
            if (item && previous && groups_->hasFocus() && QApplication::mouseButtons() == Qt::NoButton)
                listGroup(item);
        });
    connect(groups_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { listGroup(item); });
}

MovieGroups::Field CategoryPane::field() const
{
    return MovieGroups::Field(field_->currentData().toInt());
}

void CategoryPane::setField(MovieGroups::Field field)
{
    field_->setCurrentIndex(std::max(0, field_->findData(int(field))));
}

CatalogueStamp CategoryPane::stampNow() const
{
    return CatalogueStamp::of(context_.folder.catalogueFile());
}

bool CategoryPane::reload(QString* error)
{
    const CatalogueStamp before = stampNow();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto listing = MovieList::listForNode(Catalogue(context_.folder.catalogueFile()), DiscTree::allKey,
        context_.session.discCount, context_.session.favouriteCount, error, MovieList::Intros::LeftOut);
    QApplication::restoreOverrideCursor();
    if (!listing)
        return false;
    rows_ = std::move(listing->rows);
    rowIcon_ = listing->rowIcon;
    readAt_ = before;
    loaded_ = true;
    regroup();
    return true;
}

bool CategoryPane::freshen()
{
    if (loaded_ && stampNow() == readAt_)
        return true;
    QString error;
    if (reload(&error))
        return true;
    emit failed(error);
    return false;
}

void CategoryPane::regroup()
{
    if (!loaded_)
        return;
    const QVariant current
        = groups_->currentItem() ? groups_->currentItem()->data(0, Qt::UserRole) : QVariant();
    shown_ = MovieGroups::group(rows_, field());
    QList<QTreeWidgetItem*> items;
    items.reserve(shown_.size());
    for (qsizetype i = 0; i < shown_.size(); ++i) {
        const MovieGroups::Group& g = shown_.at(i);
        auto* item
            = new QTreeWidgetItem(QStringList { QStringLiteral("%1 (%2)").arg(g.text).arg(g.rows.size()) });
        item->setData(0, Qt::UserRole, keyOf(g));
        item->setData(0, GroupRole, int(i));
        item->setToolTip(0, PlainText::tip(g.text));
        items << item;
    }
    const QSignalBlocker quiet(groups_);
    groups_->clear();
    groups_->addTopLevelItems(items);
    for (QTreeWidgetItem* item : std::as_const(items))
        if (current.isValid() && item->data(0, Qt::UserRole) == current)
            groups_->setCurrentItem(item);
}

void CategoryPane::chooseGroup(int index)
{
    if (QTreeWidgetItem* item = groups_->topLevelItem(index)) {
        groups_->setCurrentItem(item);
        listGroup(item);
    }
}

void CategoryPane::listGroup(QTreeWidgetItem* item)
{
    if (!item)
        return;
    const QString key = item->data(0, Qt::UserRole).toString();
    // Movies changed since the groups were made (here or by another program) are read again.
    if (!freshen())
        return;
    qsizetype at = -1;
    for (qsizetype i = 0; i < shown_.size(); ++i)
        if (keyOf(shown_.at(i)) == key)
            at = i;
    if (at < 0)
        return; // the group is gone: the list of groups shows what there is now
    QList<MovieRow> rows;
    rows.reserve(shown_.at(at).rows.size());
    for (int r : shown_.at(at).rows)
        rows << rows_.at(r);
    emit groupChosen(rows, rowIcon_, MovieGroups::statusText(field(), shown_.at(at).text, rows.size()));
}

bool CategoryPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == groups_->viewport() && event->type() == QEvent::MouseButtonRelease
        && pressedKey_.isValid()) {
        // Once the list has taken the release and said whether it was a click.
        QTimer::singleShot(0, this, [this] {
            QTreeWidgetItem* item = groups_->currentItem();
            const QVariant pressed = std::exchange(pressedKey_, QVariant());
            if (item && item->data(0, Qt::UserRole) != pressed)
                listGroup(item);
        });
    }
    return QWidget::eventFilter(watched, event);
}

void CategoryPane::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!loaded_ || stampNow() != readAt_)
        freshen();
}
