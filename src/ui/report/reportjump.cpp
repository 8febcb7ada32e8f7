#include "reportjump.h"

#include "browse/browsecontroller.h"
#include "browse/disctree.h"
#include "browse/disctreewidget.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"

bool showReportedMovie(
    DiscTreeWidget* tree, MovieListView* list, BrowseController* browse, const CollectionReport::Movie& movie)
{
    QString key = DiscTree::discPrefix + movie.disc;
    QTreeWidgetItem* node = movie.disc.isEmpty() ? nullptr : tree->itemForKey(key);
    if (!node) {
        key = DiscTree::allKey;
        node = tree->itemForKey(key);
    }
    if (node)
        tree->setCurrentItem(node);
    browse->listNode(key);
    const MovieListModel* model = list->movieModel();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->movieRow(row).view(ListCol::ID) != movie.id)
            continue;
        const QModelIndex index = model->index(row, 0);
        list->setCurrentIndex(index);
        list->scrollTo(index, QAbstractItemView::PositionAtCenter);
        browse->showMovieDetails(row);
        return true;
    }
    return false;
}
