#include "loans.h"

#include "catalogue.h"
#include "catalogueconnection.h"
#include "discnumbers.h"
#include "textrules.h"

#include <QCollator>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

using namespace CatalogueDb;

namespace Loans {

namespace {

const QString columns = QStringLiteral("rowid, DiskNum, Borrower, Lent, Due, Returned, Note, EarlierStation");

bool run(QSqlQuery& q, const QString& path, QString* error)
{
    if (q.exec())
        return true;
    setError(error, queryError(path, q));
    return false;
}

QVariant dateValue(const QDate& date)
{
    return date.isValid() ? QVariant(dateText(date)) : QVariant();
}

QDate dateOf(const QVariant& stored)
{
    return stored.isNull() ? QDate() : QDate::fromString(stored.toString(), Qt::ISODate);
}

// A loan from the columns above.
Loan loanOf(const QSqlQuery& q)
{
    return { q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(), dateOf(q.value(3)),
        dateOf(q.value(4)), dateOf(q.value(5)), q.value(6).toString(), q.value(7) };
}

std::optional<QList<Loan>> read(
    const QString& catalogueFile, const QString& where, const QVariantList& bound, QString* error)
{
    QList<Loan> out;
    const bool ok = readOwnRows(
        catalogueFile, QStringLiteral("SELECT %1 FROM ShelfLoans %2 ORDER BY rowid").arg(columns, where),
        bound, [&](const QSqlQuery& q) { out.append(loanOf(q)); }, error);
    return ok ? std::optional(out) : std::nullopt;
}

// Runs a query on one disc's loans, its number the one value bound.
bool selectOfDisc(QSqlQuery& q, const QString& path, const QString& sql, const QString& disc, QString* error)
{
    if (!q.prepare(sql)) {
        setError(error, queryError(path, q));
        return false;
    }
    q.addBindValue(disc);
    return run(q, path, error);
}

// The disc's open loan, read inside the caller's transaction.
bool openLoanOf(
    QSqlDatabase& db, const QString& path, const QString& disc, std::optional<Loan>* found, QString* error)
{
    QSqlQuery q(db);
    const QString sql = QStringLiteral("SELECT %1 FROM ShelfLoans WHERE DiskNum = ? AND Returned IS NULL "
                                       "ORDER BY rowid DESC LIMIT 1")
                            .arg(columns);
    if (!selectOfDisc(q, path, sql, disc, error))
        return false;
    if (q.next())
        *found = loanOf(q);
    return true;
}

// The day the disc last came back, read inside the caller's transaction; invalid when it never went out.
bool lastReturnOf(QSqlDatabase& db, const QString& path, const QString& disc, QDate* found, QString* error)
{
    QSqlQuery q(db);
    if (!selectOfDisc(
            q, path, QStringLiteral("SELECT MAX(Returned) FROM ShelfLoans WHERE DiskNum = ?"), disc, error))
        return false;
    if (q.next())
        *found = dateOf(q.value(0));
    return true;
}

Outcome failed(const QString& message)
{
    return { Outcome::Failed, message, {} };
}

// The condition a returned disc gets back: the one it had, unless that was "外借" itself (a disc
// marked lent by hand before its first loan), which would leave a disc on the shelf marked as out.
QVariant conditionAfterReturn(const QVariant& earlier)
{
    if (!earlier.isNull() && TextRules::trimBlanks(earlier.toString()) == lentCondition)
        return QStringLiteral("良好");
    return earlier;
}

// Opens a write transaction, makes the table and finds the disc, then hands over to `work`.
Outcome onDisc(const QString& catalogueFile, const QString& discNumber,
    const std::function<Outcome(QSqlDatabase&, qint64 discRow, const DiscRecord&)>& work)
{
    Connection c(catalogueFile);
    if (!c.ok())
        return failed(c.error());
    WriteTransaction t(c.db(), catalogueFile);
    if (!t.active())
        return failed(t.error());
    QString error;
    if (!ensure(c.db(), catalogueFile, &error))
        return failed(error);
    qint64 discRow = 0;
    DiscRecord disc;
    const DiscOutcome found
        = seekDisc(c.db(), catalogueFile, TextRules::trimBlanks(discNumber), discRow, &disc);
    if (found.status == DiscOutcome::NoSuchDisc)
        return { Outcome::NoSuchDisc, found.error, {} };
    if (!found.ok())
        return failed(found.error);
    Outcome outcome = work(c.db(), discRow, disc);
    if (outcome.ok() && !t.commit())
        return failed(t.error());
    return outcome;
}

bool setCondition(
    QSqlDatabase& db, const QString& path, qint64 discRow, const QVariant& condition, QString* error)
{
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("UPDATE DiskState SET Station = ? WHERE rowid = ?"))) {
        setError(error, queryError(path, q));
        return false;
    }
    q.addBindValue(condition);
    q.addBindValue(discRow);
    return run(q, path, error);
}

} // namespace

