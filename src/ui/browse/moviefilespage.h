#pragma once

#include "store/mediatables.h"

#include <QWidget>
#include <optional>

class QLabel;
class QTreeWidget;

// The detail pane's "文件" tab: the movie's remembered files with their facts, and the medium of
// its disc.
class MovieFilesPage : public QWidget
{
    Q_OBJECT
public:
    explicit MovieFilesPage(QWidget* parent = nullptr);

    void showFiles(const QList<MovieFileRecord>& files, const std::optional<DiscMediumRecord>& medium);
    void clear();

private:
    QLabel* medium_;
    QTreeWidget* list_;
};
