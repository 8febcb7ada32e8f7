#pragma once

#include "browse/disctree.h"
#include "store/loans.h"
#include "store/mediatables.h"

#include <QIcon>
#include <QTreeWidget>
#include <array>

struct AppContext;

// The catalogue tree: two roots and one node per disc, rebuilt as a whole after every change.
class DiscTreeWidget : public QTreeWidget
{
    Q_OBJECT
public:
    explicit DiscTreeWidget(AppContext& context, QWidget* parent = nullptr);

    // Clears and refills the tree from the disc table; says so when the table is empty.
    // Returns false (with the message) when the catalogue cannot be read.
    bool rebuildDiscTree(QString* error = nullptr);

    QString selectedKey() const;
    QTreeWidgetItem* itemForKey(const QString& key) const;
    const DiscTreeData& data() const { return data_; }
    // The disc's open loan as the last rebuild read it; null when the disc is not out.
    const Loans::Loan* openLoan(const QString& discNumber) const;

    static QString keyOf(const QTreeWidgetItem* item);

signals:
    void nodeClicked(const QString& key);
    void contextMenuWanted(const QString& key, const QPoint& globalPos);
    // The tree was read again from the catalogue (its data() is new).
    void rebuilt();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool fillTree(QString* error);
    QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QString& key, const QString& text, int icon);
    using Checks = QHash<QString, MediaTables::DiscCheckRecord>;
    static void markCheck(QTreeWidgetItem* item, Checks::const_iterator check, Checks::const_iterator none);
    static void markLoan(
        QTreeWidgetItem* item, const Loans::Loan* loan, const QDate& today, bool checkFailed);

    AppContext& context_;
    DiscTreeData data_;
    QHash<QString, Loans::Loan> openLoans_;
    std::array<QIcon, 6> icons_;
};
