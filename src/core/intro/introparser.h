#pragma once

#include "intro/captions.h"
#include "intro/introrules.h"
#include "store/records.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace Intro {

// What a description text gives one caller. Fields that are absent are left as they were.
struct IntroResult
{
    QMap<MovieField, QString> fields; // the text each field gets, never a null text
    Captions::GenreMarks genres {}; // genre boxes to check (editor); none is ever unchecked
    Captions::SubtitleMarks subtitles {}; // subtitle boxes to check (editor)
    QString scoreText; // the last score line's value as it stands, e.g. "7.5/10 from 1,000 users"
    double score = 0; // the number the score field got: rounded (editor) or as read (wizard)
    bool recognised = false; // a line marker, a cast block or a company block was found
    bool introFound = false; // an intro block filled PS
};

// The lines, each followed by CR LF, as the whole-text import and the blocks see them.
QString wholeText(const QStringList& lines);

// The block of `marker` in the whole text, or nothing when the marker does not occur.
std::optional<QString> extractBlock(const QString& text, const BlockMarker& marker);

// Reads the lines by `rules`: line markers in line order (a later line overwrites), then the
// blocks; a text in which nothing at all was found goes whole to PS.
IntroResult parseIntroText(const QStringList& lines, const RuleSet& rules);

} // namespace Intro
