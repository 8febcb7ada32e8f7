#include "verifydialog.h"

#include "app/appcontext.h"
#include "app/plaintext.h"
#include "app/prompt.h"
#include "app/windowplacement.h"
#include "media/identify.h"
#include "media/mediatext.h"
#include "mediumrootbox.h"
#include "scan/drives.h"
#include "store/catalogue.h"
#include "store/discnumbers.h"
#include "store/textrules.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString recogniseText = QStringLiteral("（按放入的光盘识别）");

// The whole check beside the window: which disc the medium is, when not chosen, then its files.
struct Job
{
    QString catalogueFile;
    QString disc;
    QString root;
};

} // namespace

VerifyDialog::VerifyDialog(
    AppContext& context, const QString& discNumber, const QString& root, QWidget* parent)
    : QDialog(parent)
    , context_(context)
    , disc_(new QComboBox(this))
    , root_(new MediumRootBox(context, root, this))
    , bar_(new QProgressBar(this))
    , progress_(new QLabel(this))
    , summary_(new QLabel(this))
    , files_(new QTreeWidget(this))
    , start_(new QPushButton(QStringLiteral("开始校验(&S)"), this))
    , stop_(new QPushButton(QStringLiteral("停止(&T)"), this))
    , close_(new QPushButton(QStringLiteral("关闭(&C)"), this))
    , ticker_(new QTimer(this))
{
    setObjectName(QStringLiteral("FormVerify"));
    setWindowTitle(QStringLiteral("校验光盘"));
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(
        QStringLiteral("把光盘上记住的每个文件完整读一遍，看它们是否还能读出、是否与第一次校验时"
                       "相同。读取按光驱自己的速度进行，可以随时停止；校验时可以继续使用主窗口。"),
        this);
    hint->setWordWrap(true);
    layout->addWidget(hint);

    auto* form = new QFormLayout;
    disc_->setObjectName(QStringLiteral("ComboDisc"));
    fillDiscs(discNumber);
    form->addRow(QStringLiteral("光盘(&P)："), disc_);
    form->addRow(QStringLiteral("光盘所在的文件夹(&D)："), root_);
    layout->addLayout(form);

    bar_->setObjectName(QStringLiteral("BarProgress"));
    bar_->setRange(0, 1000);
    bar_->setValue(0);
    bar_->setVisible(false);
    layout->addWidget(bar_);
    progress_->setObjectName(QStringLiteral("LabelProgress"));
    progress_->setWordWrap(true);
    layout->addWidget(progress_);
    summary_->setObjectName(QStringLiteral("LabelSummary"));
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(summary_);

    files_->setObjectName(QStringLiteral("ListFiles"));
    files_->setHeaderLabels({ QStringLiteral("文件"), QStringLiteral("大小"), QStringLiteral("结果") });
    files_->setRootIsDecorated(false);
    files_->setUniformRowHeights(true);
    files_->header()->setStretchLastSection(false);
    files_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    files_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    files_->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    files_->setVisible(false);
    layout->addWidget(files_, 1);

    auto* buttons = longWorkButtons(this, start_, stop_, close_);
    connect(start_, &QPushButton::clicked, this, &VerifyDialog::start);
    connect(stop_, &QPushButton::clicked, this, [this] {
        if (stopFlag_)
            stopFlag_->store(true);
        stop_->setEnabled(false);
        progress_->setText(QStringLiteral("正在停止..."));
    });
    connect(close_, &QPushButton::clicked, this, &VerifyDialog::reject);
    layout->addWidget(buttons);

    ticker_->setInterval(250);
    connect(ticker_, &QTimer::timeout, this, &VerifyDialog::showProgress);
    WindowPlacement::fitAndCentre(this, QSize(640, sizeHint().height()));
}

VerifyDialog::~VerifyDialog()
{
    // The window goes away with the program: the check is stopped (nothing stored) and waited for.
    if (worker_) {
        stopFlag_->store(true);
        worker_->wait();
    }
}

