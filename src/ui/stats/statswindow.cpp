#include "statswindow.h"

#include "app/appcontext.h"
#include "app/prompt.h"
#include "app/windowplacement.h"
#include "browse/detailpane.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "statschartview.h"
#include "store/catalogue.h"
#include "store/safewrite.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLocale>
#include <QPieSeries>
#include <QPieSlice>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <memory>

namespace {

using namespace CollectionStatistics;

// A chart with more bars than this shows the largest ones; the counts list has them all.
constexpr int maxBars = 24;
constexpr qsizetype maxLabelledBars = 12;
// The icon the list shows in front of a listed movie, as after a search.
constexpr int listedRowIcon = 2;

enum ItemRole { DimensionRole = Qt::UserRole, KeyRole, ListableRole };

struct ChartText
{
    const char16_t* title;
    const char16_t* fileName;
    const char* name;
};

const ChartText chartTexts[StatsChartCount] = {
    { u"类型", u"收藏统计-类型.png", "Genre" },
    { u"年代", u"收藏统计-年代.png", "Decade" },
    { u"格式", u"收藏统计-格式.png", "Format" },
    { u"已看与未看", u"收藏统计-观看.png", "Seen" },
};

StatsDimension dimensionOf(StatsChart chart)
{
    switch (chart) {
    case StatsChart::Genre:
        return StatsDimension::Genre;
    case StatsChart::Decade:
        return StatsDimension::Decade;
    case StatsChart::Format:
        return StatsDimension::Format;
    case StatsChart::Seen:
        break;
    }
    return StatsDimension::Seen;
}

QString number(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

QString decimal(double value, int digits)
{
    return QLocale(QLocale::English).toString(value, 'f', digits);
}

QList<StatsBucket> seenBuckets(const CollectionStats& s)
{
    QList<StatsBucket> out;
    for (const StatsBucket& b : { StatsBucket { QStringLiteral("yes"), QStringLiteral("yes"), s.seen },
             StatsBucket { QStringLiteral("no"), QStringLiteral("no"), s.unseen },
             StatsBucket { QString(), QString(), s.seenUnmarked } })
        if (b.count > 0)
            out.append(b);
    return out;
}

QString summaryText(const CollectionStats& s)
{
    return QStringLiteral("共 %1 张光碟、%2 部影视；已看 %3 部，未看 %4 部；总大小 %5 GB，总时长 %6 小时。")
        .arg(number(s.discs), number(s.movies), number(s.seen), number(s.unseen), decimal(s.totalSizeGB, 2),
            decimal(s.totalHours, 1));
}

} // namespace

StatsWindow* StatsWindow::open(
    AppContext& context, MovieListView* list, DetailPane* pane, QLabel* status, QWidget* parent)
{
    QString error;
    std::optional<CollectionStats> stats;
    {
        // The figures take one read of the whole catalogue; say so with the pointer.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        stats = compute(Catalogue(context.folder.catalogueFile()), &error);
        QApplication::restoreOverrideCursor();
    }
    if (!stats) {
        context.prompt.warn(parent, error);
        return nullptr;
    }
    auto* window = new StatsWindow(context, *stats, list, pane, status, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    return window;
}

StatsWindow::StatsWindow(AppContext& context, const CollectionStats& stats, MovieListView* list,
    DetailPane* pane, QLabel* status, QWidget* parent)
    : QDialog(parent)
    , context_(context)
    , stats_(stats)
    , list_(list)
    , pane_(pane)
    , status_(status)
{
    setObjectName(QStringLiteral("FormStats"));
    setWindowTitle(QStringLiteral("收藏统计"));
    auto* layout = new QVBoxLayout(this);
    auto* summary = new QLabel(summaryText(stats_), this);
    summary->setObjectName(QStringLiteral("LblStatsSummary"));
    summary->setWordWrap(true);
    layout->addWidget(summary);

    auto* splitter = new QSplitter(this);
    counts_ = new QTreeWidget(splitter);
    counts_->setObjectName(QStringLiteral("StatsCounts"));
    buildCounts();
    // On a low screen the charts scroll rather than push the window past it.
    auto* scroller = new QScrollArea(splitter);
    scroller->setWidgetResizable(true);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* charts = new QWidget(scroller);
    scroller->setWidget(charts);
    auto* grid = new QGridLayout(charts);
    grid->setContentsMargins(0, 0, 0, 0);
    // The genres (nineteen bars) take the whole height; the other three are stacked beside them.
    grid->addWidget(buildChart(StatsChart::Genre), 0, 0, 3, 1);
    for (int c = 1; c < StatsChartCount; ++c)
        grid->addWidget(buildChart(StatsChart(c)), c - 1, 1);
    splitter->addWidget(counts_);
    splitter->addWidget(scroller);
    splitter->setStretchFactor(1, 3);
    layout->addWidget(splitter, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* closeButton = new QPushButton(QStringLiteral("关闭(&C)"), this);
    closeButton->setObjectName(QStringLiteral("StatsClose"));
    closeButton->setAutoDefault(false);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);

    // Tab runs through the counts, each chart and its save button, then the close button.
    QWidget* previous = counts_;
    for (int c = 0; c < StatsChartCount; ++c) {
        setTabOrder(previous, views_[size_t(c)]);
        setTabOrder(views_[size_t(c)], saveButtons_[size_t(c)]);
        previous = saveButtons_[size_t(c)];
    }
    setTabOrder(previous, closeButton);
    views_[0]->setFocus();
    WindowPlacement::fitAndCentre(this, QSize(1100, 760));
}

void StatsWindow::buildCounts()
{
    counts_->setColumnCount(2);
    counts_->setHeaderLabels({ QStringLiteral("项目"), QStringLiteral("数量") });
    counts_->setRootIsDecorated(true);
    auto add = [this](QTreeWidgetItem* parent, const QString& caption, const QString& value) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(counts_);
        item->setText(0, caption);
        item->setText(1, value);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        return item;
    };
    // Disc kinds and conditions are plain texts, named as the text breakdowns name theirs.
    auto group = [&](const QString& caption, const QList<StatsBucket>& buckets, StatsDimension dimension,
                     bool listable) {
        QTreeWidgetItem* top = add(nullptr, caption, QString());
        for (const StatsBucket& b : buckets) {
            QTreeWidgetItem* item = add(top, bucketLabel(dimension, b), number(b.count));
            item->setData(0, DimensionRole, int(dimension));
            item->setData(0, KeyRole, b.key);
            item->setData(0, ListableRole, listable);
            if (listable)
                item->setToolTip(0, QStringLiteral("按回车或双击，在主窗口中列出这些影视"));
        }
        top->setExpanded(true);
    };
    add(nullptr, QStringLiteral("光碟"), number(stats_.discs));
    group(QStringLiteral("光碟类型"), stats_.discsByKind, StatsDimension::Format, false);
    group(QStringLiteral("光碟状态"), stats_.discsByCondition, StatsDimension::Format, false);
    if (!stats_.lentByBorrower.isEmpty())
        group(QStringLiteral("借出（按借阅人）"), stats_.lentByBorrower, StatsDimension::Format, false);
    add(nullptr, QStringLiteral("影视"), number(stats_.movies));
    group(QStringLiteral("观看"), seenBuckets(stats_), StatsDimension::Seen, true);
    add(nullptr, QStringLiteral("总大小"), decimal(stats_.totalSizeGB, 2) + QStringLiteral(" GB"));
    add(nullptr, QStringLiteral("总时长"), decimal(stats_.totalHours, 1) + QStringLiteral(" 小时"));
    group(QStringLiteral("类型"), stats_.byGenre, StatsDimension::Genre, true);
    group(QStringLiteral("年代"), stats_.byDecade, StatsDimension::Decade, true);
    group(QStringLiteral("格式"), stats_.byFormat, StatsDimension::Format, true);
    group(QStringLiteral("清晰度"), stats_.byDefinition, StatsDimension::Definition, true);
    group(QStringLiteral("国家或地区"), stats_.byCountry, StatsDimension::Country, true);
    counts_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    connect(counts_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (item->data(0, ListableRole).toBool())
            listBucket(
                StatsDimension(item->data(0, DimensionRole).toInt()), item->data(0, KeyRole).toString());
    });
}

