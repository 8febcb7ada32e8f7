#include "wizarddialog.h"

#include "app/appcontext.h"
#include "app/besidewindow.h"
#include "app/prompt.h"
#include "app/windowplacement.h"
#include "scan/drives.h"
#include "scan/scantexts.h"
#include "store/catalogue.h"
#include "store/textrules.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QStackedWidget>
#include <QThread>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString nextCaption = QStringLiteral("下一步(&N)");
const QString commitCaption = QStringLiteral("添加所有(&A)");
const QString busyCaption = QStringLiteral("处理中稍候..");
const QString tick = QStringLiteral("√");
const QString alreadyPrepared = QStringLiteral("此影片已经添加至预备列表!");
const QString stopCommitCaption = QStringLiteral("停止添加");

constexpr int KeyRole = Qt::UserRole + 1;

// Where a found file is, by the bytes of its path: the same file found again by a new search is
// the same movie.
QByteArray keyOf(const QByteArray& rawFolder, const QByteArray& rawName)
{
    return rawFolder + '/' + rawName;
}
QByteArray keyOf(const CandidateRow& row)
{
    return keyOf(row.rawFolder, row.rawName);
}

constexpr int RawFolderRole = Qt::UserRole + 2;
constexpr int RawNameRole = Qt::UserRole + 3;

// A list with report columns that pops its own context menu, by mouse or by the menu key, only
// while it has rows.
class WizardList : public QTreeWidget
{
public:
    WizardList(const QString& name, const QStringList& headers, QMenu*& menu, QWidget* parent)
        : QTreeWidget(parent)
        , menu_(menu)
    {
        setObjectName(name);
        setHeaderLabels(headers);
        setRootIsDecorated(false);
        setUniformRowHeights(true);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setAllColumnsShowFocus(true);
        header()->setStretchLastSection(false);
        header()->resizeSection(0, 260);
    }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override
    {
        if (topLevelItemCount() == 0 || !menu_)
            return;
        if (event->reason() != QContextMenuEvent::Keyboard) {
            if (QTreeWidgetItem* item = itemAt(viewport()->mapFromGlobal(event->globalPos())))
                setCurrentItem(item);
            menu_->popup(event->globalPos());
            return;
        }
        // The menu key acts on the current row (the first when none is), marked so the user sees it.
        QTreeWidgetItem* item = currentItem() ? currentItem() : topLevelItem(0);
        setCurrentItem(item);
        scrollToItem(item);
        menu_->popup(viewport()->mapToGlobal(visualItemRect(item).center()));
    }

private:
    QMenu*& menu_;
};

} // namespace

WizardDialog::WizardDialog(AppContext& context, std::function<void()> discStored, QWidget* parent)
    : QDialog(parent)
    , context_(context)
    , discStored_(std::move(discStored))
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("魔法向导添加影片信息"));
    auto* layout = new QVBoxLayout(this);
    auto* banner = new QLabel(QStringLiteral(
        "  在您新刻录了一张包含您下载的电影的光碟以后,你可以使用 魔法向导 "
        "向您的数据库添加新的光盘和批量影片信息。然而魔法向导只是给您提供简单的自动添加服务,"
        "如果需要详细的影片信息,在用魔法向导简单添加后,再逐条更改其详细信息(包括简介,海报等)"));
    banner->setWordWrap(true);
    layout->addWidget(banner);

    buildMenus();
    pages_ = new QStackedWidget(this);
    pages_->addWidget(buildDiscPage());
    pages_->addWidget(buildSearchPage());
    pages_->addWidget(buildPreparedPage());
    layout->addWidget(pages_, 1);

    auto* buttons = new QHBoxLayout;
    help_ = new QPushButton(QStringLiteral("显示帮助"), this);
    help_->setObjectName(QStringLiteral("Command4"));
    back_ = new QPushButton(QStringLiteral("上一步(&P)"), this);
    back_->setObjectName(QStringLiteral("Command1"));
    next_ = new QPushButton(nextCaption, this);
    next_->setObjectName(QStringLiteral("Command2"));
    next_->setDefault(true);
    buttons->addWidget(help_);
    buttons->addStretch(1);
    buttons->addWidget(back_);
    buttons->addWidget(next_);
    layout->addLayout(buttons);
    connect(next_, &QPushButton::clicked, this, &WizardDialog::next);
    connect(back_, &QPushButton::clicked, this, &WizardDialog::back);
    connect(help_, &QPushButton::clicked, this,
        [this] { context_.desktop.openUrl(QUrl::fromLocalFile(context_.folder.helpFile())); });

    WindowPlacement::fitAndCentre(this, QSize(720, 520));
    showStep(1);
    number_->setFocus();
}

