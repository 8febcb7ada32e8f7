#include "statschartview.h"

#include <QKeyEvent>

StatsChartView::StatsChartView(QChart* chart, QWidget* parent)
    : QChartView(chart, parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setRenderHint(QPainter::Antialiasing);
    // Without a frame that follows the focus, Tab would move through the charts unseen.
    setStyleSheet(QStringLiteral("StatsChartView { border: 2px solid transparent; }"
                                 "StatsChartView:focus { border: 2px solid palette(highlight); }"));
}

void StatsChartView::setItemCount(int count)
{
    count_ = std::max(count, 0);
    if (current_ >= count_)
        setCurrentItem(-1);
}

void StatsChartView::setCurrentItem(int index)
{
    const int next = index >= 0 && index < count_ ? index : -1;
    if (next == current_)
        return;
    current_ = next;
    emit currentItemChanged(current_);
}

void StatsChartView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        if (count_ > 0)
            setCurrentItem(current_ <= 0 ? 0 : current_ - 1);
        event->accept();
        return;
    case Qt::Key_Right:
    case Qt::Key_Down:
        if (count_ > 0)
            setCurrentItem(current_ < 0 ? 0 : std::min(current_ + 1, count_ - 1));
        event->accept();
        return;
    case Qt::Key_Home:
        setCurrentItem(0);
        event->accept();
        return;
    case Qt::Key_End:
        setCurrentItem(count_ - 1);
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (current_ >= 0)
            emit itemActivated(current_);
        event->accept();
        return;
    default:
        break;
    }
    QChartView::keyPressEvent(event);
}
