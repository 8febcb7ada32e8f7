#include "browsecontroller.h"

#include "app/appcontext.h"
#include "app/prompt.h"
#include "auxwin/posterviewer.h"
#include "browse/moviedetails.h"
#include "browse/movielisting.h"
#include "detailpane.h"
#include "disctreewidget.h"
#include "moviefilespage.h"
#include "movielistmodel.h"
#include "movielistview.h"
#include "store/catalogue.h"
#include "store/mediatables.h"
#include "store/textrules.h"

#include <QApplication>
#include <QLabel>

BrowseController::BrowseController(AppContext& context, DiscTreeWidget* tree, MovieListView* list,
    DetailPane* pane, QLabel* status, QObject* parent)
    : QObject(parent)
    , context_(context)
    , tree_(tree)
    , list_(list)
    , pane_(pane)
    , status_(status)
{
    connect(tree_, &DiscTreeWidget::nodeClicked, this, &BrowseController::listNode);
    connect(list_, &MovieListView::leftReleased, this, &BrowseController::showMovieDetails);
    connect(pane_, &DetailPane::posterClicked, this, &BrowseController::openPosterViewer);
}

void BrowseController::listNode(const QString& key)
{
    list_->movieModel()->clear();
    QString error;
    std::optional<MovieListing> listing;
    {
        // Reading a large catalogue takes a moment; say so with the pointer.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        listing = MovieList::listForNode(Catalogue(context_.folder.catalogueFile()), key,
            context_.session.discCount, context_.session.favouriteCount, &error, MovieList::Intros::LeftOut);
        QApplication::restoreOverrideCursor();
    }
    if (!listing) {
        context_.prompt.warn(list_->window(), error);
    } else if (listing->emptyTable) {
        context_.prompt.warn(list_->window(), MovieList::emptyMessage);
        return;
    } else {
        list_->movieModel()->setRows(std::move(listing->rows), listing->rowIcon);
        if (listing->status)
            status_->setText(*listing->status);
    }
    resetPane();
}

void BrowseController::listRows(QList<MovieRow> rows, int rowIcon, const QString& status)
{
    list_->movieModel()->setRows(std::move(rows), rowIcon);
    status_->setText(status);
    resetPane();
}

void BrowseController::resetPane()
{
    pane_->reset(context_.folder.defaultPoster());
    // The poster viewer must not show the last movie's poster over an empty pane.
    context_.session.lastPosterPath = pane_->posterPath();
}

void BrowseController::clearShownMovies()
{
    list_->movieModel()->clear();
    status_->clear();
    pane_->reset(context_.folder.defaultPoster());
    context_.session.lastPosterPath = pane_->posterPath();
}

void BrowseController::showMovieDetails(int row)
{
    if (row < 0 || row >= list_->movieModel()->rowCount())
        return;
    pane_->uncheckGenresAndSubtitles();
    // The listing left the introduction out; the pane reads this one movie's.
    QString error;
    const MovieRow& listed = list_->movieModel()->movieRow(row);
    const std::optional<MovieRow> whole
        = MovieList::withIntro(Catalogue(context_.folder.catalogueFile()), listed, &error);
    if (!whole)
        status_->setText(error);
    const MovieDetails details = Details::forRow(whole ? *whole : listed, context_.folder);
    pane_->showMovie(details, context_.folder.goldStar(), context_.folder.grayStar());
    // A catalogue that could not be read a moment ago is not waited for a second time.
    if (whole)
        showFiles(listed);
    else
        pane_->filesPage()->clear();
    context_.session.lastPosterPath = pane_->posterPath();
}

void BrowseController::showFiles(const MovieRow& movie)
{
    const QString catalogueFile = context_.folder.catalogueFile();
    QString error;
    const auto files = MediaTables::files(catalogueFile, TextRules::numericValue(movie[ListCol::ID]), &error);
    std::optional<DiscMediumRecord> medium;
    if (!files
        || !MediaTables::medium(
            catalogueFile, TextRules::trimBlanks(movie[ListCol::DiskNum]), &medium, &error)) {
        pane_->filesPage()->clear();
        status_->setText(error);
        return;
    }
    pane_->filesPage()->showFiles(*files, medium);
}

void BrowseController::openPosterViewer()
{
    const QString path = context_.session.lastPosterPath.isEmpty() ? context_.folder.defaultPoster()
                                                                   : context_.session.lastPosterPath;
    auto* viewer = new PosterViewer(path, context_.folder.defaultPoster(), list_->window());
    viewer->setWindowModality(Qt::ApplicationModal);
    viewer->show();
}
