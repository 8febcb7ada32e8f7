#include "startup.h"

#include "app/besidewindow.h"
#include "app/prompt.h"
#include "backups/backuptexts.h"
#include "legacy/legacyimport.h"
#include "store/backups.h"
#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/posterinstall.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLibraryInfo>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTranslator>
#include <atomic>
#include <memory>

namespace Startup {

void installTranslations(QApplication& app)
{
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* name : { "qtbase_zh_CN", "qt_zh_CN" }) {
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(QString::fromLatin1(name), dir))
            continue;
        translator->setParent(&app);
        QCoreApplication::installTranslator(translator.release());
    }
}

QString importingText()
{
    return QStringLiteral("正在导入旧版数据库 %1，请稍候...").arg(LegacyImport::legacyFileName());
}

QString waitingText()
{
    return QStringLiteral(
        "另一个 ReelShelf Index 正在导入旧版数据库 %1，等它完成后即打开导入的目录，请稍候...")
        .arg(LegacyImport::legacyFileName());
}

QString stoppingText()
{
    return QStringLiteral("正在取消导入...");
}

bool prepareDataFolder(const DataFolder& folder, QString* error, LegacyImport::Notice* imported,
    const LegacyImport::Control& control)
{
    QString installError;
    const bool installed = installDefaults(folder, &installError);
    if (LegacyImport::wantsFirstImport(folder)) {
        QString importError;
        const auto report = LegacyImport::importOnFirstStart(folder, &importError, control);
        if (!report) {
            if (error)
                *error = QStringLiteral(
                    "旧版数据库 %1 未能导入，程序无法启动：\n%2\n\n该文件没有改动。若要不导入而以空目录启动，"
                    "请先把它移出数据文件夹 %3。")
                             .arg(LegacyImport::legacyFileName(), importError,
                                 QDir::toNativeSeparators(folder.path()));
            return false;
        }
        if (imported && !report->importedElsewhere)
            *imported = LegacyImport::reportNotice(*report);
    }
    Catalogue catalogue(folder.catalogueFile());
    if (!catalogue.prepare(error))
        return false;
    // Posters of an added disc that a kill left half installed; what fails is tried next time.
    QString pending;
    const bool finished = PosterInstall::finishInterrupted(folder, &pending);
    // The catalogue works; the caller may still mention what is missing or left for next time.
    if (error) {
        QStringList notes;
        if (!installed)
            notes.append(installError);
        if (!finished)
            notes.append(pending);
        *error = notes.join(u'\n');
    }
    return true;
}

bool prepareDataFolderShowingProgress(const DataFolder& folder, QString* error,
    LegacyImport::Notice* imported, const LegacyImport::Control& control)
{
    if (!LegacyImport::wantsFirstImport(folder))
        return prepareDataFolder(folder, error, imported, control);

    QProgressDialog progress(importingText(), QStringLiteral("取消"), 0, 0);
    progress.setObjectName(QStringLiteral("firstImportProgress"));
    progress.setWindowTitle(Prompt::title());
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    std::atomic<bool> stop { false };
    LegacyImport::Control run = control;
    run.reading.stop = &stop;
    // The worker only posts to the window thread, which then changes the window.
    const auto post = [&progress](const QString& text, bool cancellable) {
        QMetaObject::invokeMethod(
            &progress,
            [&progress, text, cancellable] {
                progress.setLabelText(text);
                if (auto* button = progress.findChild<QPushButton*>())
                    button->setEnabled(cancellable);
            },
            Qt::QueuedConnection);
    };
    run.waiting = [post] { post(waitingText(), true); };
    QObject::connect(&progress, &QProgressDialog::canceled, &progress, [&] {
        stop = true;
        progress.setLabelText(stoppingText());
        progress.show(); // QProgressDialog hides itself on cancel; the start is not over yet
    });

    bool ok = false;
    QString problem;
    LegacyImport::Notice report;
    progress.show();
    runBesideWindow([&] { ok = prepareDataFolder(folder, &problem, &report, run); });
    if (error)
        *error = problem;
    if (imported)
        *imported = report;
    return ok;
}

bool takeDailyBackup(const DataFolder& folder, const QDateTime& now, QString* warning)
{
    QString why;
    if (CatalogueBackups(folder).takeDaily(now, &why))
        return true;
    if (warning)
        *warning = BackupTexts::dailyBackupFailed(why);
    return false;
}

} // namespace Startup
