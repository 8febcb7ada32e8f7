#include "startpanel.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct Way
{
    const char* name;
    const char16_t* caption;
    const char16_t* explanation;
};

const Way ways[] = {
    { "StartNewDisc", u"创建碟片(&D)", u"登记一张光盘，再逐部录入上面的影片。" },
    { "StartWizard", u"新建向导(&W)", u"放入一张光盘，由向导找出上面的影片文件，一次登记整张光盘。" },
    { "StartImport", u"导入旧版数据库(&O)", u"把旧版程序的 .mdb 数据库中的光盘和影片导入进来。" },
};

} // namespace

StartPanel::StartPanel(QAction* newDisc, QAction* wizard, QAction* importOld, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("StartPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    auto* heading = new QLabel(QStringLiteral("光盘数据库还是空的。可以从这里开始："), this);
    heading->setObjectName(QStringLiteral("StartHeading"));
    QFont bigger = heading->font();
    bigger.setPointSizeF(bigger.pointSizeF() * 1.3);
    heading->setFont(bigger);
    layout->addWidget(heading, 0, Qt::AlignHCenter);
    QAction* const commands[] = { newDisc, wizard, importOld };
    for (size_t i = 0; i < std::size(ways); ++i) {
        auto* button = new QPushButton(QString::fromUtf16(ways[i].caption), this);
        button->setObjectName(QString::fromLatin1(ways[i].name));
        button->setMinimumWidth(220);
        auto* explanation = new QLabel(QString::fromUtf16(ways[i].explanation), this);
        explanation->setWordWrap(true);
        explanation->setAlignment(Qt::AlignHCenter);
        layout->addSpacing(8);
        layout->addWidget(button, 0, Qt::AlignHCenter);
        layout->addWidget(explanation);
        connect(button, &QPushButton::clicked, commands[i], &QAction::trigger);
    }
    layout->addStretch(2);
}