WizardDialog::~WizardDialog()
{
    stopSearch();
}

void WizardDialog::stopSearch()
{
    cancelSearch();
    if (!worker_)
        return;
    worker_->wait();
    worker_.reset();
    QApplication::restoreOverrideCursor();
    setBusy(false);
}

QWidget* WizardDialog::buildDiscPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("Picture1"));
    auto* layout = new QVBoxLayout(page);
    auto* hint = new QLabel(QStringLiteral("首先须要添加您对光盘的编号、名称、电影存在的介质等等信息"), page);
    hint->setObjectName(QStringLiteral("Label1"));
    layout->addWidget(hint);

    number_ = new QLineEdit(QString::number(qint64(context_.session.highestDiscNumber) + 1), page);
    number_->setObjectName(QStringLiteral("Text1_0"));
    name_ = new QLineEdit(page);
    name_->setObjectName(QStringLiteral("Text1_1"));
    kind_ = new QComboBox(page);
    kind_->setObjectName(QStringLiteral("Combo1"));
    kind_->setEditable(true);
    kind_->setInsertPolicy(QComboBox::NoInsert);
    kind_->addItems({ QStringLiteral("DVD"), QStringLiteral("VCD"), QStringLiteral("Blu-Ray"),
        QStringLiteral("DoubleSide-DVD"), QStringLiteral("硬盘"), QStringLiteral("移动存储介质") });
    kind_->setCurrentIndex(0);
    drive_ = new QComboBox(page);
    drive_->setObjectName(QStringLiteral("Combo2"));
    drive_->setEditable(true);
    drive_->setInsertPolicy(QComboBox::NoInsert);
    // The mounted discs and removable media; any folder may be typed instead.
    for (const DriveChoice& d : removableDrives(MountTable::current()))
        drive_->addItem(d.root);
    drive_->setEditText(context_.settings.text(Settings::mainSection(), QStringLiteral("Customdrive")));

    const std::pair<const char16_t*, QWidget*> rows[] = {
        { u"(1)请输入光盘号,也就是您在光盘背面写上的编号.", number_ },
        { u"(2)请输入您对光盘的命名,即对其的简介,可以为空.", name_ },
        { u"(3)请选择光盘的种类,VCD/DVD/Blu-Ray/DoubleSide-DVD/", kind_ },
        { u"(4)请选择您的驱动器。", drive_ },
    };
    for (const auto& [caption, box] : rows) {
        auto* label = new QLabel(QString::fromUtf16(caption), page);
        label->setBuddy(box);
        layout->addWidget(label);
        layout->addWidget(box);
    }
    readFacts_ = new QCheckBox(QStringLiteral("从影片文件读取时长、清晰度和语言"), page);
    readFacts_->setObjectName(QStringLiteral("CheckFacts"));
    readFacts_->setToolTip(QStringLiteral("只填写简介文本没有给出的栏目；读不出的文件会在添加后列出。"));
    readFacts_->setChecked(true);
    layout->addSpacing(6);
    layout->addWidget(readFacts_);
    layout->addStretch(1);
    return page;
}

