#pragma once

#include "media/identify.h"

#include <QHash>
#include <QStringList>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>

class MountWatch;
class QLabel;
class QPushButton;
class QThread;
struct AppContext;

// The status line's word on media: when a medium is mounted it is told as a catalogued disc
// ("已插入：碟#12 [名称]", with a way to its node) or as one not yet catalogued (with the wizard
// on offer). It also remembers which disc each mounted medium is, for playing and checking.
class MediumBar : public QWidget
{
    Q_OBJECT
public:
    explicit MediumBar(AppContext& context, QWidget* parent = nullptr);
    ~MediumBar() override;

    // The mounted roots looked at: by default the removable media and optical discs.
    void setWatchedRoots(std::function<QStringList()> roots) { roots_ = std::move(roots); }
    // Learns, without announcing them, which discs the media mounted now are.
    void begin();
    // Mounted roots not recognised (a disc may have been catalogued since) are looked at again.
    void identifyAgain();

    // Where the disc's medium is mounted; empty when it is not, or not recognised.
    QString rootOf(const QString& discNumber) const;
    bool isBusy() const { return worker_ != nullptr; }
    QString text() const;
    QPushButton* actionButton() const { return action_; }

signals:
    // A mounted medium was recognised as the disc.
    void recognised(const QString& root, const QString& discNumber);
    void jumpWanted(const QString& discNumber);
    void wizardWanted(const QString& root);
    // Every root asked about so far has its answer.
    void idle();

private:
    struct Ask
    {
        QString root;
        QByteArray mount; // which mount the root was when asked: another medium there is asked anew
        bool announce = false;
    };

    void mountsChanged();
    void takeMounted(const QStringList& roots);
    void ask(const QString& root, bool announce);
    void askNext();
    void answered(const Ask& asked, const Identify::Result& result);
    void announce(const QString& root, const Identify::Result& result);
    void clearNotice();

    AppContext& context_;
    MountWatch* watch_;
    QLabel* label_;
    QPushButton* action_;
    std::function<QStringList()> roots_;
    QStringList mounted_;
    QHash<QString, QByteArray> mountOfRoot_;
    QHash<QString, QString> discOfRoot_;
    QList<Ask> pending_;
    std::unique_ptr<QThread> worker_;
    std::shared_ptr<std::atomic_bool> stop_ = std::make_shared<std::atomic_bool>(false);
    QString shownRoot_;
    QString shownDisc_;
};
