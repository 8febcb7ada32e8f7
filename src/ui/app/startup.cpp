#include "startup.h"

#include "backups/backuptexts.h"
#include "legacy/legacyimport.h"
#include "store/backups.h"
#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/posterinstall.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
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

bool prepareDataFolder(const DataFolder& folder, QString* error, QString* imported)
{
    QString installError;
    const bool installed = installDefaults(folder, &installError);
    if (LegacyImport::wantsFirstImport(folder)) {
        QString importError;
        const auto report = LegacyImport::importOnFirstStart(folder, &importError);
        if (!report) {
            if (error)
                *error = QStringLiteral(
                    "旧版数据库 %1 未能导入，程序无法启动：\n%2\n\n该文件没有改动。若要不导入而以空目录启动，"
                    "请先把它移出数据文件夹 %3。")
                             .arg(LegacyImport::legacyFileName(), importError,
                                 QDir::toNativeSeparators(folder.path()));
            return false;
        }
        if (imported)
            *imported = LegacyImport::reportText(*report);
    }
    Catalogue catalogue(folder.catalogueFile());
    if (!catalogue.prepare(error))
        return false;
    // Posters of an added disc that a kill left half installed; what fails is tried next time.
    PosterInstall::finishInterrupted(folder);
    if (!installed && error)
        *error = installError; // the catalogue works; the caller may still mention what is missing
    return true;
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
