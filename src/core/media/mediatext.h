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
QString size(qint64 bytes); // "700.5 MB", "4.37 GB"
// "介质：标签 X，UUID Y，udf，12 个文件，共 4.37 GB（2026-12-08 读取）"
QString medium(const DiscMediumRecord& medium);

} // namespace MediaText