QWidget* WizardDialog::buildSearchPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("Picture2"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(
        QStringLiteral(
            "请将光盘放入驱动器,点击“搜索驱动器”,然后在列表中右键选出代表各部影视的文件,添加至预备列表。"),
        page));
    auto* row = new QHBoxLayout;
    searchButton_ = new QPushButton(QStringLiteral("搜索驱动器"), page);
    searchButton_->setObjectName(QStringLiteral("Command3"));
    stopButton_ = new QPushButton(QStringLiteral("停止搜索"), page);
    stopButton_->setObjectName(QStringLiteral("StopSearch"));
    stopButton_->setEnabled(false);
    progress_ = new QLabel(page);
    progress_->setObjectName(QStringLiteral("Label3"));
    // The label takes the room the row leaves; its text never asks for more.
    progress_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    progress_->setMinimumWidth(1);
    row->addWidget(searchButton_);
    row->addWidget(stopButton_);
    row->addWidget(progress_, 1);
    layout->addLayout(row);
    connect(searchButton_, &QPushButton::clicked, this, &WizardDialog::search);
    connect(stopButton_, &QPushButton::clicked, this, &WizardDialog::cancelSearch);

    candidates_ = new WizardList(QStringLiteral("ListView1"),
        { QStringLiteral("文件名"), QStringLiteral("状态"), QStringLiteral("文件大小"),
            QStringLiteral("目录"), QStringLiteral("后缀名"), QStringLiteral("是否重复") },
        candidateMenu_, page);
    layout->addWidget(candidates_, 1);
    auto* labels = new QHBoxLayout;
    volumeLabel_ = new QLabel(page);
    volumeLabel_->setObjectName(QStringLiteral("Label4"));
    fileSystem_ = new QLabel(page);
    fileSystem_->setObjectName(QStringLiteral("Label5"));
    labels->addWidget(volumeLabel_, 1);
    labels->addWidget(fileSystem_, 1);
    layout->addLayout(labels);
    return page;
}

QWidget* WizardDialog::buildPreparedPage()
{
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("Picture3"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(
        QStringLiteral("代表光盘上影视的代表文件已经选出,列在下表中,您可以在文件名上点击右键来筛选。"),
        page));
    prepared_ = new WizardList(QStringLiteral("ListView2"),
        { QStringLiteral("文件名"), QStringLiteral("文件大小"), QStringLiteral("所在目录"),
            QStringLiteral("添加否"), QStringLiteral("文件格式") },
        preparedMenu_, page);
    layout->addWidget(prepared_, 1);
    preparedCount_ = new QLabel(page);
    preparedCount_->setObjectName(QStringLiteral("Label6"));
    layout->addWidget(preparedCount_);
    auto* progressRow = new QHBoxLayout;
    commitProgress_ = new QLabel(page);
    commitProgress_->setObjectName(QStringLiteral("CommitProgress"));
    stopCommit_ = new QPushButton(stopCommitCaption, page);
    stopCommit_->setObjectName(QStringLiteral("StopCommit"));
    stopCommit_->setVisible(false);
    progressRow->addWidget(commitProgress_, 1);
    progressRow->addWidget(stopCommit_);
    layout->addLayout(progressRow);
    connect(stopCommit_, &QPushButton::clicked, this, &WizardDialog::cancelCommit);
    return page;
}

