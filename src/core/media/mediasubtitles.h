#pragma once

#include "mediafacts.h"

#include <QList>
#include <QString>
#include <QStringList>

// Subtitle files that go with a movie file: in its folder, named as the movie without its
// extension, then an optional language mark, then a subtitle extension ("片名.chs.srt",
// "片名.eng.ass", "片名.srt"), letter case ignored.
namespace MediaSubtitles {

// The subtitle files among `namesInFolder` that go with `movieName`, in name order; `folder` is
// the shown folder their paths are made from (empty: the names alone).
QList<SubtitleTrack> beside(
    const QString& movieName, const QStringList& namesInFolder, const QString& folder);

// The language a mark names ("chs" → "zh", "eng" → "en"), or the mark itself for a code of two
// or three letters not listed; empty for anything else.
QString markLanguage(const QString& mark);

} // namespace MediaSubtitles
