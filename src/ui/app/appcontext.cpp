#include "appcontext.h"

#include <QDesktopServices>

bool SystemDesktop::openUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}