QWidget* StatsWindow::buildChart(StatsChart chart)
{
    const ChartText& text = chartTexts[int(chart)];
    auto* box = new QGroupBox(QString::fromUtf16(text.title), this);
    auto* layout = new QVBoxLayout(box);
    std::unique_ptr<QChart> drawn = chart == StatsChart::Seen ? seenChart() : barChart(chart);
    drawn->legend()->setVisible(false);
    drawn->setAnimationOptions(QChart::NoAnimation);
    auto* view = new StatsChartView(drawn.release(), box);
    view->setObjectName(QStringLiteral("StatsChart") + QLatin1String(text.name));
    view->setMinimumSize(240, 180);
    view->setItemCount(int(shown_[size_t(chart)].size()));
    views_[size_t(chart)] = view;
    connect(view, &StatsChartView::currentItemChanged, this, [this, chart](int i) { highlight(chart, i); });
    connect(view, &StatsChartView::itemActivated, this, [this, chart](int i) { activateItem(chart, i); });
    auto* save = new QPushButton(QStringLiteral("保存图片..."), box);
    save->setObjectName(QStringLiteral("StatsSave") + QLatin1String(text.name));
    save->setAutoDefault(false);
    saveButtons_[size_t(chart)] = save;
    connect(save, &QPushButton::clicked, this, [this, chart] { saveChart(chart); });
    layout->addWidget(view, 1);
    layout->addWidget(save, 0, Qt::AlignRight);
    return box;
}

