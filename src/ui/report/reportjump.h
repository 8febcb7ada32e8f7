#pragma once

#include "report/collectionreport.h"

class BrowseController;
class DiscTreeWidget;
class MovieListView;

// Shows a reported movie in the main window as the user would reach it by hand: its disc's node
// is chosen and listed as a click lists it (所有影碟 when the disc has no node), the row with
// the movie's ID is selected and scrolled to, and the detail pane shows it. False when the
// listing holds no such row (the movie was deleted or moved meanwhile).
bool showReportedMovie(DiscTreeWidget* tree, MovieListView* list, BrowseController* browse,
    const CollectionReport::Movie& movie);
