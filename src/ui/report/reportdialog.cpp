#include "reportdialog.h"

#include "app/appcontext.h"
#include "app/prompt.h"
#include "app/windowplacement.h"
#include "reportlistmodel.h"
#include "store/catalogue.h"
#include "store/textrules.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

using namespace CollectionReport;

namespace {

struct Page
{
    const char* viewName;
    const char* labelName;
    const char16_t* caption;
    const char16_t* fileName;
};

const Page pages[3] = {
    { "ListDuplicates", "LblDuplicates", u"重复影片(&D)", u"重复影片.txt" },
    { "ListRisks", "LblRisks", u"风险影片(&R)", u"风险影片.txt" },
    { "ListLoans", "LblLoans", u"借出(&L)", u"借出的光碟.txt" },
};
constexpr ReportDialog::List lists[3] = { ReportDialog::Duplicates, ReportDialog::Risks, ReportDialog::Lent };

const QString reportTitle = QStringLiteral("重复与风险报告");
const QString exportTitle = QStringLiteral("导出报告 - ReelShelf Index");
const QString textFilter = QStringLiteral("文本文件 (*.txt)");
const QString hint = QStringLiteral("双击或按回车键可在主窗口中查看该影片（或光碟）。");

QString loansSummary(const QList<Loans::OpenLoan>& loans, const QDate& today)
{
    if (loans.isEmpty())
        return QStringLiteral("没有借出的光碟。");
    QSet<QString> borrowers;
    qsizetype overdue = 0;
    for (const Loans::OpenLoan& o : loans) {
        borrowers.insert(o.loan.borrower);
        overdue += o.loan.overdue(today) ? 1 : 0;
    }
    const QString summary = QStringLiteral("%1 张光碟借给了 %2 个人").arg(loans.size()).arg(borrowers.size());
    return overdue > 0 ? summary + QStringLiteral("，其中 %1 张已逾期，列在最前。").arg(overdue)
                       : summary + QStringLiteral("。");
}

QString summaryOf(const Report& report, ReportDialog::List list)
{
    if (list == ReportDialog::Duplicates) {
        if (report.duplicates.isEmpty())
            return QStringLiteral("没有发现重复的影片。");
        return QStringLiteral("%1 个片名有多份，共 %2 部影片。“同一张碟上重复”多半是录入了两次；"
                              "“多张碟上都有”是备份。")
            .arg(report.duplicates.size())
            .arg(report.duplicateMovieCount());
    }
    if (report.risks.isEmpty())
        return QStringLiteral("没有只存放在破损或外借光碟上的影片。");
    const QString summary = report.anyFailedCheck()
        ? QStringLiteral("%1 部影片只存放在破损或外借的光碟上，或者在校验未通过的光碟上而没有校验通过的备份"
                         "（%2 张光碟）。")
        : QStringLiteral("%1 部影片只存放在破损或外借的光碟上（%2 张光碟），别处没有备份。");
    return summary.arg(report.riskMovieCount()).arg(report.risks.size());
}

} // namespace

ReportDialog::ReportDialog(AppContext& context, ShowMovie showMovie, QWidget* parent)
    : QDialog(parent)
    , context_(context)
    , showMovie_(std::move(showMovie))
    , tabs_(new QTabWidget(this))
{
    setObjectName(QStringLiteral("FormReport"));
    setWindowTitle(reportTitle);
    WindowPlacement::fitAndCentre(this, QSize(760, 480));
    auto* layout = new QVBoxLayout(this);
    tabs_->setObjectName(QStringLiteral("TabReport"));
    for (List list : lists)
        tabs_->addTab(buildPage(list), QString::fromUtf16(pages[list].caption));
    layout->addWidget(tabs_);

    auto* buttons = new QHBoxLayout;
    auto* hintLabel = new QLabel(hint, this);
    buttons->addWidget(hintLabel, 1);
    auto* exportButton = new QPushButton(QStringLiteral("导出(&E)..."), this);
    exportButton->setObjectName(QStringLiteral("CmdExport"));
    auto* closeButton = new QPushButton(QStringLiteral("关闭(&C)"), this);
    closeButton->setObjectName(QStringLiteral("CmdClose"));
    // Enter belongs to the lists (show the movie); no button takes it over.
    for (QPushButton* b : { exportButton, closeButton }) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
    connect(exportButton, &QPushButton::clicked, this, &ReportDialog::exportCurrentList);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
}