std::unique_ptr<QChart> StatsWindow::barChart(StatsChart chart)
{
    const StatsDimension dimension = dimensionOf(chart);
    const QList<StatsBucket>& all = chart == StatsChart::Genre ? stats_.byGenre
        : chart == StatsChart::Decade                          ? stats_.byDecade
                                                               : stats_.byFormat;
    shown_[size_t(chart)] = all.mid(0, maxBars);
    auto chartObject = std::make_unique<QChart>();
    QAbstractBarSeries* series = lying(chart)
        ? static_cast<QAbstractBarSeries*>(new QHorizontalBarSeries(chartObject.get()))
        : static_cast<QAbstractBarSeries*>(new QBarSeries(chartObject.get()));
    auto* set = new QBarSet(QString::fromUtf16(chartTexts[int(chart)].title), series);
    QStringList categories;
    qint64 highest = 0;
    for (int bar = 0; bar < int(shown_[size_t(chart)].size()); ++bar) {
        const StatsBucket& b = shown_[size_t(chart)].at(itemOf(chart, bar));
        set->append(double(b.count));
        // Under a bar "1990" says what "1990年代" says in the counts, in the room a bar has. The
        // chart takes its names as markup: a genre typed <img src="/dev/zero"> would read that device.
        categories << (chart == StatsChart::Decade && !b.unknown() ? b.key.chopped(1)
                                                                   : bucketLabel(dimension, b))
                          .toHtmlEscaped();
        highest = std::max(highest, b.count);
    }
    set->setSelectedColor(set->color().darker(160));
    bars_[size_t(chart)] = set;
    connect(
        set, &QBarSet::clicked, this, [this, chart](int bar) { activateItem(chart, itemOf(chart, bar)); });

    series->append(set);
    // Values on the bars only while they fit; the counts list has every figure.
    series->setLabelsVisible(!lying(chart) && shown_[size_t(chart)].size() <= maxLabelledBars);
    series->setLabelsPosition(QAbstractBarSeries::LabelsInsideEnd);
    if (!lying(chart))
        series->setLabelsAngle(-90);
    chartObject->addSeries(series);
    auto* names = new QBarCategoryAxis(chartObject.get());
    names->append(categories);
    names->setTruncateLabels(false);
    // Standing upright, a name needs only a line's height under its bar, so none is left out for
    // lack of room (a long first name would otherwise reach past the chart and be dropped).
    if (!lying(chart))
        names->setLabelsAngle(-90);
    auto* values = new QValueAxis(chartObject.get());
    values->setRange(0, double(std::max<qint64>(highest, 1)));
    values->setLabelFormat(QStringLiteral("%d"));
    values->applyNiceNumbers();
    chartObject->addAxis(names, lying(chart) ? Qt::AlignLeft : Qt::AlignBottom);
    chartObject->addAxis(values, lying(chart) ? Qt::AlignBottom : Qt::AlignLeft);
    series->attachAxis(names);
    series->attachAxis(values);
    if (all.size() > shown_[size_t(chart)].size())
        chartObject->setTitle(QStringLiteral("数量最多的 %1 项").arg(maxBars));
    return chartObject;
}

bool StatsWindow::lying(StatsChart chart)
{
    // Nineteen genres fit the height better than the width: their bars lie down, read from the top.
    return chart == StatsChart::Genre;
}

