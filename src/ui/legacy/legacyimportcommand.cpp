#include "legacyimportcommand.h"

#include "app/appcontext.h"
#include "app/prompt.h"
#include "browse/disctreewidget.h"
#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "store/catalogue.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>

struct LegacyImportCommand::Outcome
{
    std::optional<LegacyImport::Report> report;
    QString error;
};

LegacyImportCommand::LegacyImportCommand(
    AppContext& context, DiscTreeWidget* tree, MovieListView* list, QWidget* window)
    : QObject(window)
    , context_(context)
    , tree_(tree)
    , list_(list)
    , window_(window)
{
}

LegacyImportCommand::~LegacyImportCommand()
{
    // The worker only touches files, never this object; it must still end before we do. A reading
    // still going on is stopped; a catalogue being written is finished.
    if (worker_) {
        *stopping_ = true;
        worker_->wait();
    }
}

QString LegacyImportCommand::confirmText(const QString& file)
{
    return QStringLiteral("要把旧版数据库 %1 中的光盘和影片导入目录吗？").arg(QDir::toNativeSeparators(file));
}

QString LegacyImportCommand::chooseText(const QString& file, qint64 discs, qint64 movies)
{
    return QStringLiteral("目录中已有 %1 张光盘、%2 部影片。如何导入旧版数据库 %3？\n\n"
                          "是：替换整个目录（先自动备份当前目录），并换用它的设置和图片；\n"
                          "否：添加到目录中（影片重新编号，目录中已有的光盘号不导入）；\n"
                          "取消：不导入。")
        .arg(discs)
        .arg(movies)
        .arg(QDir::toNativeSeparators(file));
}

bool LegacyImportCommand::importMdb()
{
    if (worker_)
        return false;
    const QString file = context_.pickFile(window_, QStringLiteral("导入旧版数据库"), context_.folder.path(),
        QStringLiteral("旧版数据库 (*.mdb)"));
    if (file.isEmpty())
        return false;
    // A file that cannot be an old catalogue is said before the user is asked what to do with it.
    if (const auto problem = fileCheck_ ? fileCheck_(file) : std::nullopt) {
        context_.prompt.warn(window_, *problem);
        return false;
    }
    const Catalogue catalogue(context_.folder.catalogueFile());
    QString error;
    const auto discs = catalogue.discs(&error);
    const qint64 movies = discs ? catalogue.movieCount(&error) : -1;
    if (!discs || movies < 0) {
        context_.prompt.warn(window_, error);
        return false;
    }
    LegacyImport::Mode mode = LegacyImport::Mode::Replace;
    if (discs->isEmpty() && movies == 0) {
        // Nothing to lose and nothing to renumber: the file's numbers and pictures stay as they are.
        if (context_.prompt.ask(window_, Prompt::Icon::Question, confirmText(file), Prompt::Buttons::YesNo)
            != Prompt::Answer::Yes)
            return false;
    } else {
        const Prompt::Answer answer = context_.prompt.ask(window_, Prompt::Icon::Question,
            chooseText(file, discs->size(), movies), Prompt::Buttons::YesNoCancel);
        if (answer == Prompt::Answer::Cancel)
            return false;
        mode = answer == Prompt::Answer::Yes ? LegacyImport::Mode::Replace : LegacyImport::Mode::Add;
    }
    start(QFileInfo(file).absoluteFilePath(), mode);
    return true;
}

void LegacyImportCommand::start(const QString& file, LegacyImport::Mode mode)
{
    outcome_ = std::make_shared<Outcome>();
    stopping_ = std::make_shared<std::atomic<bool>>(false);
    mode_ = mode;
    const DataFolder folder = context_.folder;
    const QDateTime now = context_.clock();
    std::shared_ptr<Outcome> outcome = outcome_;
    LegacyImport::Control control;
    control.reading.stop = stopping_.get();
    // Runs on the worker; the window hears of it through its own event loop.
    control.writing = [self = QPointer<LegacyImportCommand>(this)] {
        QMetaObject::invokeMethod(self.data(), &LegacyImportCommand::writingBegins, Qt::QueuedConnection);
    };
    writing_ = false;
    worker_ = QThread::create([importer = importer_, folder, file, mode, now, outcome, control] {
        outcome->report = importer(folder, file, mode, now, &outcome->error, control);
    });
    worker_->setParent(this);
    connect(worker_, &QThread::finished, this, &LegacyImportCommand::finish);

    QApplication::setOverrideCursor(Qt::WaitCursor);
    progress_ = new QProgressDialog(waitText(), QStringLiteral("取消"), 0, 0, window_);
    progress_->setObjectName(QStringLiteral("importProgress"));
    progress_->setWindowTitle(Prompt::title());
    progress_->setWindowModality(Qt::ApplicationModal);
    progress_->setMinimumDuration(0);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setAttribute(Qt::WA_DeleteOnClose);
    connect(progress_, &QProgressDialog::canceled, this, &LegacyImportCommand::stop);
    progress_->show();
    worker_->start();
}

void LegacyImportCommand::stop()
{
    if (!worker_ || !progress_)
        return;
    if (writing_) {
        // Esc or the close box during the writing: too late to stop, the window stays.
        progress_->show();
        return;
    }
    *stopping_ = true;
    // QProgressDialog hides itself on cancel; it stays up, greyed, until the worker has ended.
    progress_->setLabelText(stoppingText());
    if (auto* button = progress_->findChild<QPushButton*>())
        button->setEnabled(false);
    progress_->show();
}

void LegacyImportCommand::writingBegins()
{
    if (!progress_ || *stopping_)
        return;
    writing_ = true;
    progress_->setLabelText(writingText());
    if (auto* button = progress_->findChild<QPushButton*>())
        button->setEnabled(false);
}

void LegacyImportCommand::finish()
{
    worker_->deleteLater();
    worker_ = nullptr;
    if (progress_)
        progress_->close();
    QApplication::restoreOverrideCursor();
    const std::shared_ptr<Outcome> outcome = std::move(outcome_);
    if (!outcome->report) {
        // A stop the user asked for is no fault; the message says that nothing changed.
        if (*stopping_)
            context_.prompt.inform(window_, outcome->error);
        else
            context_.prompt.warn(window_, outcome->error);
        emit finished(false);
        return;
    }
    // The rows the list showed may be gone or renumbered.
    list_->movieModel()->clear();
    if (mode_ == LegacyImport::Mode::Replace) {
        // The old settings file came along: its columns and row colours apply at once.
        list_->paintRowBands(context_.settings);
        list_->setupListColumns(context_.settings);
    }
    QString error;
    if (!tree_->rebuildDiscTree(&error))
        context_.prompt.warn(window_, error);
    const LegacyImport::Notice notice = LegacyImport::reportNotice(*outcome->report);
    context_.prompt.inform(window_, notice.text, notice.details);
    emit finished(true);
}
