#include "moviecommands.h"

#include "app/appcontext.h"
#include "app/prompt.h"
#include "backups/backupguard.h"
#include "browse/detailpane.h"
#include "browse/disctreewidget.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "movieeditor.h"
#include "store/catalogue.h"
#include "store/textrules.h"

MovieCommands::MovieCommands(
    AppContext& context, DiscTreeWidget* tree, MovieListView* list, DetailPane* pane, QObject* parent)
    : QObject(parent)
    , context_(context)
    , tree_(tree)
    , list_(list)
    , pane_(pane)
    , runEditor_([](MovieEditor& editor) { editor.exec(); })
{
}

QWidget* MovieCommands::window() const
{
    return list_->window();
}

int MovieCommands::selectedRow() const
{
    const int row = list_->selectedRow();
    return row >= 0 && row < list_->movieModel()->rowCount() ? row : -1;
}

std::optional<MovieRow> MovieCommands::wholeRow(int row) const
{
    // An editor must never show, and then save, an introduction the listing left out as empty.
    QString error;
    const std::optional<MovieRow> whole = MovieList::withIntro(
        Catalogue(context_.folder.catalogueFile()), list_->movieModel()->movieRow(row), &error);
    if (!whole)
        context_.prompt.warn(window(), error);
    return whole;
}

void MovieCommands::newMovie()
{
    MovieEditor editor(context_, window());
    runEditor_(editor);
}

void MovieCommands::addMovieToSelectedDisc()
{
    MovieEditor editor(context_, window());
    // The node key less its four-character prefix: the disc number, or "All" and "Fav" on the roots.
    const QString key = TextRules::trimBlanks(tree_->selectedKey());
    editor.setDiscNumber(key.right(std::max<qsizetype>(0, key.size() - 4)));
    runEditor_(editor);
}

void MovieCommands::editSelected()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const std::optional<MovieRow> movie = wholeRow(row);
    if (!movie)
        return;
    MovieEditor editor(context_, window());
    editor.setMode(MovieEditor::Mode::Edit);
    editor.loadMovieIntoEditor(*movie);
    runEditor_(editor);
    if (!editor.outcome())
        return;
    // The row shows the record as it is now stored.
    Catalogue catalogue(context_.folder.catalogueFile());
    QString error;
    const std::optional<MovieRecord> stored = catalogue.findMovie(editor.outcome()->id, &error);
    if (stored)
        list_->movieModel()->replaceRow(row, movieRow(*stored, true));
    else
        context_.prompt.warn(window(), error);
}

void MovieCommands::moveSelected()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const std::optional<MovieRow> movie = wholeRow(row);
    if (!movie)
        return;
    MovieEditor editor(context_, window());
    editor.setMode(MovieEditor::Mode::Move);
    editor.loadMovieIntoEditor(*movie);
    runEditor_(editor);
    if (editor.outcome())
        list_->movieModel()->removeMovieRow(row);
}

void MovieCommands::deleteSelected()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const MovieRow movie = list_->movieModel()->movieRow(row);
    const QString question = QStringLiteral("您真的确定删除 【")
        + MovieForms::forMessage(movie[ListCol::MovieName]) + QStringLiteral("】的记录吗？");
    const Prompt::Answer answer
        = context_.prompt.ask(window(), Prompt::Icon::Warning, question, Prompt::Buttons::YesNo);
    Catalogue catalogue(context_.folder.catalogueFile());
    // A row another program made stale is said before a backup is spent on it.
    if (answer == Prompt::Answer::Yes) {
        if (const auto problem = MovieSaving::rowProblem(catalogue, movie)) {
            context_.prompt.warn(window(), *problem);
            pane_->clearSummary();
            return;
        }
    }
    if (answer == Prompt::Answer::Yes && BackupGuard::backupBeforeChange(context_, window())) {
        // A movie deleted or changed meanwhile by another program is reported and left alone; its
        // row stays for the user to see.
        const MovieSaving::Outcome deleted = MovieSaving::deleteMovie(catalogue, movie);
        if (deleted.saved)
            list_->movieModel()->removeMovieRow(row);
        else
            context_.prompt.warn(window(), deleted.error);
    }
    pane_->clearSummary();
}
