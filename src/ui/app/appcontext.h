#pragma once

#include "store/datafolder.h"
#include "store/settings.h"

#include <QColor>
#include <QDateTime>
#include <QUrl>
#include <functional>

class Prompt;
class QWidget;

// Opens files and web addresses with the desktop's default handlers; tests record instead.
class Desktop
{
public:
    virtual ~Desktop() = default;
    virtual bool openUrl(const QUrl& url) = 0;
};

class SystemDesktop final : public Desktop
{
public:
    bool openUrl(const QUrl& url) override;
};

// Asks the user for one existing file to open; the empty text when they cancel. Tests answer
// in its place.
using FilePicker = std::function<QString(
    QWidget* parent, const QString& title, const QString& folder, const QString& filter)>;
QString systemPickFile(QWidget* parent, const QString& title, const QString& folder, const QString& filter);
// Asks the user for a file name to save under (`suggested` is the proposed path); the empty text
// when they cancel. Tests answer in its place.
using SaveFilePicker = std::function<QString(
    QWidget* parent, const QString& title, const QString& suggested, const QString& filter)>;
QString systemPickSaveFile(
    QWidget* parent, const QString& title, const QString& suggested, const QString& filter);

// Asks the user for a colour; an invalid colour when they cancel. Tests answer in its place.
using ColourPicker = std::function<QColor(QWidget* parent)>;
QColor systemPickColour(QWidget* parent);
// Asks the user for an existing folder; the empty text when they cancel. Tests answer in its place.
using FolderPicker = std::function<QString(QWidget* parent, const QString& title)>;
QString systemPickFolder(QWidget* parent, const QString& title);

// The values the windows share for the whole run, kept in one place.
struct SessionState
{
    qint32 highestDiscNumber = 0;
    qint16 favouriteCount = 0;
    int discCount = 0;
    QString lastPosterPath; // the poster the detail pane last showed
};

// What every window needs from its surroundings: the data folder, the message boxes, the
// desktop and the clock. One object, handed down; nothing is read from globals.
struct AppContext
{
    AppContext(const DataFolder& dataFolder, Prompt& prompts, Desktop& desk)
        : folder(dataFolder)
        , settings(dataFolder.settingsFile())
        , prompt(prompts)
        , desktop(desk)
    {
    }

    DataFolder folder;
    Settings settings; // read again only when the file changed
    Prompt& prompt;
    Desktop& desktop;
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
    FilePicker pickFile = systemPickFile;
    ColourPicker pickColour = systemPickColour;
    FolderPicker pickFolder = systemPickFolder;
    SaveFilePicker pickSaveFile = systemPickSaveFile;
    SessionState session;
};
