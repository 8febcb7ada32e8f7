#pragma once

#include <QString>

// Typed reads of RSISet.ini. Every read goes to the file at the moment of use, so a change the
// settings dialog wrote is seen by the next read. A switch that is missing or not a number
// reads as the shipped default; a colour or width reads by its leading number.
class Settings
{
public:
    explicit Settings(const QString& iniPath)
        : path_(iniPath)
    {
    }

    static QString mainSection() { return QStringLiteral("ReelShelfIndex1.02"); }
    static QString columnSection() { return QStringLiteral("ColumnHeaders"); }

    QString path() const { return path_; }
    QString text(const QString& section, const QString& key) const;

    // "on" is exactly the number 1; a value that is not a number gives `fallback`.
    bool isOn(const QString& section, const QString& key, bool fallback) const;

    // A Windows colour reference (red in the lowest byte) read by its leading number.
    quint32 colour(const QString& key) const;
    bool autoOpen() const;
    // Column i (0 to 16) of the movie list: its width in twips, 0 when hidden.
    int columnWidthTwips(int settingsNumber) const;

    static bool shippedColumnShown(int settingsNumber);

private:
    QString path_;
};