qint64 Loan::daysOut(const QDate& today) const
{
    const QDate end = returned.isValid() ? returned : today;
    return lent.isValid() && end.isValid() ? std::max<qint64>(0, lent.daysTo(end)) : 0;
}

bool ensure(QSqlDatabase& db, const QString& path, QString* error)
{
    QSqlQuery q(db);
    for (const char* sql : { "CREATE TABLE IF NOT EXISTS ShelfLoans (DiskNum TEXT, Borrower TEXT, Lent TEXT, "
                             "Due TEXT, Returned TEXT, Note TEXT, EarlierStation TEXT)",
             "CREATE INDEX IF NOT EXISTS ShelfLoansByDisc ON ShelfLoans(DiskNum)" }) {
        if (!q.exec(QString::fromLatin1(sql))) {
            setError(error, queryError(path, q));
            return false;
        }
    }
    return true;
}

bool deleteOfDisc(QSqlDatabase& db, const QString& path, const QString& discNumber, QString* error)
{
    if (!ensure(db, path, error))
        return false;
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("DELETE FROM ShelfLoans WHERE DiskNum = ?"))) {
        setError(error, queryError(path, q));
        return false;
    }
    q.addBindValue(discNumber);
    return run(q, path, error);
}

bool clear(QSqlDatabase& db, const QString& path, QString* error)
{
    QSqlQuery q(db);
    if (!ensure(db, path, error))
        return false;
    if (!q.exec(QStringLiteral("DELETE FROM ShelfLoans"))) {
        setError(error, queryError(path, q));
        return false;
    }
    return true;
}

std::optional<QString> problemOf(const Lending& lending)
{
    if (TextRules::trimBlanks(lending.borrower).isEmpty())
        return QStringLiteral("请填写借阅人。");
    if (!lending.lent.isValid())
        return QStringLiteral("借出日期无效。");
    if (lending.due.isValid() && lending.due < lending.lent)
        return QStringLiteral("应还日期 %1 早于借出日期 %2，请改正。")
            .arg(dateText(lending.due), dateText(lending.lent));
    return std::nullopt;
}

Outcome lend(const QString& catalogueFile, const QString& discNumber, const Lending& lending)
{
    if (const auto problem = problemOf(lending))
        return { Outcome::Refused, *problem, {} };
    return onDisc(catalogueFile, discNumber, [&](QSqlDatabase& db, qint64 discRow, const DiscRecord& disc) {
        const QString number = DiscNumbers::numberOf(disc.diskNum);
        QString error;
        std::optional<Loan> open;
        if (!openLoanOf(db, catalogueFile, number, &open, &error))
            return failed(error);
        if (open)
            return Outcome { Outcome::Refused, alreadyLentMessage(*open), {} };
        QDate lastReturn;
        if (!lastReturnOf(db, catalogueFile, number, &lastReturn, &error))
            return failed(error);
        if (lastReturn.isValid() && lending.lent < lastReturn)
            return Outcome { Outcome::Refused,
                QStringLiteral("借出日期 %1 早于碟%2上次归还的日期 %3，请改正。")
                    .arg(dateText(lending.lent), number, dateText(lastReturn)),
                {} };
        Loan loan { 0, number, TextRules::trimBlanks(lending.borrower), lending.lent, lending.due, QDate(),
            TextRules::trimBlanks(lending.note), disc.station };
        QSqlQuery q(db);
        if (!q.prepare(QStringLiteral("INSERT INTO ShelfLoans (DiskNum, Borrower, Lent, Due, Returned, Note, "
                                      "EarlierStation) VALUES (?, ?, ?, ?, NULL, ?, ?)"))) {
            return failed(queryError(catalogueFile, q));
        }
        for (const QVariant& v :
            { QVariant(loan.disc), QVariant(loan.borrower), dateValue(loan.lent), dateValue(loan.due),
                loan.note.isEmpty() ? QVariant() : QVariant(loan.note), loan.earlierCondition })
            q.addBindValue(v);
        if (!run(q, catalogueFile, &error))
            return failed(error);
        loan.id = q.lastInsertId().toLongLong();
        if (!setCondition(db, catalogueFile, discRow, lentCondition, &error))
            return failed(error);
        return Outcome { Outcome::Done, {}, loan };
    });
}

