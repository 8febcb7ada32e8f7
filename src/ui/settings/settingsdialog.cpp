#include "settingsdialog.h"

#include "app/appcontext.h"
#include "app/prompt.h"
#include "scan/drives.h"
#include "settingstexts.h"
#include "store/catalogue.h"
#include "store/colournumber.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTabBar>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// Each tab's key and the container it shows; the containers are not in tab order.
struct TabPage
{
    const char* key;
    int container;
};
constexpr TabPage tabPages[] = { { "setforauto", 0 }, { "setpass", 1 }, { "setother", 3 }, { "Setme", 2 } };

constexpr int rowIdRole = Qt::UserRole;
constexpr int memoRole = Qt::UserRole + 1;

QLabel* wrappedLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QCheckBox* checkBox(const QString& text, const QString& name, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    return box;
}

QPushButton* button(const QString& text, const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

} // namespace

SettingsDialog::SettingsDialog(AppContext& context, QWidget* parent)
    : QDialog(parent)
    , context_(context)
{
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(SettingsTexts::title);

    tabs_ = new QTabBar(this);
    tabs_->setObjectName(QStringLiteral("TabStrip1"));
    for (size_t i = 0; i < std::size(tabPages); ++i) {
        tabs_->addTab(SettingsTexts::tabCaptions[i]);
        tabs_->setTabData(int(i), QString::fromLatin1(tabPages[i].key));
    }
    pages_ = new QStackedWidget(this);
    // Added in container order, so a container's index is its place in the stack.
    pages_->addWidget(buildDrivePage());
    pages_->addWidget(buildFilterPage());
    pages_->addWidget(buildOtherPage());
    pages_->addWidget(buildProgramPage());
    for (int i = 0; i < pages_->count(); ++i)
        pages_->widget(i)->setObjectName(QStringLiteral("Picture1_%1").arg(i));

    auto* okButton = button(SettingsTexts::ok, QStringLiteral("Command2"), this);
    okButton->setDefault(true);
    auto* cancelButton = button(SettingsTexts::cancel, QStringLiteral("Command1"), this);
    auto* helpButton = button(SettingsTexts::help, QStringLiteral("Command3"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    buttons->addWidget(helpButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(pages_, 1);
    layout->addLayout(buttons);

    connect(tabs_, &QTabBar::currentChanged, this,
        [this](int index) { showTabKey(tabs_->tabData(index).toString()); });
    connect(okButton, &QPushButton::clicked, this, &SettingsDialog::ok);
    connect(cancelButton, &QPushButton::clicked, this, &SettingsDialog::cancel);
    connect(helpButton, &QPushButton::clicked, this, &SettingsDialog::help);

    load();
    setMinimumSize(7440 / 15, 6000 / 15);
}

SettingsDialog* SettingsDialog::open(AppContext& context, int page, QWidget* parent)
{
    auto* dialog = new SettingsDialog(context, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->selectPage(page);
    dialog->adjustSize();
    if (const QScreen* screen = dialog->screen()) {
        QRect frame = dialog->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        dialog->move(frame.topLeft());
    }
    dialog->show();
    // A file that cannot be read shows the defaults; say so over the dialog, not only at OK.
    if (const QString problem = SettingsChoices::fileProblem(context.settings.path()); !problem.isEmpty())
        context.prompt.warn(dialog, problem);
    return dialog;
}

QWidget* SettingsDialog::buildDrivePage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(wrappedLabel(SettingsTexts::driveHint, page));

    auto* frame = new QGroupBox(SettingsTexts::driveFrame, page);
    auto* frameLayout = new QVBoxLayout(frame);
    drive_ = new QComboBox(frame);
    drive_->setObjectName(QStringLiteral("Combo1"));
    drive_->setEditable(true);
    drive_->setInsertPolicy(QComboBox::NoInsert);
    // The same mounted volumes the wizard offers.
    for (const DriveChoice& d : removableDrives(MountTable::current()))
        drive_->addItem(d.root);
    frameLayout->addWidget(drive_);
    layout->addWidget(frame);

    layout->addWidget(wrappedLabel(SettingsTexts::typesHint, page));
    fileTypes_ = new QTreeWidget(page);
    fileTypes_->setObjectName(QStringLiteral("ListView2"));
    fileTypes_->setColumnCount(1);
    fileTypes_->setHeaderLabels({ SettingsTexts::typesColumn });
    fileTypes_->setRootIsDecorated(false);
    fileTypes_->header()->setSectionsClickable(false);
    layout->addWidget(fileTypes_, 1);
    memo_ = wrappedLabel(SettingsTexts::memoHint, page);
    memo_->setObjectName(QStringLiteral("Label1"));
    layout->addWidget(memo_);

    connect(fileTypes_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { showMemo(item); });
    // The arrow keys show the memo as a click does.
    connect(fileTypes_, &QTreeWidget::currentItemChanged, this,
        [this](QTreeWidgetItem* item) { showMemo(item); });
    return page;
}

QWidget* SettingsDialog::buildFilterPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(wrappedLabel(SettingsTexts::filterTitle, page));
    layout->addWidget(wrappedLabel(SettingsTexts::filterHint, page));
    manual_ = new QRadioButton(SettingsTexts::manual, page);
    manual_->setObjectName(QStringLiteral("Option1_0"));
    automatic_ = new QRadioButton(SettingsTexts::automatic, page);
    automatic_->setObjectName(QStringLiteral("Option1_1"));
    layout->addWidget(manual_);
    layout->addWidget(automatic_);

    auto* frame = new QGroupBox(SettingsTexts::cleaningFrame, page);
    auto* frameLayout = new QVBoxLayout(frame);
    for (size_t i = 0; i < cleaning_.size(); ++i) {
        cleaning_[i] = checkBox(SettingsTexts::cleaning[i], QStringLiteral("Check1_%1").arg(i), frame);
        frameLayout->addWidget(cleaning_[i]);
    }
    layout->addWidget(frame);

    layout->addWidget(wrappedLabel(SettingsTexts::mergeTitle, page));
    layout->addWidget(wrappedLabel(SettingsTexts::mergeHint, page));
    autoSelect_ = checkBox(SettingsTexts::autoSelect, QStringLiteral("Check2"), page);
    layout->addWidget(autoSelect_);
    layout->addStretch(1);

    connect(manual_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            setManual(true);
    });
    connect(automatic_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            setManual(false);
    });
    return page;
}

