#pragma once

#include "inifile.h"

#include <QString>
#include <array>

// Typed reads of RSISet.ini. The file is read again only when it changed on disk, so a change
// the settings dialog (or an editor) wrote is seen by the next read. A key that is missing reads
// as the shipped default; a switch that is not a number too. Colours and widths that are present
// read by their leading number, so an empty width is 0.
class Settings
{
public:
    explicit Settings(const QString& iniPath);

    static QString mainSection() { return QStringLiteral("ReelShelfIndex1.02"); }
    static QString columnSection() { return QStringLiteral("ColumnHeaders"); }

    QString path() const { return path_; }
    // The value as the file holds it; the empty text when missing.
    QString text(const QString& section, const QString& key) const;

    // "on" is exactly the number 1; a value that is not a number gives `fallback`.
    bool isOn(const QString& section, const QString& key, bool fallback) const;
    // The same with the shipped value of the key as the fallback.
    bool isOn(const QString& section, const QString& key) const;
    // A switch read as a whole number; the shipped value when it is not one, 0 when neither is.
    // For the switch that is tested against 0 rather than 1 (EditByHand).
    double switchNumber(const QString& section, const QString& key) const;

    // A Windows colour reference (red in the lowest byte) read by its leading number; a missing
    // value or one outside 0 to 16777215 reads as the shipped colour.
    quint32 colour(const QString& key) const;
    bool autoOpen() const;
    // Column i (0 to 16) of the movie list: its width in twips, 0 when hidden.
    int columnWidthTwips(int settingsNumber) const;

    // How often the file was actually read; reads between two changes of the file share one.
    int loads() const { return loads_; }
    // What went wrong at the last read (a file too large or unreadable); empty when nothing did.
    QString problem() const;

    // The settings file the program ships, from which a new data folder is completed.
    static const IniFile::Document& shipped();

private:
    std::optional<QString> value(const QString& section, const QString& key) const;
    const IniFile::Document& document() const;

    // The file's identity when it was last read: device, inode, size and change times.
    using Stamp = std::array<qint64, 6>;

    QString path_;
    mutable Stamp stamp_ {};
    mutable bool loaded_ = false;
    mutable IniFile::Document document_;
    mutable QString problem_;
    mutable int loads_ = 0;
};
