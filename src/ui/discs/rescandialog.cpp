#include "rescandialog.h"

#include "app/appcontext.h"
#include "app/besidewindow.h"
#include "app/prompt.h"
#include "app/windowplacement.h"
#include "mediumrootbox.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

RescanDialog::RescanDialog(
    AppContext& context, const QString& discNumber, const QString& discName, QWidget* parent)
    : QDialog(parent)
    , context_(context)
    , number_(discNumber)
    , root_(new MediumRootBox(context, QString(), this))
    , readFacts_(new QCheckBox(QStringLiteral("从影片文件读取时长、清晰度和语言"), this))
    , progress_(new QLabel(this))
    , start_(new QPushButton(QStringLiteral("开始读取(&S)"), this))
    , stop_(new QPushButton(QStringLiteral("停止(&T)"), this))
    , close_(new QPushButton(QStringLiteral("关闭(&C)"), this))
{
    setObjectName(QStringLiteral("FormRescan"));
    setWindowTitle(QStringLiteral("重新读取光盘"));
    auto* layout = new QVBoxLayout(this);
    const QString shownName = discName.isEmpty() ? QString() : QStringLiteral(" [%1]").arg(discName);
    auto* hint = new QLabel(
        QStringLiteral("重新读取 碟#%1%2 的光盘：在光盘上查找影片文件，按魔法向导的命名规则对应到"
                       "这张光盘的影片，记住它们的文件和媒体信息。只填写空着的栏目，已填写的内容不会改动。")
            .arg(discNumber, shownName),
        this);
    hint->setWordWrap(true);
    layout->addWidget(hint);

    auto* rootLabel = new QLabel(QStringLiteral("光盘所在的文件夹(&D)："), this);
    rootLabel->setBuddy(root_->combo());
    layout->addWidget(rootLabel);
    layout->addWidget(root_);

    readFacts_->setObjectName(QStringLiteral("CheckFacts"));
    readFacts_->setChecked(true);
    layout->addWidget(readFacts_);
    progress_->setObjectName(QStringLiteral("LabelProgress"));
    layout->addWidget(progress_);

    auto* buttons = longWorkButtons(this, start_, stop_, close_);
    connect(start_, &QPushButton::clicked, this, &RescanDialog::start);
    connect(stop_, &QPushButton::clicked, this, [this] {
        if (cancel_)
            cancel_->store(true);
        stop_->setEnabled(false);
    });
    connect(close_, &QPushButton::clicked, this, &RescanDialog::reject);
    layout->addWidget(buttons);
    WindowPlacement::fitAndCentre(this, QSize(560, sizeHint().height()));
}

void RescanDialog::showProgress(int done, int total)
{
    if (!running_)
        return;
    progress_->setText(QStringLiteral("正在读取影片文件的媒体信息：%1 / %2").arg(done).arg(total));
    emit progressShown(done, total);
}

void RescanDialog::start()
{
    const QString root = root_->root();
    if (root.isEmpty()) {
        context_.prompt.warn(this, QStringLiteral("请先选择光盘所在的文件夹。"));
        return;
    }
    running_ = true;
    cancel_ = std::make_shared<std::atomic_bool>(false);
    const auto cancel = cancel_;
    start_->setEnabled(false);
    close_->setEnabled(false);
    root_->setEnabled(false);
    readFacts_->setEnabled(false);
    stop_->setVisible(true);
    stop_->setEnabled(true);
    progress_->setText(QStringLiteral("正在查找光盘上的影片文件..."));
    Rescan::Options options;
    options.readFacts = readFacts_->isChecked();
    const DataFolder folder = context_.folder;
    const QString number = number_;
    Rescan::Report result;
    options.progress = postedProgress(
        this, [this](int done, int total) { showProgress(done, total); }, cancel);
    // The reading runs beside the window, which keeps painting and shows how far it is.
    runBesideWindow([&] { result = Rescan::run(folder, number, root, options); }, this);
    running_ = false;
    cancel_.reset();
    report_ = result;
    stop_->setVisible(false);
    start_->setEnabled(true);
    close_->setEnabled(true);
    root_->setEnabled(true);
    readFacts_->setEnabled(true);
    progress_->clear();
    if (!result.stored) {
        context_.prompt.warn(this, result.error);
        return;
    }
    const QStringList lines = Rescan::reportLines(result);
    context_.prompt.showList(this, Prompt::Icon::Information,
        QStringLiteral("已重新读取光盘 %1。").arg(number_) + u'\n' + lines.first(), lines.mid(1));
    emit rescanned(number_);
    accept();
}

void RescanDialog::closeEvent(QCloseEvent* event)
{
    // The reading is stopped first; it stores nothing when stopped.
    if (running_) {
        if (cancel_)
            cancel_->store(true);
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void RescanDialog::reject()
{
    if (running_) {
        if (cancel_)
            cancel_->store(true);
        return;
    }
    QDialog::reject();
}
