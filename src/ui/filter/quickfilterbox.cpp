#include "quickfilterbox.h"

#include "browse/movielistmodel.h"
#include "browse/movielistview.h"
#include "browse/quickfilter.h"
#include "filter/everyfieldreader.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

namespace {

const QString namesPlaceholder = QStringLiteral("快速过滤：片名、英文名、导演、演员");
const QString everyFieldPlaceholder = QStringLiteral("快速过滤：全部字段，包括简介");
const QString readingText = QStringLiteral("%1，正在读取简介... %2%");
const QString readFailedText = QStringLiteral("%1，简介读取失败：%2");

} // namespace

QuickFilterBox::QuickFilterBox(
    MovieListView* list, QLabel* status, const QString& catalogueFile, QWidget* parent)
    : QLineEdit(parent)
    , list_(list)
    , status_(status)
    , reader_(new EveryFieldReader(catalogueFile, this))
{
    setObjectName(QStringLiteral("TxtQuickFilter"));
    setPlaceholderText(namesPlaceholder);
    setClearButtonEnabled(true);
    auto* find = new QAction(this);
    find->setObjectName(QStringLiteral("QuickFilterFocus"));
    find->setShortcut(QKeySequence(QStringLiteral("Ctrl+F")));
    find->setShortcutContext(Qt::WindowShortcut);
    addAction(find);
    connect(find, &QAction::triggered, this, &QuickFilterBox::focusFilter);
    connect(this, &QLineEdit::textChanged, this, &QuickFilterBox::applyText);
    MovieListModel* model = list_->movieModel();
    connect(model, &QAbstractItemModel::modelReset, this, &QuickFilterBox::rowsArrived);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &QuickFilterBox::refreshStatus);
    connect(reader_, &EveryFieldReader::progressed, this, &QuickFilterBox::refreshStatus);
    connect(reader_, &EveryFieldReader::finished, this, &QuickFilterBox::introsRead);
    connect(reader_, &EveryFieldReader::failed, this, [this](const QString& error) {
        readError_ = error;
        refreshStatus();
    });
}

void QuickFilterBox::setFields(QuickFilter::Fields fields)
{
    MovieListModel* model = list_->movieModel();
    if (fields == model->filterFields())
        return;
    setPlaceholderText(fields == QuickFilter::Fields::All ? everyFieldPlaceholder : namesPlaceholder);
    reader_->stop();
    readError_.clear();
    model->setFilterFields(fields);
    readIntrosIfWanted();
    refreshStatus();
}

bool QuickFilterBox::isReadingIntros() const
{
    return reader_->isReading();
}

void QuickFilterBox::readIntrosIfWanted()
{
    const MovieListModel* model = list_->movieModel();
    if (model->everyFieldKeysWanted())
        reader_->start(model->rows(), model->rowsSerial());
    else
        reader_->stop();
}

void QuickFilterBox::introsRead(quint64 serial, const std::shared_ptr<std::vector<QString>>& keys)
{
    MovieListModel* model = list_->movieModel();
    // Rows that changed or moved meanwhile are read again.
    if (!model->setEveryFieldKeys(serial, std::move(*keys)))
        readIntrosIfWanted();
    refreshStatus();
}

void QuickFilterBox::focusFilter()
{
    setFocus(Qt::ShortcutFocusReason);
    selectAll();
}

bool QuickFilterBox::event(QEvent* event)
{
    // Ctrl+X starts the wizard from anywhere in the window, here too; Shift+Delete still cuts.
    if (event->type() == QEvent::ShortcutOverride
        && static_cast<QKeyEvent*>(event)->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_X)) {
        event->ignore();
        return true;
    }
    return QLineEdit::event(event);
}

void QuickFilterBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && !text().isEmpty()) {
        clear();
        return;
    }
    // Down goes on to the rows found, as in the desktop's own search boxes.
    if (event->key() == Qt::Key_Down && list_->movieModel()->rowCount() > 0) {
        list_->setFocus(Qt::TabFocusReason);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void QuickFilterBox::applyText(const QString& text)
{
    list_->movieModel()->setQuickFilter(QuickFilter(text));
    refreshStatus();
}

void QuickFilterBox::rowsArrived()
{
    readError_.clear();
    readIntrosIfWanted();
    // Whoever lists rows writes the status line right after: look once it has.
    if (refreshQueued_)
        return;
    refreshQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshQueued_ = false;
        refreshStatus();
    });
}

void QuickFilterBox::refreshStatus()
{
    const QString current = status_->text();
    // A text other than our counts was written by someone else: it is the one to come back.
    if (!showingCounts_ || current != countsStatus_)
        listStatus_ = current;
    const MovieListModel* model = list_->movieModel();
    if (model->isFiltered()) {
        countsStatus_ = QuickFilter::statusText(model->rowCount(), model->totalRowCount());
        if (reader_->isReading())
            countsStatus_ = readingText.arg(countsStatus_).arg(reader_->percent());
        else if (!readError_.isEmpty())
            countsStatus_ = readFailedText.arg(countsStatus_, readError_);
        status_->setText(countsStatus_);
        showingCounts_ = true;
    } else if (showingCounts_) {
        status_->setText(listStatus_);
        showingCounts_ = false;
    }
}