QWidget* SettingsDialog::buildProgramPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(wrappedLabel(SettingsTexts::columnsHint, page));
    auto* grid = new QGridLayout;
    constexpr int rows = 6;
    for (int i = 0; i < SettingsChoices::columnCount; ++i) {
        columns_[size_t(i)]
            = checkBox(SettingsTexts::columns[size_t(i)], QStringLiteral("ChkCoum_%1").arg(i), page);
        grid->addWidget(columns_[size_t(i)], i % rows, i / rows);
    }
    layout->addLayout(grid);
    auto* restore = button(SettingsTexts::restoreDefaults, QStringLiteral("Command5"), page);
    auto* restoreRow = new QHBoxLayout;
    restoreRow->addStretch(1);
    restoreRow->addWidget(restore);
    layout->addLayout(restoreRow);

    layout->addWidget(wrappedLabel(SettingsTexts::magicHint, page));
    magic_ = checkBox(SettingsTexts::magic, QStringLiteral("CheckMagic"), page);
    layout->addWidget(magic_);
    layout->addWidget(wrappedLabel(SettingsTexts::magicDetail, page));
    layout->addStretch(1);

    connect(restore, &QPushButton::clicked, this, &SettingsDialog::restoreDefaults);
    return page;
}

QWidget* SettingsDialog::buildOtherPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);

    auto* openFrame = new QGroupBox(SettingsTexts::openFrame, page);
    auto* openLayout = new QVBoxLayout(openFrame);
    openLayout->addWidget(wrappedLabel(SettingsTexts::openHint, openFrame));
    autoOpen_ = checkBox(SettingsTexts::autoOpen, QStringLiteral("Check3"), openFrame);
    openLayout->addWidget(autoOpen_);
    layout->addWidget(openFrame);

    auto* colourFrame = new QGroupBox(SettingsTexts::colourFrame, page);
    auto* colourLayout = new QGridLayout(colourFrame);
    colourLayout->addWidget(wrappedLabel(SettingsTexts::colourHint, colourFrame), 0, 0, 1, 2);
    for (int i = 0; i < 2; ++i) {
        colourLayout->addWidget(new QLabel(SettingsTexts::rowNames[size_t(i)], colourFrame), i + 1, 0);
        auto* swatch = button(SettingsTexts::swatch, QStringLiteral("Labelcolor_%1").arg(i), colourFrame);
        swatch->setFlat(true);
        swatch->setAutoFillBackground(true);
        swatches_[size_t(i)] = swatch;
        colourLayout->addWidget(swatch, i + 1, 1);
        // The number OK stores; kept out of sight beside its swatch.
        auto* number = new QLabel(colourFrame);
        number->setObjectName(QStringLiteral("Labelcolor1_%1").arg(i));
        number->hide();
        colourNumbers_[size_t(i)] = number;
        connect(swatch, &QPushButton::clicked, this, [this, i] { pickColour(i); });
    }
    colourLayout->addWidget(wrappedLabel(SettingsTexts::colourNote, colourFrame), 3, 0, 1, 2);
    auto* restore = button(SettingsTexts::restoreColours, QStringLiteral("Command4"), colourFrame);
    colourLayout->addWidget(restore, 4, 1);
    layout->addWidget(colourFrame);
    layout->addStretch(1);

    connect(restore, &QPushButton::clicked, this, &SettingsDialog::restoreColours);
    return page;
}