void WizardDialog::buildMenus()
{
    candidateMenu_ = new QMenu(this);
    candidateMenu_->setObjectName(QStringLiteral("popupform41"));
    auto add = [](QMenu* menu, const char* name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    connect(add(candidateMenu_, "MN_add", QStringLiteral("添加到预备列表")), &QAction::triggered, this,
        &WizardDialog::addSelectedCandidate);
    connect(add(candidateMenu_, "Add_all", QStringLiteral("全部添加至预备")), &QAction::triggered, this,
        &WizardDialog::addAllCandidates);
    candidateMenu_->addSeparator();
    connect(add(candidateMenu_, "MN_refresh", QStringLiteral("刷新")), &QAction::triggered, this,
        &WizardDialog::search);

    preparedMenu_ = new QMenu(this);
    preparedMenu_->setObjectName(QStringLiteral("popupform42"));
    connect(add(preparedMenu_, "MN_del", QStringLiteral("清除选中记录")), &QAction::triggered, this,
        &WizardDialog::removeSelectedPrepared);
    preparedMenu_->addSeparator();
    connect(add(preparedMenu_, "Clear_all", QStringLiteral("全部清除")), &QAction::triggered, this,
        &WizardDialog::clearPrepared);
}

void WizardDialog::showStep(int step)
{
    step_ = step;
    pages_->setCurrentIndex(step - 1);
    back_->setEnabled(step > 1 && !isSearching());
    next_->setText(step == 3 ? commitCaption : nextCaption);
    if (step == 3)
        updatePreparedCount();
    // The keyboard starts where the step's work is.
    QWidget* first[] = { number_, searchButton_, prepared_ };
    first[step - 1]->setFocus();
}

void WizardDialog::next()
{
    if (isSearching() || committing_)
        return;
    if (next_->text() == commitCaption) {
        commit();
        return;
    }
    showStep(std::min(step_ + 1, 3));
}

void WizardDialog::back()
{
    if (isSearching() || committing_ || step_ == 1)
        return;
    showStep(step_ - 1);
}

void WizardDialog::updatePreparedCount()
{
    preparedCount_->setText(QStringLiteral("预备列表中共有") + QString::number(prepared_->topLevelItemCount())
        + QStringLiteral("个待添加影片."));
}

void WizardDialog::setBusy(bool busy)
{
    // Nothing that starts another search or changes the lists while one runs.
    searchButton_->setEnabled(!busy);
    stopButton_->setEnabled(busy && isSearching());
    back_->setEnabled(!busy && step_ > 1);
    next_->setEnabled(!busy);
    for (QAction* a : candidateMenu_->actions())
        a->setEnabled(!busy);
    for (QAction* a : preparedMenu_->actions())
        a->setEnabled(!busy);
}

void WizardDialog::search()
{
    if (isSearching() || committing_)
        return;
    QString error;
    const std::optional<ScanRequest> request
        = ScanRequest::load(context_.folder, drive_->currentText(), &error);
    if (!request) {
        context_.prompt.warn(this, error);
        return;
    }
    const VolumeInfo volume = showVolumeInfo(normalizedRoot(request->root));
    if (volume.readError) {
        context_.prompt.warn(this, ScanTexts::readError());
    } else {
        volumeLabel_->setText(volume.labelText());
        fileSystem_->setText(volume.fileSystemText());
    }
    candidates_->clear();
    rows_.clear();
    progress_->setText(ScanTexts::searching());
    cancel_ = std::make_shared<std::atomic_bool>(false);
    const auto cancel = cancel_;
    // The walk runs beside the window, which stays usable and shows where it is.
    const QString catalogueFile = context_.folder.catalogueFile();
    worker_.reset(QThread::create([this, cancel, r = *request, catalogueFile] {
        qint64 lastShown = -1000;
        const DriveSearch result = searchDrive(r, [this, cancel, &lastShown](const ScanProgress& p) {
            if (p.foldersVisited - lastShown >= 50) {
                lastShown = p.foldersVisited;
                QMetaObject::invokeMethod(
                    this, [this, p] { showProgress(p.foldersVisited, p.moviesFound, p.folder); },
                    Qt::QueuedConnection);
            }
            return !cancel->load();
        });
        // A medium that is already a catalogued disc is said before anything is stored.
        const Identify::Result known = result.rootFailed() || cancel->load()
            ? Identify::Result {}
            : Identify::identify(catalogueFile, normalizedRoot(r.root), cancel.get());
        QMetaObject::invokeMethod(
            this, [this, result, known] { searchDone(result, known); }, Qt::QueuedConnection);
    }));
    setBusy(true);
    stopButton_->setEnabled(true);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    worker_->start();
}

void WizardDialog::showProgress(qint64 folders, qint64 files, const QString& folder)
{
    if (!isSearching())
        return;
    const QString counts
        = QStringLiteral("正在搜索:已查看 %1 个文件夹,找到 %2 个文件 ").arg(folders).arg(files);
    // The folder gives way in its middle, so that the window never widens for a deep path.
    const QFontMetrics metrics(progress_->font());
    const int room = std::max(0, progress_->contentsRect().width() - metrics.horizontalAdvance(counts));
    progress_->setText(counts + metrics.elidedText(folder, Qt::ElideMiddle, room));
}

void WizardDialog::cancelSearch()
{
    if (cancel_)
        cancel_->store(true);
}

void WizardDialog::setDrive(const QString& root)
{
    drive_->setEditText(root);
}

void WizardDialog::searchDone(const DriveSearch& result, const Identify::Result& known)
{
    if (!worker_)
        return; // the window was closed while the search ran
    worker_->wait();
    worker_.reset();
    QApplication::restoreOverrideCursor();
    // A disc that could not be read to the end leaves no rows to prepare: they are not the disc.
    fillCandidates(result.rootFailed() ? QList<CandidateRow>() : result.rows);
    progress_->setText(result.resultText());
    setBusy(false);
    if (candidates_->topLevelItemCount() > 0) {
        candidates_->setCurrentItem(candidates_->topLevelItem(0));
        candidates_->setFocus();
    }
    if (result.rootFailed())
        context_.prompt.warn(this, result.problem);
    else if (known.status == Identify::Result::Found && !(cancel_ && cancel_->load())) {
        const Identify::Candidate& disc = known.candidates.first();
        context_.prompt.warn(this,
            QStringLiteral("这张光盘已登记为 %1。再登记一次会在目录中多出一张同样的光盘。")
                .arg(Identify::discLabel(disc.disc, disc.name)));
    }
    emit searchFinished();
}

void WizardDialog::fillCandidates(const QList<CandidateRow>& rows)
{
    rows_ = rows;
    candidateAt_.clear();
    candidateAt_.reserve(rows.size());
    QSet<QByteArray> prepared;
    prepared.reserve(prepared_->topLevelItemCount());
    for (int i = 0; i < prepared_->topLevelItemCount(); ++i)
        prepared.insert(prepared_->topLevelItem(i)->data(0, KeyRole).toByteArray());
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.size());
    for (const CandidateRow& r : rows) {
        const QByteArray key = keyOf(r);
        // Files already prepared keep their mark through a new search.
        const QString mark = prepared.contains(key) ? tick : r.status;
        auto* item = new QTreeWidgetItem(
            QStringList { r.fileName, mark, r.sizeText, r.folder, r.extension, r.duplicateMark });
        item->setData(0, KeyRole, key);
        item->setIcon(0, fileIcons_.forKind(r.icon));
        candidateAt_.insert(key, int(items.size()));
        items.append(item);
    }
    candidates_->addTopLevelItems(items);
}

