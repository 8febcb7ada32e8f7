#pragma once

#include "store/inifile.h"
#include "store/records.h"

#include <QList>
#include <QString>
#include <array>

class Catalogue;
class Settings;

// What the settings dialog shows and stores: the values of RSISet.ini it carries and the
// Selected mark of each movie file type. Read afresh at each opening, written only by apply().
struct SettingsChoices
{
    static constexpr int columnCount = 17;

    QString customDrive; // stored as typed
    bool editByHand = false;
    bool autoSelect = false;
    bool ridofBbs = false;
    bool ridofCD = false;
    bool ridofDot = false;
    bool autoOpen = false;
    bool magicSelect = false;
    std::array<QString, 2> colours; // decimal colour numbers, stored as they stand
    std::array<bool, columnCount> columns {};

    // One row of the file-type list.
    struct FileType
    {
        qint64 rowId = 0;
        QString name; // the trimmed Filetype
        QString memo; // the trimmed Memo; empty when null
        bool selected = false; // only an exact "Yes" (after trimming) ticks the row
    };
    QList<FileType> fileTypes;

    // The dialog's values as the settings file holds them; the file types are read separately,
    // since the catalogue can fail.
    static SettingsChoices fromSettings(const Settings& settings);
    static QList<FileType> fileTypesOf(const QList<FileTypeRecord>& records);

    // The keys OK writes, in the order the program has always written them. Given the choices
    // as the dialog showed them, a key whose choice is still the same keeps the text the file
    // holds ("01", a colour out of range) and is only added where the file lacks it.
    QList<IniFile::Write> iniWrites(const SettingsChoices* shown = nullptr) const;

    // What to tell the user when the dialog opens on a settings file it cannot read (too large,
    // unreadable); empty when it can.
    static QString fileProblem(const QString& iniPath);

    // The list colours and the column set the program restores on request.
    static constexpr quint32 defaultColour1 = 15923455;
    static constexpr quint32 defaultColour2 = 12836859;
    // Columns 0 to 7, 12 and 13.
    static bool isDefaultColumn(int i);
};

// Writes the settings file in one save, then the file types' Selected marks in one transaction.
// `shown` are the choices as the dialog opened with them (see iniWrites). Returns false with a
// message naming the file that could not be written; nothing is reported as saved that was not.
bool applySettings(const SettingsChoices& choices, const QString& iniPath, Catalogue& catalogue,
    QString* error = nullptr, const SettingsChoices* shown = nullptr);
