#pragma once

#include "app/appcontext.h"
#include "app/prompt.h"
#include "store/records.h"

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <array>
#include <atomic>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <thread>

// Whole files, for tests that check that bytes are left alone. writeBytes creates the folder.
void writeBytes(const QString& path, const QByteArray& bytes);
QByteArray readBytes(const QString& path);

// The indexes of the checked boxes, for comparing with a short list.
template <size_t N> QList<int> checkedBoxes(const std::array<bool, N>& boxes)
{
    QList<int> out;
    for (size_t i = 0; i < N; ++i)
        if (boxes[i])
            out << int(i);
    return out;
}

// A movie record with only the given fields set, for TestHome::addMovie.
MovieRecord movieWith(std::initializer_list<std::pair<MovieField, QVariant>> values);

// What one in-process run of reelshelf-cli printed and returned.
struct CliRun
{
    int code = -1;
    QString out;
    QString err;
    QStringList lines() const { return out.split(u'\n', Qt::SkipEmptyParts); }
};
CliRun runCliCaptured(const QStringList& args, const QString& exeDir = QString());

// Qt's tooltip window while one is shown (after QToolTip::showText or a QHelpEvent), else null.
class QLabel;
QLabel* shownToolTip();

// Readable failures for Qt strings.
void PrintTo(const QString& text, std::ostream* os);

// A prompt that records what was asked and gives pre-arranged answers (Ok / No by default).
class RecordingPrompt final : public Prompt
{
public:
    struct Asked
    {
        Icon icon;
        QString text;
        Buttons buttons;
        QStringList details; // the list of a showList
    };
    Answer ask(QWidget* parent, Icon icon, const QString& text, Buttons buttons) override;
    void showList(QWidget* parent, Icon icon, const QString& text, const QStringList& details) override;
    void answerNext(Answer answer) { answers_.append(answer); }
    QList<Asked> asked;

private:
    QList<Answer> answers_;
};

class RecordingDesktop final : public Desktop
{
public:
    bool openUrl(const QUrl& url) override
    {
        opened.append(url);
        return true;
    }
    QList<QUrl> opened;
};

// A data folder in a temporary directory, completed from the installed defaults, with helpers
// to put discs, movies and pictures into it.
class TestHome
{
public:
    TestHome();
    DataFolder folder() const { return DataFolder(dir_.path()); }
    QString path() const { return dir_.path(); }

    // Adds a disc: number, name, kind, condition, notes, favourite mark. An empty QVariant is null.
    void addDisc(const QVariant& number, const QVariant& name = {},
        const QVariant& kind = QStringLiteral("DVD "), const QVariant& station = {}, const QVariant& ps = {},
        const QVariant& fav = {});
    // Adds a movie with the given ID, title and disc; other fields through `extra`.
    void addMovie(double id, const QString& title, double disc, const MovieRecord& extra = {});
    // Runs raw SQL against the catalogue file.
    void exec(const QString& sql);
    // Each disc in stored order as "number|name|kind|condition|notes|favourite", null as "-".
    QStringList discRows() const;
    // Each file type in stored order as "Filetype|Selected", null as "-".
    QStringList fileTypeRows() const;
    // The IDs of the movies in stored order.
    QList<double> movieIds() const;
    void writeSetting(const QString& section, const QString& key, const QString& value);
    // Writes a picture of the given pixel size as a JPEG file.
    void writePicture(const QString& relativePath, int width, int height);

private:
    QTemporaryDir dir_;
};

// reelshelf-cli --home <home> args...
CliRun runCliCaptured(const TestHome& home, QStringList args);

// A real folder tree in a temporary directory: files of chosen sizes (sparse, so a "700 MB" movie
// costs no disk), folders and symbolic links, each given by its path below the tree's root.
class TestTree
{
public:
    QString path() const { return dir_.path(); }
    QString path(const QString& relative) const { return dir_.path() + u'/' + relative; }
    void file(const QString& relative, qint64 size = 0) const;
    void folder(const QString& relative) const;
    void link(const QString& relative, const QString& target) const;
    // A file whose path below the root is given as bytes (a name in GBK), its folders made too.
    void rawFile(const QByteArray& relative, const QByteArray& bytes = QByteArray()) const;
    // A chain of folders below `relative` whose full path grows past the system's limit, so that
    // its deepest folders cannot be opened by path, not even by root; a.avi lies at its end.
    void folderPastPathLimit(const QString& relative) const;
    QByteArray rawPath(const QByteArray& relative) const;
    ~TestTree();

private:
    QTemporaryDir dir_;
};

// A second, independent connection to a catalogue file, as another program would hold it.
class RawDb
{
public:
    explicit RawDb(const QString& path);
    ~RawDb();
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    void exec(const QString& sql);
    // Each row's columns joined by "|", a null shown as "<null>".
    QStringList rows(const QString& sql);
    void close();

private:
    QString name_;
};

// Everything a window test needs: a home, a recording prompt and desktop, and the context.
struct TestApp
{
    TestHome home;
    RecordingPrompt prompt;
    RecordingDesktop desktop;
    AppContext context { home.folder(), prompt, desktop };
};

// Named pipes in place of files, for checks that nothing waits on one. Should anything open a pipe
// to read it anyway, the feeder writes to it after a while, so that the test ends instead of hanging.
class PipeFeeder
{
public:
    // Replaces each path with a named pipe.
    explicit PipeFeeder(const QStringList& paths);
    ~PipeFeeder();
    PipeFeeder(const PipeFeeder&) = delete;
    PipeFeeder& operator=(const PipeFeeder&) = delete;

    bool made() const { return made_; }

private:
    QList<QByteArray> pipes_;
    bool made_ = true;
    std::atomic<bool> done_ = false;
    std::thread feeder_;
};

// A folder shown read-only at a mount point by a small FUSE file system (failingfs.py), whose reads
// of the given ranges ("path/below/source:OFFSET:LENGTH") fail with EIO, as a scratched disc's do.
// Unmounted when the object goes.
class FailingMount
{
public:
    FailingMount(const QString& source, const QString& mountPoint, const QStringList& badRanges);
    ~FailingMount();
    FailingMount(const FailingMount&) = delete;
    FailingMount& operator=(const FailingMount&) = delete;
    bool ok() const { return ok_; }

private:
    bool mounted() const;
    QString mountPoint_;
    std::unique_ptr<QProcess> process_;
    bool ok_ = false;
};