QWidget* ReportDialog::buildPage(List list)
{
    auto* page = new QWidget(tabs_);
    auto* layout = new QVBoxLayout(page);
    summaries_[list] = new QLabel(page);
    summaries_[list]->setObjectName(QString::fromLatin1(pages[list].labelName));
    summaries_[list]->setWordWrap(true);
    models_[list] = new ReportListModel(this);
    auto* view = views_[list] = new QTableView(page);
    view->setObjectName(QString::fromLatin1(pages[list].viewName));
    view->setModel(models_[list]);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAlternatingRowColors(true);
    view->setWordWrap(false);
    // Tab leaves the list for the next control instead of walking its thousands of cells.
    view->setTabKeyNavigation(false);
    view->verticalHeader()->hide();
    // Rows of one height: a list of many thousand rows then needs no measuring.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->horizontalHeader()->setStretchLastSection(true);
    view->installEventFilter(this);
    connect(view, &QAbstractItemView::doubleClicked, this,
        [this, list](const QModelIndex& index) { showMovieOfRow(list, index.row()); });
    layout->addWidget(summaries_[list]);
    layout->addWidget(view);
    return page;
}

bool ReportDialog::load()
{
    QString error;
    {
        // The report reads the whole movie table; say so with the pointer.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        report_ = CollectionReport::build(Catalogue(context_.folder.catalogueFile()), &error);
        QApplication::restoreOverrideCursor();
    }
    today_ = context_.clock().date();
    const auto loans
        = report_ ? Loans::openLoans(context_.folder.catalogueFile(), today_, &error) : std::nullopt;
    if (!report_ || !loans) {
        context_.prompt.warn(this, error);
        return false;
    }
    loans_ = *loans;
    models_[Duplicates]->showDuplicates(report_->duplicates);
    models_[Risks]->showRisks(report_->risks);
    models_[Lent]->showLoans(loans_, today_);
    for (List list : lists) {
        summaries_[list]->setText(list == Lent ? loansSummary(loans_, today_) : summaryOf(*report_, list));
        if (models_[list]->rowCount() > 0)
            views_[list]->setCurrentIndex(models_[list]->index(0, 0));
        fitColumns(views_[list]);
    }
    views_[currentList()]->setFocus();
    return true;
}

void ReportDialog::fitColumns(QTableView* view)
{
    view->resizeColumnsToContents();
    // Sizing looks at the first thousand rows only; the lists grow downwards (group numbers,
    // disc numbers), so the last row also has its say.
    const int last = view->model()->rowCount() - 1;
    if (last < 0)
        return;
    QHeaderView* header = view->horizontalHeader();
    for (int c = 0; c + 1 < view->model()->columnCount(); ++c) {
        const int wanted = view->sizeHintForIndex(view->model()->index(last, c)).width();
        if (wanted > header->sectionSize(c))
            header->resizeSection(c, wanted);
    }
}

void ReportDialog::showList(List list)
{
    tabs_->setCurrentIndex(list);
    views_[list]->setFocus();
}

ReportDialog::List ReportDialog::currentList() const
{
    const int index = tabs_->currentIndex();
    return index == Risks || index == Lent ? List(index) : Duplicates;
}

void ReportDialog::exportCurrentList()
{
    if (!report_)
        return;
    const List list = currentList();
    const QString suggested
        = QDir(context_.folder.outputsDir()).filePath(QString::fromUtf16(pages[list].fileName));
    const QString path = context_.pickSaveFile(this, exportTitle, suggested, textFilter);
    if (path.isEmpty())
        return;
    const QString text = list == Duplicates ? duplicatesText(*report_)
        : list == Risks                     ? risksText(*report_)
                                            : Loans::openLoansText(loans_, today_);
    QString error;
    if (!writeText(path, text, &error)) {
        context_.prompt.warn(this, error + QStringLiteral("\n报告没有导出。"));
        return;
    }
    context_.prompt.inform(this, QStringLiteral("报告已导出到 %1。").arg(QDir::toNativeSeparators(path)));
}

QString ReportDialog::missingMovieMessage(const Movie& movie)
{
    return QStringLiteral("在主窗口中找不到编号为 %1 的影片“%2”，它可能已被删除或移动。")
        .arg(TextRules::trimBlanks(movie.id), movie.title);
}

void ReportDialog::showMovieOfRow(List list, int row)
{
    if (row < 0 || row >= models_[list]->rowCount())
        return;
    if (!models_[list]->holdsMovies()) {
        const QString disc = models_[list]->disc(row);
        if (!showDisc_ || !showDisc_(disc)) {
            context_.prompt.warn(this, QStringLiteral("在主窗口中找不到碟#%1，它可能已被删除。").arg(disc));
            return;
        }
        close();
        return;
    }
    const Movie& movie = models_[list]->movie(row);
    if (!showMovie_(movie)) {
        context_.prompt.warn(this, missingMovieMessage(movie));
        return;
    }
    close();
}

bool ReportDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        for (List list : lists) {
            if (watched == views_[list] && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
                showMovieOfRow(list, views_[list]->currentIndex().row());
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
