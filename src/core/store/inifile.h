#pragma once

#include <QString>

// A small private-profile (INI) reader and writer with the semantics the settings rely on:
// section and key names match without regard to letter case, anything missing reads as the
// empty text, and a write replaces a value in place while keeping every other line.
namespace IniFile {

inline constexpr int MaxValueLength = 9999;

// The value of `key` in `section` of the file at `path`, cut to 9,999 characters; the empty
// text for a missing file, section or key. Blanks around the '=' are not part of the value.
QString readIniString(const QString& section, const QString& key, const QString& path);

// Writes one key. Creates the file, the section or the key when missing, replaces an existing
// value in place and keeps every other line as it was. Returns false when the file cannot be
// read or written (nothing is changed then) or the value holds a line break.
bool writeIniString(const QString& section, const QString& key, const QString& value, const QString& path);

} // namespace IniFile
