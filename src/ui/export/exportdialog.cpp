#include "exportdialog.h"

#include "app/appcontext.h"
#include "app/prompt.h"
#include "export/catalogueexport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

const QString defaultTip
    = QStringLiteral("    您没有选择文件夹,生成的文件将仍然保存在默认的程序下的Outputs文件夹下.");

QLabel* wrappedLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QPushButton* button(const QString& name, const QString& text, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

} // namespace

ExportDialog::ExportDialog(AppContext& context, QWidget* parent)
    : QDialog(parent)
    , context_(context)
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("转换您的电影收藏数据"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(wrappedLabel(
        QStringLiteral("  为了更好的和您的朋友分享您收藏的影片,您可以将您的影片数据库转换为便于传输的"
                       "Excel(xls格式)或者记事本(txt格式)文件。这样您的朋友就能知道您收藏了哪些精彩的影片。"),
        this));
    pages_ = new QStackedWidget(this);
    layout->addWidget(pages_);

    auto* formatPage = new QWidget(pages_);
    formatPage->setObjectName(QStringLiteral("Picture1_0"));
    auto* f = new QVBoxLayout(formatPage);
    f->addWidget(wrappedLabel(
        QStringLiteral("首先选择您需要转换到的文件格式,您有两种格式的文件可供选择."), formatPage));
    textFormat_ = new QRadioButton(QStringLiteral("记事本  文本(*.txt)"), formatPage);
    textFormat_->setObjectName(QStringLiteral("Option1_0"));
    f->addWidget(textFormat_);
    f->addWidget(wrappedLabel(QStringLiteral("提示:转换为后缀名为txt文件,可以用记事本打开。"), formatPage));
    excelFormat_ = new QRadioButton(QStringLiteral("Office Excel(*.xls)"), formatPage);
    excelFormat_->setObjectName(QStringLiteral("Option1_1"));
    f->addWidget(excelFormat_);
    f->addWidget(wrappedLabel(QStringLiteral("提示:转换为后缀名为xls的微软Excel文件。"), formatPage));
    auto* formatButtons = new QHBoxLayout;
    formatButtons->addStretch();
    QPushButton* next = button(QStringLiteral("Command3"), QStringLiteral("下一步"), formatPage);
    QPushButton* cancel = button(QStringLiteral("Command2"), QStringLiteral("取消"), formatPage);
    formatButtons->addWidget(next);
    formatButtons->addWidget(cancel);
    f->addLayout(formatButtons);
    pages_->addWidget(formatPage);

    auto* optionsPage = new QWidget(pages_);
    optionsPage->setObjectName(QStringLiteral("Picture1_1"));
    auto* o = new QVBoxLayout(optionsPage);
    o->addWidget(new QLabel(QStringLiteral("转换选项(覆盖还是新建文件)"), optionsPage));
    overwrite_ = new QCheckBox(QStringLiteral("覆盖掉已存在的文件"), optionsPage);
    overwrite_->setObjectName(QStringLiteral("Check1"));
    o->addWidget(overwrite_);
    o->addWidget(wrappedLabel(
        QStringLiteral("  勾选则只生成单一文件名,覆盖掉存在的文件,不勾选则以时间顺序来命名."), optionsPage));
    auto* folderRow = new QHBoxLayout;
    otherFolder_ = new QCheckBox(QStringLiteral("更改保存的目录为"), optionsPage);
    otherFolder_->setObjectName(QStringLiteral("Check2"));
    folderButton_ = button(QStringLiteral("Commandfolder"), QStringLiteral("选择文件夹..."), optionsPage);
    folderRow->addWidget(otherFolder_);
    folderRow->addWidget(folderButton_);
    folderRow->addStretch();
    o->addLayout(folderRow);
    tip_ = wrappedLabel(defaultTip, optionsPage);
    tip_->setObjectName(QStringLiteral("Labeltip"));
    o->addWidget(tip_);
    auto* optionButtons = new QHBoxLayout;
    optionButtons->addStretch();
    QPushButton* back = button(QStringLiteral("Command1"), QStringLiteral("上一步"), optionsPage);
    convertButton_ = button(QStringLiteral("Command4"), QStringLiteral("立即转换(&Z)"), optionsPage);
    optionButtons->addWidget(back);
    optionButtons->addWidget(convertButton_);
    o->addLayout(optionButtons);
    pages_->addWidget(optionsPage);

    textFormat_->setChecked(true);
    overwrite_->setChecked(true);
    folderButton_->setEnabled(false);
    connect(next, &QPushButton::clicked, this, &ExportDialog::showOptionsPage);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(back, &QPushButton::clicked, this, &ExportDialog::showFormatPage);
    connect(convertButton_, &QPushButton::clicked, this, &ExportDialog::convert);
    connect(folderButton_, &QPushButton::clicked, this, &ExportDialog::chooseFolder);
    connect(otherFolder_, &QCheckBox::toggled, this, &ExportDialog::folderBoxToggled);

    resize(sizeHint().expandedTo(QSize(6480 / 15, 4800 / 15)));
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
    showFormatPage();
}

int ExportDialog::currentPage() const
{
    return pages_->currentIndex();
}

void ExportDialog::showFormatPage()
{
    pages_->setCurrentIndex(0);
    textFormat_->setFocus();
    (textFormat_->isChecked() ? textFormat_ : excelFormat_)->setFocus();
}

void ExportDialog::showOptionsPage()
{
    pages_->setCurrentIndex(1);
    convertButton_->setDefault(true);
    convertButton_->setFocus();
}

void ExportDialog::folderBoxToggled(bool on)
{
    folderButton_->setEnabled(on);
    showWhereFileGoes();
}

// The tip names the folder the file will really go to.
void ExportDialog::showWhereFileGoes()
{
    if (otherFolder_->isChecked() && !chosenFolder_.isEmpty())
        tip_->setText(QStringLiteral("    文件将保存在") + QDir::toNativeSeparators(chosenFolder_)
            + QStringLiteral("下。"));
    else
        tip_->setText(defaultTip);
}

void ExportDialog::chooseFolder()
{
    chosenFolder_ = context_.pickFolder(
        this, QStringLiteral("  请选择一个文件夹,这样ReelShelf Index将把文件保存在您选中的文件夹中."));
    showWhereFileGoes();
}

bool ExportDialog::convert()
{
    CatalogueExport::Request request;
    request.format
        = excelFormat_->isChecked() ? CatalogueExport::Format::Excel : CatalogueExport::Format::Text;
    request.overwrite = overwrite_->isChecked();
    if (otherFolder_->isChecked())
        request.folder = chosenFolder_;
    const QDateTime now = context_.clock();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto result = CatalogueExport::run(
        context_.folder, request, now, QLocale::system().toString(now.date(), QLocale::ShortFormat));
    QApplication::restoreOverrideCursor();
    if (!result.ok) {
        context_.prompt.warn(this, result.message);
        return false;
    }
    context_.prompt.inform(this, result.message);
    accept();
    return true;
}