Outcome giveBack(const QString& catalogueFile, const QString& discNumber, const QDate& returned)
{
    if (!returned.isValid())
        return { Outcome::Refused, QStringLiteral("归还日期无效。"), {} };
    return onDisc(catalogueFile, discNumber, [&](QSqlDatabase& db, qint64 discRow, const DiscRecord& disc) {
        const QString number = DiscNumbers::numberOf(disc.diskNum);
        QString error;
        std::optional<Loan> open;
        if (!openLoanOf(db, catalogueFile, number, &open, &error))
            return failed(error);
        if (!open)
            return Outcome { Outcome::Refused, notLentMessage(number), {} };
        // A return dated before the lending (a clock set wrong) would count negative days.
        open->returned = std::max(returned, open->lent);
        QSqlQuery q(db);
        if (!q.prepare(QStringLiteral("UPDATE ShelfLoans SET Returned = ? WHERE rowid = ?")))
            return failed(queryError(catalogueFile, q));
        q.addBindValue(dateText(open->returned));
        q.addBindValue(open->id);
        if (!run(q, catalogueFile, &error))
            return failed(error);
        // A condition the user set while the disc was out ("破损" when it came back damaged) stays.
        const bool stillLent = TextRules::trimBlanks(disc.station.toString()) == lentCondition;
        if (stillLent
            && !setCondition(
                db, catalogueFile, discRow, conditionAfterReturn(open->earlierCondition), &error))
            return failed(error);
        return Outcome { Outcome::Done, {}, *open };
    });
}

std::optional<QList<Loan>> all(const QString& catalogueFile, QString* error)
{
    return read(catalogueFile, QString(), {}, error);
}

std::optional<QList<Loan>> ofDisc(const QString& catalogueFile, const QString& discNumber, QString* error)
{
    return read(catalogueFile, QStringLiteral("WHERE DiskNum = ?"), { discNumber }, error);
}

std::optional<QHash<QString, Loan>> openByDisc(const QString& catalogueFile, QString* error)
{
    const auto open = read(catalogueFile, QStringLiteral("WHERE Returned IS NULL"), {}, error);
    if (!open)
        return std::nullopt;
    QHash<QString, Loan> out;
    for (const Loan& loan : *open)
        out.insert(loan.disc, loan);
    return out;
}

std::optional<QStringList> borrowers(const QString& catalogueFile, QString* error)
{
    const auto loans = all(catalogueFile, error);
    if (!loans)
        return std::nullopt;
    QStringList out;
    for (auto it = loans->crbegin(); it != loans->crend(); ++it)
        if (!it->borrower.isEmpty() && !out.contains(it->borrower))
            out << it->borrower;
    return out;
}

