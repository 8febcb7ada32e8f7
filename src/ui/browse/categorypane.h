#pragma once

#include "browse/moviegroups.h"
#include "store/cataloguestamp.h"

#include <QVariant>
#include <QWidget>

class QComboBox;
class QTreeWidget;
class QTreeWidgetItem;
struct AppContext;

// The 分类 tab beside the disc tree: every movie grouped by a field chosen above the list of
// groups, each group with its count. Choosing a group hands its movies to the main list.
class CategoryPane : public QWidget
{
    Q_OBJECT
public:
    explicit CategoryPane(AppContext& context, QWidget* parent = nullptr);

    // Reads every movie (as the all-discs listing does) and groups them again; false with the
    // message when the catalogue cannot be read.
    bool reload(QString* error);
    void setField(MovieGroups::Field field);
    MovieGroups::Field field() const;
    QComboBox* fieldBox() const { return field_; }
    QTreeWidget* groupList() const { return groups_; }
    // Lists the group at `index` as a click does.
    void chooseGroup(int index);

signals:
    void groupChosen(const QList<MovieRow>& rows, int rowIcon, const QString& status);
    void failed(const QString& message);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    CatalogueStamp stampNow() const;
    bool freshen();
    void regroup();
    void listGroup(QTreeWidgetItem* item);

    AppContext& context_;
    QComboBox* field_;
    QTreeWidget* groups_;
    QList<MovieRow> rows_;
    int rowIcon_ = 2;
    QList<MovieGroups::Group> shown_;
    CatalogueStamp readAt_; // a later write (ours or another program's) makes the groups stale
    bool loaded_ = false;
    QVariant pressedKey_; // the group a mouse button went down on, until it is let go
};
