#include "testsupport.h"

#include "clicommand.h"

#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/inifile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextStream>
#include <QThread>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QLabel* shownToolTip()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* label = qobject_cast<QLabel*>(w);
            label && label->isVisible() && label->windowType() == Qt::ToolTip)
            return label;
    return nullptr;
}

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

Prompt::Answer RecordingPrompt::ask(QWidget*, Icon icon, const QString& text, Buttons buttons)
{
    asked.append({ icon, text, buttons, {} });
    if (!answers_.isEmpty())
        return answers_.takeFirst();
    if (buttons == Buttons::YesNoCancel)
        return Answer::Cancel;
    return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
}

void RecordingPrompt::showList(QWidget*, Icon icon, const QString& text, const QStringList& details)
{
    asked.append({ icon, text, Buttons::Ok, details });
}

TestHome::TestHome()
{
    QString error;
    if (!installDefaults(folder(), &error) || !Catalogue(folder().catalogueFile()).prepare(&error))
        throw std::runtime_error(error.toStdString());
}

void TestHome::exec(const QString& sql)
{
    const QString name = QStringLiteral("testhome-%1").arg(quintptr(this), 0, 16);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(folder().catalogueFile());
        if (!db.open())
            throw std::runtime_error(db.lastError().text().toStdString());
        QSqlQuery q(db);
        if (!q.exec(sql))
            throw std::runtime_error((q.lastError().text() + QStringLiteral(" in ") + sql).toStdString());
    }
    QSqlDatabase::removeDatabase(name);
}

QStringList TestHome::fileTypeRows() const
{
    const auto types = Catalogue(folder().catalogueFile()).fileTypes();
    if (!types)
        return { QStringLiteral("unreadable") };
    QStringList out;
    for (const FileTypeRecord& t : *types) {
        QStringList cells;
        for (const QVariant& v : { t.filetype, t.selected })
            cells << (v.isNull() ? QStringLiteral("-") : v.toString());
        out << cells.join(u'|');
    }
    return out;
}

QStringList TestHome::discRows() const
{
    const auto discs = Catalogue(folder().catalogueFile()).discs();
    if (!discs)
        return { QStringLiteral("unreadable") };
    QStringList out;
    for (const DiscRecord& d : *discs) {
        QStringList cells;
        for (const QVariant& v : { d.diskNum, d.name, d.diskType, d.station, d.ps, d.fav })
            cells << (v.isNull() ? QStringLiteral("-") : v.toString());
        out << cells.join(u'|');
    }
    return out;
}

QList<double> TestHome::movieIds() const
{
    QList<double> ids;
    Catalogue(folder().catalogueFile()).forEachMovie([&](const MovieRecord& m) {
        ids << m[MovieField::ID].toDouble();
        return true;
    });
    return ids;
}

void TestHome::addDisc(const QVariant& number, const QVariant& name, const QVariant& kind,
    const QVariant& station, const QVariant& ps, const QVariant& fav)
{
    DiscRecord d { number, name, kind, station, ps, fav };
    QString error;
    // As another program may have stored it: numbers that repeat or read otherwise are taken too.
    if (!Catalogue(folder().catalogueFile()).addDiscsAndMovies({ d }, {}, &error))
        throw std::runtime_error(error.toStdString());
}

void TestHome::addMovie(double id, const QString& title, double disc, const MovieRecord& extra)
{
    MovieRecord m = extra;
    m[MovieField::ID] = id;
    m[MovieField::MovieName] = title;
    m[MovieField::DiskNum] = disc;
    QString error;
    if (!Catalogue(folder().catalogueFile()).addMovie(m, &error))
        throw std::runtime_error(error.toStdString());
}

void TestHome::writeSetting(const QString& section, const QString& key, const QString& value)
{
    if (!IniFile::writeIniString(section, key, value, folder().settingsFile()))
        throw std::runtime_error("cannot write setting");
}

void TestHome::writePicture(const QString& relativePath, int width, int height)
{
    const QString target = dir_.path() + u'/' + relativePath;
    QDir().mkpath(QFileInfo(target).absolutePath());
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(40, 90, 160));
    if (!image.save(target, "JPG"))
        throw std::runtime_error("cannot write picture");
}

void TestTree::file(const QString& relative, qint64 size) const
{
    const QString target = path(relative);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile f(target);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || !f.resize(size))
        throw std::runtime_error("cannot write " + target.toStdString());
}

void TestTree::folder(const QString& relative) const
{
    if (!QDir().mkpath(path(relative)))
        throw std::runtime_error("cannot make " + relative.toStdString());
}

void TestTree::link(const QString& relative, const QString& target) const
{
    const QString at = path(relative);
    QDir().mkpath(QFileInfo(at).absolutePath());
    if (!QFile::link(target, at))
        throw std::runtime_error("cannot link " + at.toStdString());
}

QByteArray TestTree::rawPath(const QByteArray& relative) const
{
    return QFile::encodeName(dir_.path()) + '/' + relative;
}

