#pragma once

#include "media/identify.h"
#include "scan/candidates.h"
#include "scan/drivesearch.h"
#include "scan/wizardcommit.h"
#include "wizard/fileicons.h"

#include <QDialog>
#include <QHash>
#include <atomic>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStackedWidget;
class QThread;
class QTreeWidget;
class QTreeWidgetItem;
struct AppContext;

// The import wizard: a disc's number, name, kind and drive; a search of the drive for movie
// files; the prepared list; and one commit that stores the disc with a movie per prepared file.
class WizardDialog : public QDialog
{
    Q_OBJECT
public:
    // `discStored` runs once the disc and its movies are in the catalogue (the tree is rebuilt).
    WizardDialog(AppContext& context, std::function<void()> discStored, QWidget* parent = nullptr);
    ~WizardDialog() override;

    int step() const { return step_; }
    bool isSearching() const { return worker_ != nullptr; }
    bool isCommitting() const { return committing_; }
    // Puts a drive root in the drive box, as typed there.
    void setDrive(const QString& root);

    // The buttons and menu commands, callable without clicking.
    void next();
    void back();
    void search();
    void cancelSearch();
    void addSelectedCandidate();
    void addAllCandidates();
    void removeSelectedPrepared();
    void clearPrepared();
    // Stops a running commit before anything is stored.
    void cancelCommit();

    QTreeWidget* candidateList() const { return candidates_; }
    QTreeWidget* preparedList() const { return prepared_; }

    // Closing stops a search first; during a commit the window does not close.
    void reject() override;

signals:
    void searchFinished();
    // Each time the commit shows how far it is.
    void commitProgressShown(int done, int total);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildDiscPage();
    QWidget* buildSearchPage();
    QWidget* buildPreparedPage();
    void buildMenus();
    void showStep(int step);
    void setBusy(bool busy);
    void stopSearch();
    void searchDone(const DriveSearch& result, const Identify::Result& known);
    void showProgress(qint64 folders, qint64 files, const QString& folder);
    void fillCandidates(const QList<CandidateRow>& rows);
    QTreeWidgetItem* preparedItem(int candidate);
    void setCandidateMark(const QByteArray& key, bool prepared);
    void updatePreparedCount();
    void commit();
    WizardCommit::Result runCommit(
        const WizardCommit::Disc& disc, const QList<WizardCommit::PreparedRow>& rows);
    void showCommitProgress(int done, int total);
    void showFactsProgress(int done, int total);
    void reportStored(const WizardCommit::Disc& disc, const WizardCommit::Result& result);

    AppContext& context_;
    std::function<void()> discStored_;
    int step_ = 1;
    bool committing_ = false;
    QList<CandidateRow> rows_; // what the candidate list shows, row for row
    // The files of each prepared movie, by its key: a later search may show other rows.
    QHash<QByteArray, QList<PartFile>> preparedParts_;
    QHash<QByteArray, int> candidateAt_; // a found file's key -> its row in the candidate list
    FileIcons fileIcons_;

    std::unique_ptr<QThread> worker_;
    std::shared_ptr<std::atomic_bool> cancel_;
    std::shared_ptr<std::atomic_bool> cancelCommit_;

    QStackedWidget* pages_ = nullptr;
    QLineEdit* number_ = nullptr;
    QLineEdit* name_ = nullptr;
    QComboBox* kind_ = nullptr;
    QCheckBox* readFacts_ = nullptr;
    QComboBox* drive_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QTreeWidget* candidates_ = nullptr;
    QTreeWidget* prepared_ = nullptr;
    QLabel* progress_ = nullptr; // Label3
    QLabel* volumeLabel_ = nullptr; // Label4
    QLabel* fileSystem_ = nullptr; // Label5
    QLabel* preparedCount_ = nullptr; // Label6
    QLabel* commitProgress_ = nullptr;
    QPushButton* stopCommit_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* help_ = nullptr;
    QMenu* candidateMenu_ = nullptr;
    QMenu* preparedMenu_ = nullptr;
};
