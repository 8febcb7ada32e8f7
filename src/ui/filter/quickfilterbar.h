#pragma once

#include <QWidget>

class MovieListView;
class QComboBox;
class QLabel;
class QuickFilterBox;

// The row above the movie list: which texts the quick filter looks at (范围, Alt+R), then the
// filter box. Tab goes from the choice to the box and on to the list.
class QuickFilterBar : public QWidget
{
    Q_OBJECT
public:
    QuickFilterBar(
        MovieListView* list, QLabel* status, const QString& catalogueFile, QWidget* parent = nullptr);

    QuickFilterBox* box() const { return box_; }
    QComboBox* fieldsChoice() const { return fields_; }

private:
    QComboBox* fields_;
    QuickFilterBox* box_;
};
