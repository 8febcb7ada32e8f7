#pragma once

#include "store/mediatables.h"

#include <QList>
#include <QString>
#include <optional>

class Catalogue;

// What the collection would lose and what it holds twice: titles kept more than once, movies
// whose every copy is on a damaged or lent disc, and movies whose only checked copies failed their
// check. Read in one pass over the movie table.
namespace CollectionReport {

struct Movie
{
    QString id; // as the movie list's ID column shows it, to find the row again
    QString title; // trimmed of blanks
    QString englishTitle; // trimmed of blanks
    QString disc; // the disc number the movie names; empty when it names none
    bool discExists = false; // a disc record carries that number
};

struct DuplicateGroup
{
    int number = 0; // from 1, in the stored order of each group's first movie
    bool sameDisc = false; // every copy names one and the same disc
    QList<Movie> movies; // in stored order
};

struct RiskDisc
{
    QString disc;
    QString name;
    QString condition; // "破损" or "外借"; "校验未通过" for a disc in another condition
    QString note; // the disc's PS, trimmed (for a lent disc usually who has it), then its failed check
    std::optional<MediaTables::DiscCheckRecord> failedCheck; // its last check, when that failed
    QList<Movie> movies; // in stored order
};

struct Report
{
    QList<DuplicateGroup> duplicates;
    QList<RiskDisc> risks; // in stored disc order
    qsizetype movieCount = 0;

    qsizetype duplicateMovieCount() const;
    qsizetype riskMovieCount() const;
    bool anyFailedCheck() const; // some disc of the risk list is there for its check
};

inline const QString sameDiscText = QStringLiteral("同一张碟上重复");
inline const QString severalDiscsText = QStringLiteral("多张碟上都有");
inline const QString damagedCondition = QStringLiteral("破损");
inline const QString lentCondition = QStringLiteral("外借");
inline const QString checkFailedCondition = QStringLiteral("校验未通过");

QString kindText(const DuplicateGroup& group);
// "碟#12", or a note that the disc record is missing.
QString discText(const Movie& movie);

// Two movies are copies of one title when their trimmed titles are equal ignoring letter case,
// or when both have an English title and those are; copies of copies are copies too, so a group
// is everything these two relations join. Empty titles join nothing.
// A movie is at risk when every copy of it names an existing disc whose condition is damaged or
// lent; a copy on a good disc, on a disc without a condition or on a missing disc keeps it safe.
// A movie is at risk too when a copy is on a disc whose last check failed and none is on a disc
// whose last check passed; a copy on a disc never checked is no proof either way. Its copies are
// listed under the discs that put it at risk: damaged, lent or failed.
std::optional<Report> build(const Catalogue& catalogue, QString* error = nullptr);

// The two lists as text for a file or a terminal.
QString duplicatesText(const Report& report);
QString risksText(const Report& report);

// Writes `text` as UTF-8 to `path`, all or nothing; false with the message when it cannot.
bool writeText(const QString& path, const QString& text, QString* error = nullptr);

} // namespace CollectionReport