void TestTree::rawFile(const QByteArray& relative, const QByteArray& bytes) const
{
    const QByteArray full = rawPath(relative);
    for (qsizetype slash = full.indexOf('/', 1); slash > 0; slash = full.indexOf('/', slash + 1))
        ::mkdir(full.left(slash).constData(), 0755);
    const int fd = ::open(full.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool written = fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    if (fd >= 0)
        ::close(fd);
    if (!written)
        throw std::runtime_error("cannot write " + full.toStdString());
}

void TestTree::folderPastPathLimit(const QString& relative) const
{
    folder(relative);
    int fd = ::open(QFile::encodeName(path(relative)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const QByteArray name(200, 'd');
    // Made one level at a time relative to the last, which no path length limits.
    for (int level = 0; fd >= 0 && level < 24; ++level) {
        ::mkdirat(fd, name.constData(), 0755);
        const int next = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    if (fd < 0)
        throw std::runtime_error("cannot make a deep folder in " + relative.toStdString());
    const int movie = ::openat(fd, "a.avi", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (movie >= 0)
        ::close(movie);
    ::close(fd);
}

namespace {

// Removes a folder's contents relative to its descriptor, however deep the tree.
void removeBelow(int fd)
{
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    while (const dirent* e = ::readdir(dir)) {
        const char* name = e->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        const int sub = ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub >= 0) {
            removeBelow(sub);
            ::unlinkat(::dirfd(dir), name, AT_REMOVEDIR);
        } else {
            ::unlinkat(::dirfd(dir), name, 0);
        }
    }
    ::closedir(dir);
}

} // namespace

TestTree::~TestTree()
{
    // QTemporaryDir removes by path, which a folder past the path limit defeats.
    const int fd = ::open(QFile::encodeName(dir_.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
        removeBelow(fd);
}

RawDb::RawDb(const QString& path)
    : name_(QStringLiteral("rawdb-%1").arg(quintptr(this), 0, 16))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    db.setDatabaseName(path);
    db.open();
}

RawDb::~RawDb()
{
    QSqlDatabase::removeDatabase(name_);
}

void RawDb::exec(const QString& sql)
{
    QSqlQuery q(QSqlDatabase::database(name_));
    ASSERT_TRUE(q.exec(sql)) << q.lastError().text().toStdString() << " in " << sql.toStdString();
}

QStringList RawDb::rows(const QString& sql)
{
    QStringList out;
    QSqlQuery q(QSqlDatabase::database(name_));
    if (!q.exec(sql))
        return { QStringLiteral("error: ") + q.lastError().text() };
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < q.record().count(); ++i)
            cells << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
        out << cells.join(u'|');
    }
    return out;
}

void RawDb::close()
{
    QSqlDatabase::database(name_).close();
}

MovieRecord movieWith(std::initializer_list<std::pair<MovieField, QVariant>> values)
{
    MovieRecord r;
    for (const auto& [field, value] : values)
        r[field] = value;
    return r;
}

CliRun runCliCaptured(const QStringList& args, const QString& exeDir)
{
    CliRun r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    CliIo io { out, err };
    r.code = runCli(args, exeDir, io);
    out.flush();
    err.flush();
    return r;
}

CliRun runCliCaptured(const TestHome& home, QStringList args)
{
    args.prepend(home.path());
    args.prepend(QStringLiteral("--home"));
    return runCliCaptured(args);
}

PipeFeeder::PipeFeeder(const QStringList& paths)
{
    for (const QString& path : paths) {
        QFile::remove(path);
        pipes_.append(QFile::encodeName(path));
        made_ = made_ && ::mkfifo(pipes_.last().constData(), 0644) == 0;
    }
    feeder_ = std::thread([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        while (!done_) {
            for (const QByteArray& pipe : std::as_const(pipes_)) {
                const int fd = ::open(pipe.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    [[maybe_unused]] const auto written = ::write(fd, "x", 1);
                    ::close(fd);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
}

PipeFeeder::~PipeFeeder()
{
    done_ = true;
    feeder_.join();
}

FailingMount::FailingMount(const QString& source, const QString& mountPoint, const QStringList& badRanges)
    : mountPoint_(mountPoint)
    , process_(std::make_unique<QProcess>())
{
    QDir().mkpath(mountPoint);
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_->start(QStringLiteral("/usr/bin/python3"),
        QStringList { QStringLiteral(REELSHELF_TEST_SUPPORT "/failingfs.py"), source, mountPoint }
            + badRanges);
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10000 && process_->state() != QProcess::NotRunning && !mounted())
        QThread::msleep(50);
    ok_ = mounted();
}

FailingMount::~FailingMount()
{
    QProcess::execute(QStringLiteral("umount"), { mountPoint_ });
    if (!process_->waitForFinished(5000))
        process_->kill();
}

bool FailingMount::mounted() const
{
    QFile info(QStringLiteral("/proc/self/mountinfo"));
    return info.open(QIODevice::ReadOnly)
        && info.readAll().contains(' ' + QFile::encodeName(mountPoint_) + ' ');
}
