#pragma once

#include <QString>

// What a user is told when the catalogue file cannot be read or written: what happened, naming
// the file, and what to do about it. The engine's own words follow in brackets only when the
// cause is not one we know.
namespace CatalogueFailure {

// `code` is SQLite's result code (primary or extended); `engineText` its own message.
QString message(const QString& path, int code, const QString& engineText);

// The sentence for a catalogue held by another program.
QString lockedMessage(const QString& path);

// The sentence for a file that is damaged or not a catalogue at all.
QString damagedMessage(const QString& path);

// True for the result codes that mean another program holds the file.
bool isLockCode(int code);

} // namespace CatalogueFailure
