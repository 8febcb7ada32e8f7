#include "app/appcontext.h"
#include "app/mainwindow.h"
#include "app/prompt.h"
#include "app/startup.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ReelShelf Index"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/app.png")));
    Startup::installTranslations(app);

    MessageBoxPrompt prompt;
    SystemDesktop desktop;
    AppContext context { DataFolder::resolve(QString(), QApplication::applicationDirPath()), prompt,
        desktop };

    QString problem;
    QString imported;
    if (!Startup::prepareDataFolder(context.folder, &problem, &imported)) {
        prompt.ask(nullptr, Prompt::Icon::Critical, problem, Prompt::Buttons::Ok);
        return 1;
    }
    if (!problem.isEmpty())
        prompt.warn(nullptr, problem);
    if (!imported.isEmpty())
        prompt.inform(nullptr, imported);

    MainWindow window(context);
    if (!window.loadAndShow(&problem)) {
        prompt.ask(nullptr, Prompt::Icon::Critical, problem, Prompt::Buttons::Ok);
        return 1;
    }
    return QApplication::exec();
}