void VerifyDialog::fillDiscs(const QString& discNumber)
{
    disc_->addItem(recogniseText, QString());
    QString error;
    const auto discs = Catalogue(context_.folder.catalogueFile()).discs(&error);
    for (const DiscRecord& d : discs.value_or(QList<DiscRecord>())) {
        const QString number = DiscNumbers::numberOf(d.diskNum);
        if (!number.isEmpty())
            disc_->addItem(Identify::discLabel(number, TextRules::trimBlanks(d.name.toString())), number);
    }
    const int at = discNumber.isEmpty() ? 0 : disc_->findData(discNumber);
    disc_->setCurrentIndex(std::max(0, at));
}

QString VerifyDialog::chosenDisc() const
{
    return disc_->currentData().toString();
}

void VerifyDialog::setRunning(bool running)
{
    start_->setEnabled(!running);
    close_->setEnabled(!running);
    disc_->setEnabled(!running);
    root_->setEnabled(!running);
    stop_->setVisible(running);
    stop_->setEnabled(running);
    bar_->setVisible(running);
    if (running) {
        ticker_->start();
        stop_->setFocus();
    } else {
        ticker_->stop();
        start_->setFocus();
    }
}

void VerifyDialog::start()
{
    if (worker_)
        return;
    const QString root = normalizedRoot(root_->root());
    if (root.isEmpty()) {
        context_.prompt.warn(this, QStringLiteral("请先选择光盘所在的文件夹。"));
        return;
    }
    result_.reset();
    files_->clear();
    files_->setVisible(false);
    summary_->clear();
    bar_->setValue(0);
    progress_->setText(chosenDisc().isEmpty() ? QStringLiteral("正在识别光盘...")
                                              : QStringLiteral("正在列出要校验的文件..."));
    stopFlag_ = std::make_shared<std::atomic_bool>(false);
    shared_ = std::make_shared<Shared>();
    const Job job { context_.folder.catalogueFile(), chosenDisc(), root };
    worker_.reset(QThread::create([this, job, stop = stopFlag_, shared = shared_] {
        Outcome outcome;
        outcome.disc = job.disc;
        if (outcome.disc.isEmpty()) {
            const Identify::Result found = Identify::identify(job.catalogueFile, job.root, stop.get());
            if (stop->load())
                outcome.result = { DiscVerify::Result::Stopped,
                    QStringLiteral("已停止识别光盘，校验没有进行，没有保存任何结果。"), {}, {} };
            else if (found.status == Identify::Result::Found)
                outcome.disc = found.candidates.first().disc;
            else
                outcome.result.error = found.status == Identify::Result::Failed ? found.error
                    : found.status == Identify::Result::Tie ? Identify::tieMessage(found.candidates)
                                                            : Identify::unknownMessage;
        }
        if (!outcome.disc.isEmpty())
            outcome.result = DiscVerify::run(job.catalogueFile, outcome.disc, job.root, stop.get(),
                [shared](const DiscVerify::Progress& p) {
                    const QMutexLocker hold(&shared->lock);
                    shared->progress = p;
                });
        QMetaObject::invokeMethod(
            this, [this, outcome] { done(outcome); }, Qt::QueuedConnection);
    }));
    took_.start();
    setRunning(true);
    worker_->start();
}

void VerifyDialog::showProgress()
{
    if (!shared_)
        return;
    DiscVerify::Progress p;
    {
        const QMutexLocker hold(&shared_->lock);
        p = shared_->progress;
    }
    if (p.files == 0 || (stopFlag_ && stopFlag_->load()))
        return;
    bar_->setValue(p.bytes > 0 ? int(p.bytesDone * 1000 / p.bytes) : 0);
    progress_->setText(DiscVerify::progressText(p, double(took_.elapsed()) / 1000.0));
}

