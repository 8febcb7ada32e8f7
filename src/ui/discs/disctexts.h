#pragma once

#include <QString>
#include <QStringList>

// The texts of the disc dialogs and commands, in one place.
namespace DiscTexts {

// Form2, the create-disc dialog.
inline const QString createTitle = QStringLiteral("创建新的光盘记录");
inline const QString createIntro = QStringLiteral(
    "  "
    "利用创建新的光盘库功能,可以在您新刻录了一张电影收藏光盘后,为其创建新的光盘数据记录,以储存上面的影视信息,"
    "方便日后管理和搜寻.          手动创建一个新光盘记录只要三步完成.");
inline const QString numberLabel = QStringLiteral("(I)请输入光盘号,也就是您在光盘背面写上的编号.");
inline const QString nameLabel = QStringLiteral("(Ⅱ)请输入您对光盘的命名,即对其的简介,可以为空.");
inline const QString kindLabel = QStringLiteral("(Ⅲ)请选择光盘的种类,VCD/DVD/Blu-Ray/DoubleSide-DVD/");
inline const QString createButton = QStringLiteral("创建(&C)");
inline const QString cancelButton = QStringLiteral("取消(&Q)");
inline const QString noNumber = QStringLiteral("没有输入碟号!");

// Form6, the disc details dialog.
inline const QString detailsTitle = QStringLiteral("光盘详细信息");
inline const QString detailsFrame = QStringLiteral("碟盘信息");
inline const QString detailsHint = QStringLiteral("查看和修改碟盘信息,修改光盘借出或完好状态。");
inline const QString detailsNumber = QStringLiteral("光 盘 号");
inline const QString detailsName = QStringLiteral("磁盘名称");
inline const QString detailsState = QStringLiteral("磁盘状态");
inline const QString detailsKind = QStringLiteral("磁盘种类");
inline const QString detailsNotes = QStringLiteral("备注");
inline const QString saveButton = QStringLiteral("修 改");
inline const QString closeButton = QStringLiteral("关 闭");

// Both dialogs offer the same kinds, in this order; the create dialog starts with the first.
inline const QStringList kinds = { QStringLiteral("DVD"), QStringLiteral("VCD"), QStringLiteral("Blu-Ray"),
    QStringLiteral("DoubleSide-DVD"), QStringLiteral("硬盘"), QStringLiteral("移动存储介质"),
    QStringLiteral("HDDVD") };
inline const QStringList states = { QStringLiteral("良好"), QStringLiteral("外借"), QStringLiteral("破损") };

// The lend dialog and the details' loans.
inline const QString lendTitle = QStringLiteral("借出光盘");
inline const QString lendBorrower = QStringLiteral("借阅人(&B)");
inline const QString lendDate = QStringLiteral("借出日期(&D)");
inline const QString lendDue = QStringLiteral("应还日期(&U)");
inline const QString lendNote = QStringLiteral("附注(&N)");
inline const QString lendButton = QStringLiteral("借出(&L)");
inline const QString loansCaption = QStringLiteral("借出记录");
inline const QString loanOpenPrefix = QStringLiteral("现在：");
inline const QString notLentNow = QStringLiteral("现在没有借出。");

inline QString lendHeading(const QString& number, const QString& name)
{
    return QStringLiteral("把碟#") + number + (name.isEmpty() ? QString() : u'[' + name + u']')
        + QStringLiteral("借给：");
}

inline QString confirmDelete(const QString& number)
{
    return QStringLiteral("您真的确定删除碟") + number + QStringLiteral("吗?");
}

} // namespace DiscTexts
