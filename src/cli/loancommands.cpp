#include "loancommands.h"

#include "jsonline.h"
#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/discnumbers.h"
#include "store/loans.h"
#include "store/textrules.h"
#include "texttable.h"

#include <QHash>
#include <QTextStream>

namespace {

// The options of a command, each taking one value; false on a word it does not take, a repeated
// option or a missing value.
bool readOptions(const QStringList& args, const QStringList& names, QHash<QString, QString>& values)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (!names.contains(a) || values.contains(a) || i + 1 >= args.size())
            return false;
        values.insert(a, args.at(++i));
    }
    return true;
}

int outcomeCode(const Loans::Outcome& outcome, CliIo& io)
{
    if (outcome.ok())
        return ExitOk;
    io.err << outcome.message << '\n';
    return ExitFailed;
}

QVariant dateOrNull(const QDate& date)
{
    return date.isValid() ? QVariant(Loans::dateText(date)) : QVariant();
}

QVariant textOrNull(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

} // namespace

int LoansCommand::run(const QStringList& args, const DataFolder& folder, CliIo& io) const
{
    bool json = false;
    bool openOnly = false;
    for (const QString& a : args) {
        if (a == QStringLiteral("--json"))
            json = true;
        else if (a == QStringLiteral("--open"))
            openOnly = true;
        else
            return usageError(*this, io);
    }
    QString error;
    const auto loans = Loans::all(folder.catalogueFile(), &error);
    const auto discs = Catalogue(folder.catalogueFile()).discs(&error);
    if (!loans || !discs) {
        io.err << error << '\n';
        return ExitFailed;
    }
    QHash<QString, QVariant> names;
    for (const DiscRecord& d : *discs)
        if (!d.diskNum.isNull() && !names.contains(DiscNumbers::numberOf(d.diskNum)))
            names.insert(DiscNumbers::numberOf(d.diskNum), d.name);
    TextTable table({ QStringLiteral("碟号"), QStringLiteral("名称"), QStringLiteral("借阅人"),
        QStringLiteral("借出"), QStringLiteral("应还"), QStringLiteral("归还"), QStringLiteral("附注") });
    for (const Loans::Loan& loan : *loans) {
        if (openOnly && !loan.open())
            continue;
        const QVariant name = names.value(loan.disc);
        if (json) {
            io.out << JsonLine()
                          .add(QStringLiteral("disc"), loan.disc)
                          .addNullable(QStringLiteral("name"), name)
                          .add(QStringLiteral("borrower"), loan.borrower)
                          .addNullable(QStringLiteral("lent"), dateOrNull(loan.lent))
                          .addNullable(QStringLiteral("due"), dateOrNull(loan.due))
                          .addNullable(QStringLiteral("returned"), dateOrNull(loan.returned))
                          .addNullable(QStringLiteral("note"), textOrNull(loan.note))
                          .toString()
                   << '\n';
        } else {
            table.addRow({ loan.disc, TextRules::trimBlanks(name.toString()), loan.borrower,
                Loans::dateText(loan.lent), Loans::dateText(loan.due),
                loan.open() ? QStringLiteral("（未还）") : Loans::dateText(loan.returned), loan.note });
        }
    }
    if (!json)
        table.print(io.out);
    return ExitOk;
}

int LendCommand::run(const QStringList& args, const DataFolder& folder, CliIo& io) const
{
    QHash<QString, QString> options;
    const QString disc = QStringLiteral("--disc");
    const QString to = QStringLiteral("--to");
    const QString due = QStringLiteral("--due");
    const QString note = QStringLiteral("--note");
    if (!readOptions(args, { disc, to, due, note }, options) || !options.contains(disc)
        || !options.contains(to))
        return usageError(*this, io);
    Loans::Lending lending { options.value(to), QDate::currentDate(), QDate(), options.value(note) };
    if (options.contains(due)) {
        lending.due = Loans::readDate(options.value(due));
        if (!lending.due.isValid()) {
            io.err << Loans::badDateMessage(options.value(due)) << '\n';
            return usageError(*this, io);
        }
    }
    const Loans::Outcome outcome = Loans::lend(folder.catalogueFile(), options.value(disc), lending);
    if (outcome.ok())
        io.out << QStringLiteral("碟%1 已借给 %2（%3 借出）。")
                      .arg(outcome.loan.disc, outcome.loan.borrower, Loans::dateText(outcome.loan.lent))
               << '\n';
    return outcomeCode(outcome, io);
}

int ReturnCommand::run(const QStringList& args, const DataFolder& folder, CliIo& io) const
{
    QHash<QString, QString> options;
    const QString disc = QStringLiteral("--disc");
    if (!readOptions(args, { disc }, options) || !options.contains(disc))
        return usageError(*this, io);
    const Loans::Outcome outcome
        = Loans::giveBack(folder.catalogueFile(), options.value(disc), QDate::currentDate());
    if (outcome.ok())
        io.out << QStringLiteral("碟%1 已由 %2 归还（%3）。")
                      .arg(outcome.loan.disc, outcome.loan.borrower, Loans::dateText(outcome.loan.returned))
               << '\n';
    return outcomeCode(outcome, io);
}
