#pragma once

#include "stats/collectionstats.h"

#include <QDialog>
#include <array>
#include <memory>

struct AppContext;
class DetailPane;
class MovieListView;
class QBarSet;
class QChart;
class QLabel;
class QPieSeries;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class StatsChartView;

// The charts of the statistics window, in their order on screen.
enum class StatsChart { Genre = 0, Decade, Format, Seen };
inline constexpr int StatsChartCount = 4;

// 工具 → "收藏统计...": the figures of the whole collection, with charts. A click on a bar or a
// slice (or Enter on it, or on a line of the counts) lists its movies in the main window's list
// and closes the window, as a search does.
class StatsWindow : public QDialog
{
    Q_OBJECT
public:
    // Computes the figures and shows the window modally; nullptr (after a message) when the
    // catalogue cannot be read.
    static StatsWindow* open(
        AppContext& context, MovieListView* list, DetailPane* pane, QLabel* status, QWidget* parent);

    StatsWindow(AppContext& context, const CollectionStats& stats, MovieListView* list, DetailPane* pane,
        QLabel* status, QWidget* parent = nullptr);

    const CollectionStats& stats() const { return stats_; }
    StatsChartView* chartView(StatsChart chart) const { return views_[size_t(chart)]; }
    QPushButton* saveButton(StatsChart chart) const { return saveButtons_[size_t(chart)]; }
    // The bars of a bar chart; nullptr for the seen/unseen pie.
    QBarSet* barSet(StatsChart chart) const { return bars_[size_t(chart)]; }
    QPieSeries* seenSeries() const { return pie_; }
    QTreeWidget* counts() const { return counts_; }
    // The items of a chart are its buckets in reading order (the first bar at the top or left).
    const StatsBucket& chartBucket(StatsChart chart, int item) const;
    int itemCount(StatsChart chart) const { return int(shown_[size_t(chart)].size()); }
    // The index in the QBarSet of an item, and back.
    int barOf(StatsChart chart, int item) const;
    int itemOf(StatsChart chart, int bar) const;

    // The save button of a chart: asks for a file name and writes the chart as a PNG picture.
    bool saveChart(StatsChart chart);
    // A click on an item of a chart (or Enter on it).
    void activateItem(StatsChart chart, int item);
    // Lists the movies of one bucket in the main list, then closes.
    void listBucket(StatsDimension dimension, const QString& key);

private:
    void buildCounts();
    QWidget* buildChart(StatsChart chart);
    std::unique_ptr<QChart> barChart(StatsChart chart);
    std::unique_ptr<QChart> seenChart();
    void highlight(StatsChart chart, int item);
    static bool lying(StatsChart chart);
    QString writePicture(StatsChart chart, const QString& path) const;

    AppContext& context_;
    CollectionStats stats_;
    MovieListView* list_;
    DetailPane* pane_;
    QLabel* status_;
    QTreeWidget* counts_ = nullptr;
    std::array<StatsChartView*, StatsChartCount> views_ {};
    std::array<QPushButton*, StatsChartCount> saveButtons_ {};
    std::array<QBarSet*, StatsChartCount> bars_ {};
    std::array<QList<StatsBucket>, StatsChartCount> shown_; // the items of each chart, in order
    QPieSeries* pie_ = nullptr;
};