void SettingsDialog::load()
{
    shown_ = SettingsChoices::fromSettings(context_.settings);
    const SettingsChoices& c = shown_;
    drive_->setEditText(c.customDrive);

    QString error;
    if (const auto records = Catalogue(context_.folder.catalogueFile()).fileTypes(&error)) {
        for (const SettingsChoices::FileType& t : SettingsChoices::fileTypesOf(*records)) {
            auto* item = new QTreeWidgetItem(fileTypes_, { t.name });
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(0, t.selected ? Qt::Checked : Qt::Unchecked);
            item->setData(0, rowIdRole, t.rowId);
            item->setData(0, memoRole, t.memo);
        }
    } else {
        context_.prompt.warn(this, SettingsTexts::typesUnreadable.arg(error));
    }

    pages_->setCurrentIndex(0);
    (c.editByHand ? manual_ : automatic_)->setChecked(true);
    setManual(c.editByHand);
    autoSelect_->setChecked(c.autoSelect);
    cleaning_[0]->setChecked(c.ridofBbs);
    cleaning_[1]->setChecked(c.ridofCD);
    cleaning_[2]->setChecked(c.ridofDot);
    autoOpen_->setChecked(c.autoOpen);
    magic_->setChecked(c.magicSelect);
    for (int i = 0; i < 2; ++i)
        setColour(i, ColourNumber::read(c.colours[size_t(i)]).value_or(0));
    for (size_t i = 0; i < columns_.size(); ++i)
        columns_[i]->setChecked(c.columns[i]);
}

void SettingsDialog::selectPage(int page)
{
    if (page < 1 || page > tabs_->count())
        return;
    tabs_->setCurrentIndex(page - 1);
    // Selecting the tab already current sends no signal; show its page all the same.
    showTabKey(tabs_->tabData(page - 1).toString());
}

void SettingsDialog::showTabKey(const QString& key)
{
    for (const TabPage& p : tabPages) {
        if (key == QLatin1String(p.key)) {
            pages_->setCurrentIndex(p.container);
            return;
        }
    }
}

int SettingsDialog::shownContainer() const
{
    return pages_->currentIndex();
}

void SettingsDialog::setManual(bool manual)
{
    // The ticks stay as they are; they only do nothing while names are edited by hand.
    for (QCheckBox* box : cleaning_)
        box->setEnabled(!manual);
}

void SettingsDialog::setColour(int index, quint32 number)
{
    QPushButton* swatch = swatches_[size_t(index)];
    QPalette p = swatch->palette();
    const QColor colour(ColourNumber::red(number), ColourNumber::green(number), ColourNumber::blue(number));
    p.setColor(QPalette::Button, colour);
    p.setColor(QPalette::Window, colour);
    swatch->setPalette(p);
    colourNumbers_[size_t(index)]->setText(ColourNumber::text(number));
}

void SettingsDialog::showMemo(QTreeWidgetItem* item)
{
    if (item)
        memo_->setText(item->data(0, memoRole).toString());
}

SettingsChoices SettingsDialog::choices() const
{
    SettingsChoices c;
    c.customDrive = drive_->currentText();
    c.editByHand = manual_->isChecked();
    c.autoSelect = autoSelect_->isChecked();
    c.ridofBbs = cleaning_[0]->isChecked();
    c.ridofCD = cleaning_[1]->isChecked();
    c.ridofDot = cleaning_[2]->isChecked();
    c.autoOpen = autoOpen_->isChecked();
    c.magicSelect = magic_->isChecked();
    for (size_t i = 0; i < 2; ++i)
        c.colours[i] = colourNumbers_[i]->text();
    for (size_t i = 0; i < columns_.size(); ++i)
        c.columns[i] = columns_[i]->isChecked();
    for (int row = 0; row < fileTypes_->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = fileTypes_->topLevelItem(row);
        c.fileTypes.append({ item->data(0, rowIdRole).toLongLong(), item->text(0),
            item->data(0, memoRole).toString(), item->checkState(0) == Qt::Checked });
    }
    return c;
}

bool SettingsDialog::ok()
{
    Catalogue catalogue(context_.folder.catalogueFile());
    QString error;
    SettingsChoices shown = shown_;
    for (size_t i = 0; i < colourChosen_.size(); ++i)
        if (colourChosen_[i])
            shown.colours[i].clear();
    if (!applySettings(choices(), context_.settings.path(), catalogue, &error, &shown)) {
        context_.prompt.warn(this, error);
        return false;
    }
    accept();
    return true;
}

void SettingsDialog::cancel()
{
    reject();
}

void SettingsDialog::help()
{
    QUrl url = QUrl::fromLocalFile(context_.folder.helpFile());
    url.setFragment(QStringLiteral("settings"));
    context_.desktop.openUrl(url);
}

void SettingsDialog::restoreDefaults()
{
    for (int i = 0; i < SettingsChoices::columnCount; ++i)
        columns_[size_t(i)]->setChecked(SettingsChoices::isDefaultColumn(i));
}

void SettingsDialog::restoreColours()
{
    setColour(0, SettingsChoices::defaultColour1);
    setColour(1, SettingsChoices::defaultColour2);
    colourChosen_ = { true, true };
}

void SettingsDialog::pickColour(int index)
{
    if (index < 0 || index > 1)
        return;
    const QColor colour = context_.pickColour(this);
    if (!colour.isValid())
        return;
    setColour(index, ColourNumber::fromRgb(colour.red(), colour.green(), colour.blue()));
    colourChosen_[size_t(index)] = true;
}
