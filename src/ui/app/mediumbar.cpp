#include "mediumbar.h"

#include "app/plaintext.h"
#include "appcontext.h"
#include "media/mountwatch.h"
#include "scan/drives.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QThread>

namespace {

QStringList removableRoots()
{
    QStringList roots;
    for (const DriveChoice& d : removableDrives(MountTable::current()))
        if (d.mounted)
            roots << d.root;
    return roots;
}

} // namespace

MediumBar::MediumBar(AppContext& context, QWidget* parent)
    : QWidget(parent)
    , context_(context)
    , watch_(new MountWatch(this))
    , label_(new QLabel(this))
    , action_(new QPushButton(this))
    , roots_(removableRoots)
{
    setObjectName(QStringLiteral("MediumBar"));
    label_->setObjectName(QStringLiteral("LabelInserted"));
    action_->setObjectName(QStringLiteral("ButtonInserted"));
    action_->setFlat(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label_);
    layout->addWidget(action_);
    connect(watch_, &MountWatch::changed, this, &MediumBar::mountsChanged);
    connect(action_, &QPushButton::clicked, this, [this] {
        if (!shownDisc_.isEmpty())
            emit jumpWanted(shownDisc_);
        else if (!shownRoot_.isEmpty())
            emit wizardWanted(shownRoot_);
    });
    clearNotice();
}

MediumBar::~MediumBar()
{
    // A medium still being walked is left at once: the program is closing.
    pending_.clear();
    stop_->store(true);
    if (worker_)
        worker_->wait();
}

void MediumBar::begin()
{
    takeMounted(roots_());
    for (const QString& root : std::as_const(mounted_))
        ask(root, false);
}

void MediumBar::identifyAgain()
{
    const QStringList now = roots_();
    for (const QString& root : now)
        if (!discOfRoot_.contains(root))
            ask(root, false);
}

QString MediumBar::rootOf(const QString& discNumber) const
{
    for (auto it = discOfRoot_.cbegin(); it != discOfRoot_.cend(); ++it)
        if (it.value() == discNumber && mounted_.contains(it.key()))
            return it.key();
    return {};
}

QString MediumBar::text() const
{
    return label_->text();
}

void MediumBar::mountsChanged()
{
    const QStringList now = roots_();
    const QHash<QString, QByteArray> before = mountOfRoot_;
    QStringList kept = mounted_;
    // A root unmounted and mounted again (another medium) between two looks is gone and added.
    kept.removeIf([&](const QString& root) { return mountIdentity(root) != before.value(root); });
    const QStringList added = addedRoots(kept, now);
    for (const QString& gone : addedRoots(kept, mounted_) + addedRoots(now, kept)) {
        discOfRoot_.remove(gone);
        if (gone == shownRoot_)
            clearNotice();
    }
    takeMounted(now);
    for (const QString& root : added)
        ask(root, true);
}

void MediumBar::takeMounted(const QStringList& roots)
{
    mounted_ = roots;
    mountOfRoot_.clear();
    for (const QString& root : roots)
        mountOfRoot_.insert(root, mountIdentity(root));
}

void MediumBar::ask(const QString& root, bool announceIt)
{
    pending_.append({ root, mountOfRoot_.value(root), announceIt });
    if (!worker_)
        askNext();
}

void MediumBar::askNext()
{
    if (pending_.isEmpty()) {
        emit idle();
        return;
    }
    const Ask asked = pending_.takeFirst();
    const QString catalogue = context_.folder.catalogueFile();
    // Telling a medium walks its folders: that happens beside the window.
    worker_.reset(QThread::create([this, asked, catalogue, stop = stop_] {
        const Identify::Result result = Identify::identify(catalogue, asked.root, stop.get());
        QMetaObject::invokeMethod(
            this, [this, asked, result] { answered(asked, result); }, Qt::QueuedConnection);
    }));
    worker_->start();
}

void MediumBar::answered(const Ask& asked, const Identify::Result& result)
{
    if (worker_) {
        worker_->wait();
        worker_.reset();
    }
    // A medium taken out (or swapped for another) while it was looked at is forgotten.
    if (mounted_.contains(asked.root) && mountOfRoot_.value(asked.root) == asked.mount) {
        if (result.status == Identify::Result::Found) {
            discOfRoot_.insert(asked.root, result.candidates.first().disc);
            emit recognised(asked.root, result.candidates.first().disc);
        }
        if (asked.announce)
            announce(asked.root, result);
    }
    askNext();
}

void MediumBar::announce(const QString& root, const Identify::Result& result)
{
    shownRoot_ = root;
    shownDisc_.clear();
    const QString where = QDir::toNativeSeparators(root);
    switch (result.status) {
    case Identify::Result::Found: {
        const Identify::Candidate& c = result.candidates.first();
        shownDisc_ = c.disc;
        label_->setText(QStringLiteral("已插入：") + Identify::discLabel(c.disc, c.name));
        action_->setText(QStringLiteral("转到这张光盘(&J)"));
        break;
    }
    case Identify::Result::Unknown:
        label_->setText(QStringLiteral("已插入未登记的光盘：%1").arg(where));
        action_->setText(QStringLiteral("用魔法向导登记(&J)..."));
        break;
    case Identify::Result::Tie:
        label_->setText(QStringLiteral("已插入：") + Identify::tieMessage(result.candidates));
        action_->setText(QString());
        break;
    case Identify::Result::Failed:
        label_->setText(QStringLiteral("已插入 %1，但无法识别它：%2").arg(where, result.error));
        action_->setText(QString());
        break;
    }
    label_->setToolTip(PlainText::tip(where));
    action_->setVisible(!action_->text().isEmpty());
    setVisible(true);
}

void MediumBar::clearNotice()
{
    shownRoot_.clear();
    shownDisc_.clear();
    label_->clear();
    action_->setVisible(false);
    setVisible(false);
}