QTreeWidgetItem* WizardDialog::preparedItem(int candidate)
{
    const CandidateRow& r = rows_.at(candidate);
    const WizardCommit::PreparedRow p = WizardCommit::preparedRow(r);
    auto* item = new QTreeWidgetItem(QStringList { p.name, p.sizeText, p.folder, QString(), p.extension });
    item->setData(0, KeyRole, keyOf(r));
    item->setIcon(0, fileIcons_.forKind(FileIcons::Video));
    item->setData(0, Qt::UserRole, p.foundName);
    item->setData(0, RawFolderRole, p.rawFolder);
    item->setData(0, RawNameRole, p.rawName);
    preparedParts_.insert(keyOf(r), p.parts);
    candidates_->topLevelItem(candidate)->setText(1, tick);
    return item;
}

void WizardDialog::setCandidateMark(const QByteArray& key, bool prepared)
{
    const auto it = candidateAt_.constFind(key);
    if (it != candidateAt_.cend())
        candidates_->topLevelItem(*it)->setText(1, prepared ? tick : QString());
}

void WizardDialog::addSelectedCandidate()
{
    QTreeWidgetItem* item = candidates_->currentItem();
    // Only a row the user sees chosen is added.
    if (!item || !item->isSelected() || isSearching() || committing_)
        return;
    if (item->text(1) == tick) {
        context_.prompt.warn(this, alreadyPrepared);
        return;
    }
    prepared_->addTopLevelItem(preparedItem(candidates_->indexOfTopLevelItem(item)));
}

void WizardDialog::addAllCandidates()
{
    if (isSearching() || committing_)
        return;
    // One insertion for all rows: the list lays itself out once, however many there are.
    QList<QTreeWidgetItem*> items;
    for (int i = 0; i < candidates_->topLevelItemCount(); ++i)
        if (candidates_->topLevelItem(i)->text(1) != tick)
            items.append(preparedItem(i));
    prepared_->addTopLevelItems(items);
}

void WizardDialog::removeSelectedPrepared()
{
    QTreeWidgetItem* item = prepared_->currentItem();
    if (!item || !item->isSelected() || committing_)
        return; // nothing selected: nothing to remove
    setCandidateMark(item->data(0, KeyRole).toByteArray(), false);
    delete item;
    if (step_ == 3)
        updatePreparedCount();
}

void WizardDialog::clearPrepared()
{
    if (committing_)
        return;
    prepared_->clear();
    for (int i = 0; i < candidates_->topLevelItemCount(); ++i)
        candidates_->topLevelItem(i)->setText(1, QString());
    if (step_ == 3)
        updatePreparedCount();
}

