#pragma once

#include "scan/rescan.h"

#include <QDialog>
#include <atomic>
#include <memory>
#include <optional>

class QCheckBox;
class MediumRootBox;
class QLabel;
class QPushButton;
struct AppContext;

// "重新读取光盘...": reads a catalogued disc's medium again, beside the window, with progress and
// a way to stop, then says what matched. Nothing is stored until the reading is done.
class RescanDialog : public QDialog
{
    Q_OBJECT
public:
    RescanDialog(AppContext& context, const QString& discNumber, const QString& discName, QWidget* parent);

    // Runs the reading (as the 开始读取 button does) and waits for it; the report as shown.
    void start();
    const std::optional<Rescan::Report>& report() const { return report_; }

signals:
    void rescanned(const QString& discNumber);
    void progressShown(int done, int total);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void showProgress(int done, int total);

    AppContext& context_;
    QString number_;
    MediumRootBox* root_;
    QCheckBox* readFacts_;
    QLabel* progress_;
    QPushButton* start_;
    QPushButton* stop_;
    QPushButton* close_;
    std::shared_ptr<std::atomic_bool> cancel_;
    bool running_ = false;
    std::optional<Rescan::Report> report_;
};
