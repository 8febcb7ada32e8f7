#include "searchdialog.h"

#include "app/appcontext.h"
#include "app/prompt.h"
#include "browse/detailpane.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "store/catalogue.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

namespace {

struct Tab
{
    const char16_t* caption;
    const char* key;
};

// In page order: the index of a tab is its search kind.
const Tab tabs[] = {
    { u"名称", "InMoviename" },
    { u"年代", "INyear" },
    { u"类型", "INmovietype" },
    { u"格式", "Infiletype" },
    { u"看否", "Seen" },
};

const QString intro = QStringLiteral("  "
                                     "寻找您想要的电影,选择和输入您想寻找的方式以及电影的相关信息,"
                                     "ReelShelfIndex将很快找到您需要的信息。并显示出来。");
const QString yearHelp = QStringLiteral(" 年代搜索,您既可以输入\"2007\"这样的关键字来搜索2007年出产的影片,"
                                        "也可以输入\"19\"来获得在整个20世纪中出产的影片.");
const QString genreHelp
    = QStringLiteral("  按照影片类型来搜索,比如\"喜剧\",\"动作\"等.也可自定义输入您的搜索关键字");
const QString formatHelp = QStringLiteral("  按照影片文件格式来搜索.如\"rmvb\"");
const QString seenHelp
    = QStringLiteral("  按影片是否看过搜索,这样您将得到所有您没有（有）看过的并做记录的影片.");

// The icon the list shows in front of a found movie, as in the all-movies listing.
constexpr int foundRowIcon = 2;

QLabel* helpLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QComboBox* comboBox(const QString& name, const QStringList& items, const QString& text, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->clear();
    box->addItems(items);
    box->setEditText(text);
    return box;
}

} // namespace

