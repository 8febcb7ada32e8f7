#pragma once

#include "catalogue.h"

#include <QString>
#include <QStringView>
#include <QVariant>

// The rules for disc numbers: how a stored number reads, which movies it holds, and which new
// numbers the program accepts.
namespace DiscNumbers {

// The number a disc record carries, as the tree's keys and every disc lookup use it: the stored
// text without its blanks. A null number is no number (empty).
QString numberOf(const QVariant& diskNum);

// Whether a movie whose DiskNum is `movieDiskNum` is on the disc numbered `discNumber`: its
// number in shortest decimal form, or its text trimmed of blanks, is exactly the disc number.
// A disc listing and a disc deletion both go by this rule; a null DiskNum is on no disc.
bool holdsMovie(QStringView discNumber, const StoredValue& movieDiskNum);
// The disc number a movie's DiskNum names, as holdsMovie compares it: a disc holds the movie
// exactly when its number is this text. Null for a null DiskNum.
QString movieDiscNumber(const StoredValue& movieDiskNum);

// What the program makes of a number typed for a new disc.
struct Check
{
    QString number; // the text trimmed of blanks, as it would be stored
    QString error; // why the number cannot be used; empty when it can (or when there is none)
    QString suggestion; // the plain form of the number, where there is one

    bool isEmpty() const { return number.isEmpty(); }
    bool ok() const { return !isEmpty() && error.isEmpty(); }
};

// Movies point to their disc by the number's value, so a new disc's number must be written as
// that value is: "12", never "012", "12.0" or "A1". A text of blanks only is empty.
Check check(const QString& text);

// The message for a number another disc already carries.
QString takenMessage(const QString& number);

} // namespace DiscNumbers