std::optional<QList<OpenLoan>> openLoans(const QString& catalogueFile, const QDate& today, QString* error)
{
    const auto open = openByDisc(catalogueFile, error);
    if (!open)
        return std::nullopt;
    const auto discs = Catalogue(catalogueFile).discs(error);
    if (!discs)
        return std::nullopt;
    QList<OpenLoan> out;
    QSet<QString> seen;
    QHash<QString, qint64> mostOverdue; // by borrower
    for (const DiscRecord& d : *discs) {
        const QString number = d.diskNum.isNull() ? QString() : DiscNumbers::numberOf(d.diskNum);
        const auto loan = open->constFind(number);
        // The first disc of a number is the one lent; a loan left by a disc deleted elsewhere is no loan.
        if (loan == open->cend() || seen.contains(number))
            continue;
        seen.insert(number);
        out.append({ *loan, TextRules::trimBlanks(d.name.toString()) });
        qint64& most = mostOverdue[loan->borrower];
        most = std::max(most, loan->daysOverdue(today));
    }
    QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    std::stable_sort(out.begin(), out.end(), [&](const OpenLoan& a, const OpenLoan& b) {
        if (a.loan.borrower != b.loan.borrower) {
            const qint64 aMost = mostOverdue.value(a.loan.borrower);
            const qint64 bMost = mostOverdue.value(b.loan.borrower);
            if (aMost != bMost)
                return aMost > bMost;
            const int order = collator.compare(a.loan.borrower, b.loan.borrower);
            return order != 0 ? order < 0 : a.loan.borrower < b.loan.borrower;
        }
        if (a.loan.overdue(today) != b.loan.overdue(today))
            return a.loan.overdue(today);
        return a.loan.daysOut(today) > b.loan.daysOut(today);
    });
    return out;
}

QString dateText(const QDate& date)
{
    return date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : QString();
}

QDate readDate(const QString& text)
{
    static const QRegularExpression shape(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    if (!shape.match(text).hasMatch())
        return {};
    return QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
}

QString badDateMessage(const QString& text)
{
    return QStringLiteral("日期“%1”无效：请写成 YYYY-MM-DD，例如 2026-03-15。").arg(text);
}

QString alreadyLentMessage(const Loan& loan)
{
    return QStringLiteral("碟%1已于 %2 借给%3，还没有归还，不能再次借出。请先归还。")
        .arg(loan.disc, dateText(loan.lent), loan.borrower);
}

QString notLentMessage(const QString& discNumber)
{
    return QStringLiteral("碟%1没有借出，无需归还。").arg(discNumber);
}

QString stateText(const Loan& loan, const QDate& today)
{
    // One arg() call each: a borrower named "%1" must not take the next value.
    if (loan.overdue(today))
        return QStringLiteral("借给 %1，应于 %2 归还，已逾期 %3 天")
            .arg(loan.borrower, dateText(loan.due), QString::number(loan.daysOverdue(today)));
    QString text = QStringLiteral("借给 %1（%2 借出）").arg(loan.borrower, dateText(loan.lent));
    if (loan.due.isValid())
        text += QStringLiteral("，应于 %1 归还").arg(dateText(loan.due));
    return text;
}

QString historyLine(const Loan& loan)
{
    QString line = loan.open() ? QStringLiteral("%1 至今").arg(dateText(loan.lent))
                               : QStringLiteral("%1 至 %2").arg(dateText(loan.lent), dateText(loan.returned));
    line += QStringLiteral(" 借给 %1").arg(loan.borrower);
    if (!loan.note.isEmpty())
        line += QStringLiteral("（%1）").arg(loan.note);
    return line;
}

QString openLoansText(const QList<OpenLoan>& loans, const QDate& today)
{
    QString text = QStringLiteral("借出的光碟（%1，共 %2 张）\n").arg(dateText(today)).arg(loans.size());
    QString borrower;
    for (const OpenLoan& o : loans) {
        if (o.loan.borrower != borrower || &o == &loans.first()) {
            borrower = o.loan.borrower;
            text += QStringLiteral("\n%1\n").arg(borrower);
        }
        text += QStringLiteral("  碟#%1%2  %3 借出，已借 %4 天")
                    .arg(o.loan.disc, o.discName.isEmpty() ? QString() : u'[' + o.discName + u']',
                        dateText(o.loan.lent), QString::number(o.loan.daysOut(today)));
        if (o.loan.overdue(today))
            text += QStringLiteral("，应于 %1 归还，已逾期 %2 天")
                        .arg(dateText(o.loan.due))
                        .arg(o.loan.daysOverdue(today));
        else if (o.loan.due.isValid())
            text += QStringLiteral("，应于 %1 归还").arg(dateText(o.loan.due));
        if (!o.loan.note.isEmpty())
            text += QStringLiteral("（%1）").arg(o.loan.note);
        text += u'\n';
    }
    return text;
}

} // namespace Loans
