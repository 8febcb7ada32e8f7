#pragma once

#include <QChartView>

// A chart that can be worked from the keyboard: the arrow keys move a current item (a bar or a
// slice) and Enter or Space activates it, as a click on it does.
class StatsChartView : public QChartView
{
    Q_OBJECT
public:
    explicit StatsChartView(QChart* chart, QWidget* parent = nullptr);

    void setItemCount(int count);
    int itemCount() const { return count_; }
    int currentItem() const { return current_; } // -1 when none is current
    void setCurrentItem(int index);

signals:
    void currentItemChanged(int index);
    void itemActivated(int index);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int count_ = 0;
    int current_ = -1;
};
