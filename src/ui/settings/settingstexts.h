#pragma once

#include <QString>
#include <array>

// The settings dialog's own texts, in one place.
namespace SettingsTexts {

inline const QString title = QStringLiteral("程序设置");

inline const std::array<QString, 4> tabCaptions = { QStringLiteral("光驱及格式"), QStringLiteral("过滤选项"),
    QStringLiteral("程序设置"), QStringLiteral("其它配置") };

// Page 1
inline const QString driveHint
    = QStringLiteral("     "
                     "选择您默认的光盘驱动器（当您经常用移动硬盘存储电影时,也可以设置为其盘符）,"
                     "以后魔法向导启动后建立光盘时将自动读取。");
inline const QString driveFrame = QStringLiteral(" 默认光驱 ");
inline const QString typesHint = QStringLiteral("  设置您使用魔法向导添加影片时,默认搜索的文件格式。");
inline const QString typesColumn = QStringLiteral("存在的文件格式");
inline const QString memoHint = QStringLiteral("此处显示各种影视文件后缀名所代表的文件的种类和含义。");

// Page 2
inline const QString filterTitle = QStringLiteral("自动过滤影片文件名中不需要的字符");
inline const QString filterHint = QStringLiteral(
    "  选中自动过滤文件名中不需要的字符时,在使用魔法向导添加电影记录时程序将自动将预置的字符过滤掉。");
inline const QString manual = QStringLiteral("手动更改（推荐）");
inline const QString automatic = QStringLiteral("自动过滤文件名中不需要的字符");
inline const QString cleaningFrame = QStringLiteral(" 过滤冗余字符及文件 ");
inline const std::array<QString, 3> cleaning = {
    QStringLiteral("自动过滤下载网站的标志(如\"[www.xxx.com]\"、\"【xx论坛】\")及\"【DRM】\"等标记。"),
    QStringLiteral("自动过滤\"CD1\"等段落标志(勾选智能过滤下默认选中)。"),
    QStringLiteral("过滤不需要的点号\".\""),
};
inline const QString mergeTitle = QStringLiteral("智能过滤同一个影片的不同段落");
inline const QString mergeHint
    = QStringLiteral(" 智能过滤影片名是在您使用魔法向导添加影片时,"
                     "可以自动将同一影片的不同段落合并为一个影片名添加到数据库中。");
inline const QString autoSelect = QStringLiteral("使用智能过滤");

// Page 3
inline const QString columnsHint = QStringLiteral("自选你需要在主程序界面中显示的标头(须重启本程序生效)");
inline const std::array<QString, 17> columns = {
    QStringLiteral("电影名称"),
    QStringLiteral("出品年份"),
    QStringLiteral("文件格式"),
    QStringLiteral("影片类型"),
    QStringLiteral("配音语言"),
    QStringLiteral("字幕语言"),
    QStringLiteral("清晰度"),
    QStringLiteral("规格(文件总大小)"),
    QStringLiteral("文件数"),
    QStringLiteral("影片外文名(原名/译名)"),
    QStringLiteral("导演"),
    QStringLiteral("出品公司"),
    QStringLiteral("影片时长"),
    QStringLiteral("国家或地区"),
    QStringLiteral("属光碟号"),
    QStringLiteral("自评分"),
    QStringLiteral("是否看过"),
};
inline const QString restoreDefaults = QStringLiteral("恢复默认设置(&H)");
inline const QString magicHint = QStringLiteral(
    "  "
    "使用影片信息自动添加功能(MagicSelect4V),"
    "可以方便的将我们使用BT、电骡等下载工具下载的影片包中包含的文本信息提取出来并自动添加到影片数据库中。");
inline const QString magic = QStringLiteral("使用MagicSelect4V功能");
inline const QString magicDetail
    = QStringLiteral("  "
                     "勾选则自动将影片信息分类加入对应框栏并自动在无法识别标志的情况下直接将文本放入简介框供"
                     "您编辑,不勾选将整个文本信息保存在影片简介中.");

// Page 4
inline const QString openFrame = QStringLiteral(" 自动展开节点 ");
inline const QString openHint = QStringLiteral("勾选这个选项后,程序将在启动后自动展开所有相关数据节点.");
inline const QString autoOpen = QStringLiteral("程序开始自动展开所有数据节点");
inline const QString colourFrame = QStringLiteral(" 颜色调配 ");
inline const QString colourHint = QStringLiteral("  自定义程序列表框中的间隔的颜色.");
inline const std::array<QString, 2> rowNames
    = { QStringLiteral("  第一间隔行"), QStringLiteral("  第二间隔行") };
inline const QString swatch = QStringLiteral("单击更改颜色");
inline const QString colourNote = QStringLiteral("说明:颜色设置将在重新启动程序后生效.");
inline const QString restoreColours = QStringLiteral("还原默认颜色");

// Buttons
inline const QString ok = QStringLiteral("确定");
inline const QString cancel = QStringLiteral("取消");
inline const QString help = QStringLiteral("帮助");

// Failures
inline const QString typesUnreadable = QStringLiteral("无法读取影视文件格式列表：%1");

} // namespace SettingsTexts
