#include "aboutdialog.h"

#include "app/sharppicture.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

QString AboutDialog::versionText()
{
    const QStringList lines = {
        QStringLiteral("ReelShelf Index V 1.03 正式版  "),
        QStringLiteral("    "),
        QStringLiteral("版 本 号：Ver1.03"),
        QStringLiteral("版本修正：Build 522"),
        QStringLiteral("编译日期：2008年3月5日"),
        QStringLiteral(""),
        QStringLiteral("Linux 版基于 Qt 6 与 SQLite 构建。"),
        QStringLiteral("感谢所有提出建议、报告问题的影迷朋友。"),
        QStringLiteral("本程序为自由使用的个人影碟目录工具。"),
    };
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

namespace {
QFrame* separatorLine(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}
} // namespace

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("关于ReelShelf Index"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* picture = new SharpLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPicture(SharpPicture::icon(QStringLiteral(":/about.png")));
    top->addWidget(picture, 0, Qt::AlignTop);
    auto* text = new QPlainTextEdit(this);
    text->setObjectName(QStringLiteral("Text1"));
    text->setReadOnly(true);
    text->setPlainText(QString(versionText()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    text->setMinimumSize(340, 170);
    top->addWidget(text, 1);
    layout->addWidget(separatorLine(this));
    layout->addLayout(top);
    layout->addWidget(separatorLine(this));

    auto* close = new QPushButton(QStringLiteral("关 闭(&C)"), this);
    close->setObjectName(QStringLiteral("Command1"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
}
