#pragma once

#include <QString>
#include <optional>

// The folder that holds the catalogue, the settings, the pictures and the exports. Every data
// path is this folder followed by a fixed tail; the folder is resolved once at start-up and then
// handed to whoever needs it.
class DataFolder
{
public:
    DataFolder() = default;
    // defaultsDir: where an installed copy keeps the files a new folder is completed from; empty
    // (or a file missing there) means the copies built into the program.
    explicit DataFolder(const QString& path, const QString& defaultsDir = QString());

    // Resolution order: an explicit folder (--home or REELSHELF_HOME), then the executable's folder
    // when it already holds a catalogue or an old ShelfIndex.mdb (a portable install), then
    // $XDG_DATA_HOME/ReelShelfIndex. The installed defaults are looked up beside the executable
    // (see installedDefaultsDir).
    static DataFolder resolve(const QString& explicitHome, const QString& executableDir);

    // Why the folder named by the environment (REELSHELF_HOME, XDG_DATA_HOME) cannot be used: a
    // name that is not UTF-8 would be turned into another folder's name. Nothing when it can.
    static std::optional<QString> environmentProblem();

    // <prefix>/share/reelshelf-index for an executable in <prefix>/bin, when that folder exists;
    // otherwise empty, as when the program runs from its build tree.
    static QString installedDefaultsDir(const QString& executableDir);

    QString path() const { return path_; }
    QString defaultsDir() const { return defaultsDir_; }
    bool isEmpty() const { return path_.isEmpty(); }

    QString catalogueFile() const;
    QString settingsFile() const;
    QString postersDir() const;
    QString compicsDir() const;
    QString tempDir() const;
    QString outputsDir() const;
    QString helpFile() const;
    // The pictures the help document shows, beside it.
    QString helpPicturesDir() const;
    QString defaultPoster() const;
    QString goldStar() const;
    QString grayStar() const;
    // Posters/<id>.jpg with the id as the list shows it; Compics/<company>.jpg.
    QString posterFor(const QString& idText) const;
    QString logoFor(const QString& company) const;

    // The copy of a picture drawn for screens scaled by two, beside it: NAME@2x.EXT. Only a
    // picture's own copy is ever looked for; none is needed.
    static QString twiceSizedPicture(const QString& picturePath);

    // A record's text used as a file name must not climb out of its folder.
    static bool isPlainFileName(const QString& name);

    static QString catalogueFileName() { return QStringLiteral("ShelfIndex.db"); }
    static QString settingsFileName() { return QStringLiteral("RSISet.ini"); }
    // The catalogue of the Windows program, imported once.
    static QString legacyCatalogueFileName() { return QStringLiteral("ShelfIndex.mdb"); }

private:
    QString file(const QString& tail) const;
    QString path_;
    QString defaultsDir_;
};

// Completes a data folder from the installed defaults: the folders, the settings file, the
// default poster, the star pictures and the help document, each taken from the folder's
// defaultsDir when it holds a readable copy and from the built-in one otherwise. Nothing that
// exists is overwritten. A star still as shipped also gets its copy for screens scaled by two, and
// the help gets its pictures where the folder can take them.
// The catalogue itself is made by Catalogue::prepare. Returns false with a message on failure.
bool installDefaults(const DataFolder& folder, QString* error);