void VerifyDialog::done(const Outcome& outcome)
{
    if (!worker_)
        return;
    worker_->wait();
    worker_.reset();
    shared_.reset();
    const bool stopped = stopFlag_->load();
    stopFlag_.reset();
    setRunning(false);
    progress_->clear();
    result_ = outcome.result;
    const DiscVerify::Result& r = outcome.result;
    const int at = disc_->findData(outcome.disc);
    const QString label = at >= 0 ? disc_->itemText(at) : Identify::discLabel(outcome.disc, QString());
    if (r.status == DiscVerify::Result::Done)
        emit checked(outcome.disc);
    if (closeWhenDone_) {
        emit finished(outcome.disc);
        close();
        return;
    }
    if (r.status == DiscVerify::Result::Done) {
        showFiles(r);
        emit finished(outcome.disc);
        if (DiscVerify::looksDamaged(r.check))
            offerDamaged(outcome.disc, label, r.check);
        return;
    }
    emit finished(outcome.disc);
    if (r.status == DiscVerify::Result::NoFiles) {
        if (context_.prompt.ask(this, Prompt::Icon::Question,
                r.error + QStringLiteral("\n\n现在重新读取这张光盘吗？"), Prompt::Buttons::YesNo)
            == Prompt::Answer::Yes)
            emit rescanWanted(outcome.disc);
        return;
    }
    // A stop the user asked for is said in the window, not in a message box.
    if (r.status == DiscVerify::Result::Stopped || stopped)
        summary_->setText(r.error);
    else
        context_.prompt.warn(this, r.error);
}

void VerifyDialog::showFiles(const DiscVerify::Result& r)
{
    const MediaTables::DiscCheckRecord& c = r.check;
    summary_->setText(QStringLiteral("校验完毕：%1。读取 %2，用时 %3 秒。")
                          .arg(MediaText::check(c), MediaText::size(c.bytes),
                              TextRules::shortestDecimal(std::round(c.seconds * 10) / 10)));
    QList<QTreeWidgetItem*> items;
    items.reserve(r.files.size());
    // The files that failed come first: they are what the user looks for.
    for (const bool wantOk : { false, true })
        for (const DiscVerify::FileResult& f : r.files) {
            if ((f.status == FileCheck::Outcome::Ok) != wantOk)
                continue;
            auto* item = new QTreeWidgetItem(QStringList { QDir::toNativeSeparators(f.path),
                MediaText::size(f.size), MediaText::fileStatus(DiscVerify::statusName(f.status), f.offset) });
            item->setToolTip(0, PlainText::tip(f.path));
            if (!wantOk)
                item->setForeground(2, QColor(0xb0, 0x20, 0x20));
            items << item;
        }
    files_->addTopLevelItems(items);
    if (!files_->isVisible()) {
        files_->setVisible(true);
        // The list needs room for a dozen files; the window grows for it as far as the screen allows.
        const int rows = std::min(12, int(items.size()) + 1);
        const int wanted = files_->sizeHintForRow(0) * rows + files_->header()->sizeHint().height();
        WindowPlacement::fitAndCentre(this, QSize(width(), height() + wanted));
    }
}

void VerifyDialog::offerDamaged(
    const QString& number, const QString& label, const MediaTables::DiscCheckRecord& check)
{
    DiscRecord disc;
    Catalogue catalogue(context_.folder.catalogueFile());
    if (!catalogue.findDisc(number, &disc).ok())
        return;
    const QString damaged = QStringLiteral("破损");
    if (TextRules::trimBlanks(disc.station.toString()) == damaged)
        return;
    const QString question = QStringLiteral("%1 有文件缺失或无法读取（%2）。\n\n把它的磁盘状态改为“破损”吗？")
                                 .arg(label, MediaText::check(check));
    if (context_.prompt.ask(this, Prompt::Icon::Question, question, Prompt::Buttons::YesNo)
        != Prompt::Answer::Yes)
        return;
    DiscDetails details;
    details.station = damaged;
    const DiscOutcome saved = catalogue.updateDisc(number, details);
    if (!saved.ok()) {
        context_.prompt.warn(this, saved.error);
        return;
    }
    emit checked(number);
}

void VerifyDialog::closeEvent(QCloseEvent* event)
{
    // A running check is stopped first; it stores nothing when stopped, and the window closes after.
    if (worker_) {
        closeWhenDone_ = true;
        stopFlag_->store(true);
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void VerifyDialog::reject()
{
    if (worker_) {
        closeWhenDone_ = true;
        stopFlag_->store(true);
        return;
    }
    QDialog::reject();
}
