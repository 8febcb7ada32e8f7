#pragma once

#include "browse/quickfilter.h"

#include <QLineEdit>

class EveryFieldReader;
class MovieListView;
class QLabel;

// The filter box above the movie list. Typing narrows the rows the list shows now; the status
// line shows the shown and total counts meanwhile, and gets back the text whoever listed the
// rows put there once the box is cleared. Ctrl+F comes here from anywhere in the window, Esc
// clears the box.
class QuickFilterBox : public QLineEdit
{
    Q_OBJECT
public:
    QuickFilterBox(
        MovieListView* list, QLabel* status, const QString& catalogueFile, QWidget* parent = nullptr);

    // Ctrl+F: the box takes the focus with its text selected, to type over it.
    void focusFilter();

    // With Fields::All the introductions of the rows listed are read beside the window, and read
    // again for each new listing; the names are searched meanwhile and the status line says so.
    void setFields(QuickFilter::Fields fields);
    bool isReadingIntros() const;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void applyText(const QString& text);
    void rowsArrived();
    void refreshStatus();
    void readIntrosIfWanted();
    void introsRead(quint64 serial, const std::shared_ptr<std::vector<QString>>& keys);

    MovieListView* list_;
    QLabel* status_;
    EveryFieldReader* reader_;
    QString readError_; // why the introductions of this listing could not be read
    QString listStatus_; // the text of whoever listed the rows
    QString countsStatus_; // the counts this box last showed
    bool showingCounts_ = false;
    bool refreshQueued_ = false;
};