void WizardDialog::commit()
{
    WizardCommit::Disc disc { number_->text(), name_->text(), kind_->currentText(), drive_->currentText() };
    QList<WizardCommit::PreparedRow> rows;
    rows.reserve(prepared_->topLevelItemCount());
    for (int i = 0; i < prepared_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = prepared_->topLevelItem(i);
        rows.append({ item->text(0), item->text(1), item->text(2), item->text(4),
            item->data(0, Qt::UserRole).toString(), item->data(0, RawNameRole).toByteArray(),
            item->data(0, RawFolderRole).toByteArray(),
            preparedParts_.value(item->data(0, KeyRole).toByteArray()) });
    }
    Catalogue catalogue(context_.folder.catalogueFile());
    // The checks come before anything changes, so a refusal keeps the wizard on this step as it was.
    if (const auto problem = WizardCommit::problemWith(catalogue, disc, rows.size())) {
        context_.prompt.warn(this, *problem);
        return;
    }
    committing_ = true;
    setBusy(true);
    next_->setText(busyCaption);
    stopCommit_->setVisible(true);
    stopCommit_->setEnabled(true);
    const WizardCommit::Result result = runCommit(disc, rows);
    committing_ = false;
    stopCommit_->setVisible(false);
    commitProgress_->clear();
    setBusy(false);
    next_->setText(commitCaption);
    if (!result.stored) {
        context_.prompt.warn(this, result.error);
        return;
    }
    for (int i = 0; i < prepared_->topLevelItemCount(); ++i)
        prepared_->topLevelItem(i)->setText(3, tick);
    ++context_.session.highestDiscNumber;
    if (discStored_)
        discStored_();
    reportStored(disc, result);
    accept();
}

WizardCommit::Result WizardDialog::runCommit(
    const WizardCommit::Disc& disc, const QList<WizardCommit::PreparedRow>& rows)
{
    // The reading, copying and storing run beside the window, which keeps painting and shows how
    // far they are; the window waits here as a dialog waits for its answer.
    cancelCommit_ = std::make_shared<std::atomic_bool>(false);
    const auto cancel = cancelCommit_;
    const QString magicSelect4V
        = context_.settings.text(Settings::mainSection(), QStringLiteral("MagicSelect4V"));
    const DataFolder folder = context_.folder;
    WizardCommit::Result result;
    showCommitProgress(0, int(rows.size()));
    WizardCommit::Options options;
    options.readFacts = readFacts_->isChecked();
    options.factsProgress = postedProgress(
        this, [this](int done, int total) { showFactsProgress(done, total); }, cancel);
    const auto rowsDone = postedProgress(
        this, [this](int done, int total) { showCommitProgress(done, total); }, cancel);
    runBesideWindow(
        [&] {
            Catalogue catalogue(folder.catalogueFile());
            result = WizardCommit::commit(catalogue, folder, magicSelect4V, disc, rows, rowsDone, options);
        },
        this);
    cancelCommit_.reset();
    return result;
}

void WizardDialog::showCommitProgress(int done, int total)
{
    if (!committing_)
        return;
    commitProgress_->setText(done < total
            ? QStringLiteral("正在读取简介、复制海报：%1 / %2").arg(done).arg(total)
            : QStringLiteral("正在写入目录数据库：%1 / %2").arg(done).arg(total));
    emit commitProgressShown(done, total);
}

void WizardDialog::showFactsProgress(int done, int total)
{
    if (!committing_)
        return;
    commitProgress_->setText(
        QStringLiteral("正在读取影片文件的时长、清晰度和语言：%1 / %2").arg(done).arg(total));
    emit commitProgressShown(done, total);
}

void WizardDialog::cancelCommit()
{
    if (cancelCommit_) {
        cancelCommit_->store(true);
        stopCommit_->setEnabled(false);
    }
}

void WizardDialog::reportStored(const WizardCommit::Disc& disc, const WizardCommit::Result& result)
{
    if (result.warnings.isEmpty())
        return;
    context_.prompt.showList(this, Prompt::Icon::Information,
        QStringLiteral("已添加光盘 %1 和其中的 %2 部影片。\n以下 %3 个文件没有用上（每行一个，可以复制）：")
            .arg(TextRules::trimBlanks(disc.number))
            .arg(result.movies.size())
            .arg(result.warnings.size()),
        result.warnings);
}

void WizardDialog::closeEvent(QCloseEvent* event)
{
    // A commit is one transaction and is not broken off; a search is stopped first.
    if (committing_) {
        event->ignore();
        return;
    }
    stopSearch();
    QDialog::closeEvent(event);
}

void WizardDialog::reject()
{
    if (committing_)
        return;
    stopSearch();
    QDialog::reject();
}
