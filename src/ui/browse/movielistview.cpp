#include "movielistview.h"

#include "browse/movielisting.h"
#include "movielistmodel.h"
#include "store/colournumber.h"
#include "store/settings.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

QColor fromColourReference(quint32 ref)
{
    return QColor(ColourNumber::red(ref), ColourNumber::green(ref), ColourNumber::blue(ref));
}

} // namespace

MovieListView::MovieListView(QWidget* parent)
    : QTreeView(parent)
    , model_(new MovieListModel(this))
{
    setObjectName(QStringLiteral("ListView1"));
    setModel(model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideRight);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(0);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    connect(header(), &QHeaderView::sectionClicked, this, &MovieListView::headerClicked);
    connect(header(), &QHeaderView::sectionResized, this, [this](int section) { sectionDragged(section); });
    header()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header(), &QWidget::customContextMenuRequested, this, &MovieListView::columnSettingsRequested);
}

int MovieListView::twipsToPixels(int twips)
{
    return int(std::lround(twips / 15.0));
}

void MovieListView::setupListColumns(const Settings& settings)
{
    const auto& columns = listColumns();
    for (int c = 0; c < ListColumnCount; ++c) {
        const int number = columns[size_t(c)].settingsNumber;
        const int twips = number < 0 ? 1 : settings.columnWidthTwips(number);
        fitting_ = true;
        header()->resizeSection(c, std::max(0, twipsToPixels(twips)));
        fitting_ = false;
    }
    // The listing leaves the introductions out, so their column can never be dragged open.
    header()->setSectionHidden(ListCol::PS, true);
    titleWidth_ = header()->sectionSize(ListCol::MovieName);
    titleDragged_ = false;
    fitTitleColumn();
}

void MovieListView::fitTitleColumn()
{
    // A title column the settings hide stays hidden.
    if (titleDragged_ || titleWidth_ <= 0)
        return;
    int others = 0;
    for (int c = 0; c < ListColumnCount; ++c)
        if (c != ListCol::MovieName && !header()->isSectionHidden(c))
            others += header()->sectionSize(c);
    const int width = std::max(titleWidth_, viewport()->width() - others);
    if (width == header()->sectionSize(ListCol::MovieName))
        return;
    fitting_ = true;
    header()->resizeSection(ListCol::MovieName, width);
    fitting_ = false;
}

void MovieListView::sectionDragged(int section)
{
    if (fitting_)
        return;
    if (section == ListCol::MovieName) {
        titleDragged_ = true;
        return;
    }
    // Another column dragged: the title gives or takes the difference.
    fitTitleColumn();
}

void MovieListView::resizeEvent(QResizeEvent* event)
{
    QTreeView::resizeEvent(event);
    fitTitleColumn();
}

void MovieListView::paintRowBands(const Settings& settings)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, fromColourReference(settings.colour(QStringLiteral("SetColor1"))));
    p.setColor(QPalette::AlternateBase, fromColourReference(settings.colour(QStringLiteral("SetColor2"))));
    setPalette(p);
    setAlternatingRowColors(true);
}

int MovieListView::selectedRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() && selectionModel()->isRowSelected(current.row(), QModelIndex()) ? current.row()
                                                                                              : -1;
}

int MovieListView::chooseCurrentRow()
{
    if (model_->rowCount() == 0)
        return -1;
    if (selectedRow() >= 0)
        return selectedRow();
    const QModelIndex current = currentIndex().isValid() ? currentIndex() : model_->index(0, 0);
    setCurrentIndex(current);
    scrollTo(current);
    emit leftReleased(current.row());
    return current.row();
}

void MovieListView::headerClicked(int section)
{
    // Every click flips the order, whichever column was sorted before.
    const Qt::SortOrder next
        = model_->sortOrder() == Qt::DescendingOrder ? Qt::AscendingOrder : Qt::DescendingOrder;
    model_->sort(section, next);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(section, next);
}

void MovieListView::keyPressEvent(QKeyEvent* event)
{
    if (model_->rowCount() > 0 && selectedRow() >= 0) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit editRequested();
            return;
        case Qt::Key_Delete:
            emit deleteRequested();
            return;
        default:
            break;
        }
    }
    const int before = selectedRow();
    QTreeView::keyPressEvent(event);
    // Moving through the rows with the keyboard shows each movie, as a click does.
    if (selectedRow() != before && selectedRow() >= 0)
        emit leftReleased(selectedRow());
}

void MovieListView::contextMenuEvent(QContextMenuEvent* event)
{
    // The mouse's menu comes with the button's release; the keyboard's menu key comes here.
    if (event->reason() != QContextMenuEvent::Keyboard)
        return;
    const int row = chooseCurrentRow();
    if (row < 0)
        return;
    const QRect r = visualRect(model_->index(row, 0));
    emit rightReleased(row, viewport()->mapToGlobal(r.center()));
}

void MovieListView::focusInEvent(QFocusEvent* event)
{
    QTreeView::focusInEvent(event);
    // Reached by the keyboard, the list starts on a row the user sees chosen and shown.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason)
        chooseCurrentRow();
}

void MovieListView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeView::mouseReleaseEvent(event);
    if (model_->rowCount() == 0)
        return;
    if (event->button() == Qt::LeftButton)
        emit leftReleased(selectedRow());
    else if (event->button() == Qt::RightButton)
        emit rightReleased(selectedRow(), event->globalPosition().toPoint());
}