int StatsWindow::barOf(StatsChart chart, int item) const
{
    // A lying series draws its first bar at the bottom.
    return lying(chart) ? int(shown_[size_t(chart)].size()) - 1 - item : item;
}

int StatsWindow::itemOf(StatsChart chart, int bar) const
{
    return barOf(chart, bar);
}

std::unique_ptr<QChart> StatsWindow::seenChart()
{
    auto chartObject = std::make_unique<QChart>();
    pie_ = new QPieSeries(chartObject.get());
    QList<StatsBucket>& shown = shown_[size_t(StatsChart::Seen)];
    shown = seenBuckets(stats_);
    for (const StatsBucket& b : shown) {
        QPieSlice* slice
            = pie_->append(bucketLabel(StatsDimension::Seen, b) + u' ' + number(b.count), double(b.count));
        slice->setLabelVisible(true);
    }
    connect(pie_, &QPieSeries::clicked, this,
        [this](QPieSlice* slice) { activateItem(StatsChart::Seen, int(pie_->slices().indexOf(slice))); });
    chartObject->addSeries(pie_);
    return chartObject;
}

const StatsBucket& StatsWindow::chartBucket(StatsChart chart, int item) const
{
    return shown_[size_t(chart)].at(item);
}

void StatsWindow::highlight(StatsChart chart, int item)
{
    if (chart == StatsChart::Seen) {
        const auto slices = pie_->slices();
        for (qsizetype i = 0; i < slices.size(); ++i)
            slices.at(i)->setExploded(i == item);
        return;
    }
    QBarSet* set = bars_[size_t(chart)];
    set->deselectAllBars();
    if (item >= 0)
        set->selectBar(barOf(chart, item));
}

void StatsWindow::activateItem(StatsChart chart, int item)
{
    if (item < 0 || item >= shown_[size_t(chart)].size())
        return;
    listBucket(dimensionOf(chart), chartBucket(chart, item).key);
}

void StatsWindow::listBucket(StatsDimension dimension, const QString& key)
{
    QString error;
    std::optional<StatsListing> listing;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        listing = CollectionStatistics::listBucket(
            Catalogue(context_.folder.catalogueFile()), dimension, key, &error);
        QApplication::restoreOverrideCursor();
    }
    if (!listing) {
        context_.prompt.warn(this, error);
        return;
    }
    list_->movieModel()->setRows(std::move(listing->rows), listedRowIcon);
    status_->setText(listing->status);
    // The poster viewer must not show the last movie's poster over an empty pane.
    pane_->reset(context_.folder.defaultPoster());
    context_.session.lastPosterPath = pane_->posterPath();
    close();
}

bool StatsWindow::saveChart(StatsChart chart)
{
    const QString suggested
        = QDir(context_.folder.outputsDir()).filePath(QString::fromUtf16(chartTexts[int(chart)].fileName));
    QString path = context_.pickSaveFile(
        this, QStringLiteral("保存统计图"), suggested, QStringLiteral("PNG 图片 (*.png)"));
    if (path.isEmpty())
        return false;
    if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) {
        path += QStringLiteral(".png");
        // The file dialog asked about the name without the ending, not about this one.
        if (QFileInfo::exists(path)
            && context_.prompt.ask(this, Prompt::Icon::Question,
                   QStringLiteral("文件“%1”已经存在，要替换它吗？").arg(QDir::toNativeSeparators(path)),
                   Prompt::Buttons::YesNo)
                != Prompt::Answer::Yes)
            return false;
    }
    const QString problem = writePicture(chart, path);
    if (!problem.isEmpty()) {
        context_.prompt.warn(this, problem);
        return false;
    }
    context_.prompt.inform(this, QStringLiteral("统计图已保存为“%1”。").arg(QDir::toNativeSeparators(path)));
    return true;
}

QString StatsWindow::writePicture(StatsChart chart, const QString& path) const
{
    const QString failed = QStringLiteral("统计图未能保存为“%1”：").arg(QDir::toNativeSeparators(path));
    const QPixmap picture = views_[size_t(chart)]->grab();
    QByteArray png;
    QBuffer buffer(&png);
    if (picture.isNull() || !buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG"))
        return failed + QStringLiteral("无法生成这张图片。");
    // Written aside and moved into place at the end: a failed save leaves an older file whole.
    const auto written = SafeWrite::writeFile(path, png);
    return written.ok() ? QString() : failed + written.reason;
}