SearchDialog::SearchDialog(
    AppContext& context, MovieListView* list, DetailPane* pane, QLabel* status, QWidget* parent)
    : QDialog(parent)
    , context_(context)
    , list_(list)
    , pane_(pane)
    , status_(status)
    , tabs_(new QTabBar(this))
    , pages_(new QStackedWidget(this))
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("搜索影片"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QLabel(intro, this);
    top->setWordWrap(true);
    layout->addWidget(top);

    tabs_->setObjectName(QStringLiteral("TabStrip1"));
    for (const Tab& t : tabs) {
        const int i = tabs_->addTab(QString::fromUtf16(t.caption));
        tabs_->setTabData(i, QString::fromLatin1(t.key));
    }
    layout->addWidget(tabs_);
    for (int kind = 0; kind < int(std::size(tabs)); ++kind)
        pages_->addWidget(buildPage(kind));
    layout->addWidget(pages_);
    connect(tabs_, &QTabBar::currentChanged, this,
        [this](int index) { selectTab(tabs_->tabData(index).toString()); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* searchButton = new QPushButton(QStringLiteral("搜索(&S)"), this);
    searchButton->setObjectName(QStringLiteral("Command1_0"));
    searchButton->setDefault(true);
    auto* closeButton = new QPushButton(QStringLiteral("关闭"), this);
    closeButton->setObjectName(QStringLiteral("Command1_1"));
    buttons->addWidget(searchButton);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    connect(searchButton, &QPushButton::clicked, this, &SearchDialog::search);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);

    tabs_->setCurrentIndex(0);
    pages_->setCurrentIndex(0);
    title_->setFocus();
}

QWidget* SearchDialog::buildPage(int kind)
{
    auto* page = new QWidget(pages_);
    page->setObjectName(QStringLiteral("Picture1_%1").arg(kind));
    auto* layout = new QVBoxLayout(page);
    switch (SearchKind(kind)) {
    case SearchKind::Title:
        title_ = new QLineEdit(page);
        title_->setObjectName(QStringLiteral("Textsearch"));
        exact_ = new QCheckBox(QStringLiteral("只搜索出精确符合关键字的影片"), page);
        exact_->setObjectName(QStringLiteral("Check1"));
        layout->addWidget(title_);
        layout->addWidget(exact_);
        break;
    case SearchKind::Year: {
        QStringList years;
        for (int y = 2000; y <= 2007; ++y)
            years << QString::number(y);
        year_ = comboBox(QStringLiteral("Combo3"), years, QStringLiteral("2007"), page);
        layout->addWidget(year_);
        layout->addWidget(helpLabel(yearHelp, page));
        break;
    }
    case SearchKind::Genre:
        genre_ = comboBox(QStringLiteral("Combo1"),
            { QStringLiteral("喜剧"), QStringLiteral("动作"), QStringLiteral("科幻"), QStringLiteral("动画"),
                QStringLiteral("恐怖"), QStringLiteral("历史"), QStringLiteral("科教") },
            QStringLiteral("选择或填入..."), page);
        layout->addWidget(genre_);
        layout->addWidget(helpLabel(genreHelp, page));
        break;
    case SearchKind::Format:
        format_ = comboBox(QStringLiteral("Combo2"),
            { QStringLiteral("rmvb"), QStringLiteral("rm"), QStringLiteral("avi"), QStringLiteral("mpg"),
                QStringLiteral("ts"), QStringLiteral("mkv") },
            QString(), page);
        layout->addWidget(format_);
        layout->addWidget(helpLabel(formatHelp, page));
        break;
    case SearchKind::Seen: {
        const QString captions[] = { QStringLiteral("已经看过的"), QStringLiteral("还未看过的") };
        for (size_t i = 0; i < seen_.size(); ++i) {
            seen_[i] = new QRadioButton(captions[i], page);
            seen_[i]->setObjectName(QStringLiteral("OptionSeen_%1").arg(i));
            layout->addWidget(seen_[i]);
        }
        layout->addWidget(helpLabel(seenHelp, page));
        break;
    }
    }
    layout->addStretch();
    return page;
}

void SearchDialog::selectTab(const QString& key)
{
    for (int kind = 0; kind < int(std::size(tabs)); ++kind) {
        if (key != QLatin1String(tabs[kind].key))
            continue;
        kind_ = SearchKind(kind);
        pages_->setCurrentIndex(kind);
        if (tabs_->currentIndex() != kind)
            tabs_->setCurrentIndex(kind);
        return;
    }
}

SearchQuery SearchDialog::query() const
{
    SearchQuery q;
    q.kind = kind_;
    switch (kind_) {
    case SearchKind::Title:
        q.text = title_->text();
        q.exact = exact_->isChecked();
        break;
    case SearchKind::Year:
        q.text = year_->currentText();
        break;
    case SearchKind::Genre:
        q.text = genre_->currentText();
        break;
    case SearchKind::Format:
        q.text = format_->currentText();
        break;
    case SearchKind::Seen:
        if (seen_[0]->isChecked())
            q.seen = true;
        else if (seen_[1]->isChecked())
            q.seen = false;
        break;
    }
    return q;
}

void SearchDialog::listFoundMovies(QList<MovieRow> rows)
{
    list_->movieModel()->setRows(std::move(rows), foundRowIcon);
}

void SearchDialog::searchMovie()
{
    list_->movieModel()->clear();
    status_->clear();
    QString error;
    std::optional<SearchOutcome> outcome;
    {
        // A search reads the whole movie table; say so with the pointer.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        outcome = MovieSearch::searchMovie(Catalogue(context_.folder.catalogueFile()), query(), &error);
        QApplication::restoreOverrideCursor();
    }
    if (!outcome) {
        context_.prompt.warn(this, error);
        return;
    }
    if (outcome->emptyTable)
        context_.prompt.warn(this, MovieSearch::emptyMessage);
    listFoundMovies(std::move(outcome->rows));
    status_->setText(outcome->status);
}

void SearchDialog::search()
{
    searchMovie();
    close();
    // The poster viewer must not show the last movie's poster over an empty pane.
    pane_->reset(context_.folder.defaultPoster());
    context_.session.lastPosterPath = pane_->posterPath();
}
