#pragma once

#include "legacy/legacyimport.h"
#include "legacy/mdbreader.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>

class DiscTreeWidget;
class MovieListView;
class QProgressDialog;
class QThread;
class QWidget;
struct AppContext;

// 工具 > 导入旧版数据库(*.mdb)...: brings an old catalogue into the open one. The import itself
// runs on a worker thread behind a progress window, so the main window keeps painting; its 取消
// stops the reading of the file, and is greyed out once the catalogue is being written.
class LegacyImportCommand : public QObject
{
    Q_OBJECT
public:
    LegacyImportCommand(AppContext& context, DiscTreeWidget* tree, MovieListView* list, QWidget* window);
    ~LegacyImportCommand() override;

    // Picks the file, confirms (asking whether to replace or add when the catalogue holds
    // anything) and starts the import; false when nothing was started.
    bool importMdb();
    bool isRunning() const { return worker_ != nullptr; }

    // What reads the chosen file and imports it; tests feed tables built in code through it. The
    // control carries the stop flag of 取消 and the call that says the writing begins.
    using Importer = std::function<std::optional<LegacyImport::Report>(const DataFolder&, const QString& file,
        LegacyImport::Mode, const QDateTime&, QString* error, const LegacyImport::Control&)>;
    // What makes a chosen file unfit before anything is asked; it belongs with the importer, so
    // an importer given here reads what it is given without it.
    using FileCheck = std::function<std::optional<QString>(const QString& file)>;
    void setImporter(Importer importer, FileCheck check = {})
    {
        importer_ = std::move(importer);
        fileCheck_ = std::move(check);
    }

    static QString confirmText(const QString& file);
    static QString chooseText(const QString& file, qint64 discs, qint64 movies);
    static QString waitText() { return QStringLiteral("正在导入旧版数据库，请稍候..."); }
    static QString writingText() { return QStringLiteral("正在写入目录，请稍候..."); }
    static QString stoppingText() { return QStringLiteral("正在取消导入..."); }

signals:
    // After the tree is rebuilt and the outcome shown.
    void finished(bool ok);

private:
    struct Outcome;
    void start(const QString& file, LegacyImport::Mode mode);
    void finish();
    void stop();
    void writingBegins();

    AppContext& context_;
    DiscTreeWidget* tree_;
    MovieListView* list_;
    QWidget* window_;
    QThread* worker_ = nullptr;
    QPointer<QProgressDialog> progress_;
    std::shared_ptr<Outcome> outcome_;
    std::shared_ptr<std::atomic<bool>> stopping_;
    bool writing_ = false;
    LegacyImport::Mode mode_ = LegacyImport::Mode::Add;
    Importer importer_ = LegacyImport::importFile;
    FileCheck fileCheck_ = MdbReader::fileProblem;
};
