#pragma once

#include "mediafacts.h"
#include "store/mediatables.h"

#include <QString>

// Media facts as the window and the command line show them, in Chinese.
namespace MediaText {

QString minutes(const MediaFacts& facts); // "90 分钟"; empty when not known
QString picture(const MediaFacts& facts); // "1920x1080 AVC 23.976 fps"
QString audio(const MediaFacts& facts); // "AAC 2声道 zh、AAC 1声道 en"; "无"
QString subtitles(const MediaFacts& facts); // "UTF-8 zh、SubRip zh（外挂）"; "无"
QString size(qint64 bytes); // "40 KB", "700.5 MB", "4.37 GB"
// "介质：标签 X，UUID Y，udf，12 个文件，共 4.37 GB（2026-12-08 读取）"
QString medium(const DiscMediumRecord& medium);

// A disc's check: "2026-12-08，3 个文件无法读取，1 个文件缺失"; "2026-12-08，12 个文件全部完好".
QString check(const MediaTables::DiscCheckRecord& check);
// "上次校验：2026-12-08，3 个文件无法读取"; "还没有校验过" for a disc never checked.
QString lastCheck(const std::optional<MediaTables::DiscCheckRecord>& check);
// One file's result of a check: "完好", "缺失", "已改变", "无法读取（从第 1048576 字节起）".
QString fileStatus(const QString& status, qint64 offset);
// A span of time to go: "约 5 秒", "约 3 分钟", "约 1 小时 20 分钟".
QString duration(double seconds);

} // namespace MediaText
