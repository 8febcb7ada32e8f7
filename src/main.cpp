#include "app/appcontext.h"
#include "app/mainwindow.h"
#include "app/plaintext.h"
#include "app/prompt.h"
#include "app/sharppicture.h"
#include "app/startup.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ReelShelf Index"));
    // Lets Wayland compositors and docks match the window with its installed menu entry.
    QApplication::setDesktopFileName(QStringLiteral(REELSHELF_APP_ID));
    QApplication::setWindowIcon(SharpPicture::icon(QStringLiteral(":/icons/app.png")));
    Startup::installTranslations(app);
    PlainText::guardLabels(app);

    MessageBoxPrompt prompt;
    if (const auto problem = DataFolder::environmentProblem()) {
        prompt.ask(nullptr, Prompt::Icon::Critical, *problem, Prompt::Buttons::Ok);
        return 1;
    }
    SystemDesktop desktop;
    AppContext context { DataFolder::resolve(QString(), QApplication::applicationDirPath()), prompt,
        desktop };

    // A first start that imports an old catalogue may take a while before any window exists.
    QString problem;
    LegacyImport::Notice imported;
    const bool prepared = Startup::prepareDataFolderShowingProgress(context.folder, &problem, &imported);
    if (!prepared) {
        prompt.ask(nullptr, Prompt::Icon::Critical, problem, Prompt::Buttons::Ok);
        return 1;
    }
    if (!problem.isEmpty())
        prompt.warn(nullptr, problem);
    if (!Startup::takeDailyBackup(context.folder, context.clock(), &problem))
        prompt.warn(nullptr, problem);
    if (!imported.isEmpty())
        prompt.inform(nullptr, imported.text, imported.details);

    MainWindow window(context);
    if (!window.loadAndShow(&problem)) {
        prompt.ask(nullptr, Prompt::Icon::Critical, problem, Prompt::Buttons::Ok);
        return 1;
    }
    return QApplication::exec();
}
