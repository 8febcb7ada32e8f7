#pragma once

#include "media/discverify.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QMutex>
#include <atomic>
#include <memory>
#include <optional>

class MediumRootBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QThread;
class QTimer;
class QTreeWidget;
struct AppContext;

// "校验光盘...": reads every remembered file of a disc in full from its medium and says, file by
// file, what still reads. Not modal: the check of a whole disc takes as long as the drive needs,
// and the main window stays usable meanwhile.
class VerifyDialog : public QDialog
{
    Q_OBJECT
public:
    // An empty `discNumber` lets the medium say which disc it is; `root` is proposed when given.
    VerifyDialog(AppContext& context, const QString& discNumber, const QString& root, QWidget* parent);
    ~VerifyDialog() override;

    // As the 开始校验 button: the check starts beside the window; finished() tells its end.
    void start();
    bool isRunning() const { return worker_ != nullptr; }
    const std::optional<DiscVerify::Result>& result() const { return result_; }
    QString chosenDisc() const;

signals:
    // The check ended (stored or not); `discNumber` is the disc it was of, when known.
    void finished(const QString& discNumber);
    // The disc was checked and stored: its mark in the tree may have changed.
    void checked(const QString& discNumber);
    // The disc has no remembered files; the user wants them read first.
    void rescanWanted(const QString& discNumber);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    struct Outcome
    {
        QString disc;
        DiscVerify::Result result;
    };

    void fillDiscs(const QString& discNumber);
    void setRunning(bool running);
    void showProgress();
    void done(const Outcome& outcome);
    void showFiles(const DiscVerify::Result& result);
    void offerDamaged(const QString& number, const QString& label, const MediaTables::DiscCheckRecord& check);

    AppContext& context_;
    QComboBox* disc_;
    MediumRootBox* root_;
    QProgressBar* bar_;
    QLabel* progress_;
    QLabel* summary_;
    QTreeWidget* files_;
    QPushButton* start_;
    QPushButton* stop_;
    QPushButton* close_;
    QTimer* ticker_;
    std::unique_ptr<QThread> worker_;
    std::shared_ptr<std::atomic_bool> stopFlag_;
    // Written by the checking thread, read by the ticker.
    struct Shared
    {
        QMutex lock;
        DiscVerify::Progress progress;
    };
    std::shared_ptr<Shared> shared_;
    QElapsedTimer took_;
    bool closeWhenDone_ = false;
    std::optional<DiscVerify::Result> result_;
};
