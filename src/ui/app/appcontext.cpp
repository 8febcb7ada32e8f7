#include "appcontext.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>

bool SystemDesktop::openUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

QString systemPickFile(QWidget* parent, const QString& title, const QString& folder, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QString systemPickSaveFile(
    QWidget* parent, const QString& title, const QString& suggested, const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, title, suggested, filter);
}

QColor systemPickColour(QWidget* parent)
{
    // Each opening starts from black with sixteen black custom colours; nothing carries over.
    for (int i = 0; i < QColorDialog::customCount(); ++i)
        QColorDialog::setCustomColor(i, QColor(Qt::black));
    return QColorDialog::getColor(QColor(Qt::black), parent);
}

QString systemPickFolder(QWidget* parent, const QString& title)
{
    return QFileDialog::getExistingDirectory(parent, title, QString(), QFileDialog::ShowDirsOnly);
}
