#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// A readable table for the terminal: columns padded by display width (a Chinese character
// takes two cells), a header line and a rule under it.
class TextTable
{
public:
    explicit TextTable(QStringList headers);
    void addRow(QStringList cells);
    void print(QTextStream& out) const;

    static int displayWidth(const QString& text);

private:
    QStringList headers_;
    QList<QStringList> rows_;
};
