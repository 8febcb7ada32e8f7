#include "filefactsreader.h"

#include "app/appcontext.h"
#include "app/besidewindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <memory>

std::optional<ProbeOutcome> pickAndReadFileFacts(AppContext& context, QWidget* parent)
{
    const QString chosen = context.pickFile(parent, QStringLiteral("选择影片文件 - ReelShelf Index"),
        context.settings.text(Settings::mainSection(), QStringLiteral("Customdrive")),
        QStringLiteral(
            "影片文件(*.avi *.rmvb *.rm *.mkv *.mp4 *.mpg *.mpeg *.ts *.m2ts *.wmv *.mov *.flv *.vob *.iso);;"
            "所有文件(*)"));
    if (chosen.isEmpty())
        return std::nullopt;
    QList<ProbeOutcome> outcomes;
    const QList<ProbeFile> files { { QFile::encodeName(chosen), chosen } };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    runBesideWindow(
        [&] { outcomes = MediaProbe::probe(files, {}); }, nullptr, QEventLoop::ExcludeUserInputEvents);
    QApplication::restoreOverrideCursor();
    return outcomes.value(0);
}
