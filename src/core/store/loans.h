#pragma once

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

class QSqlDatabase;

// Who has which disc and since when: a table of our own beside the catalogue's three (ShelfLoans),
// keeping every loan ever made. Lending marks the disc's condition "外借" and remembers the one it
// had; returning puts that back. The window and the command line both go through here.
namespace Loans {

inline const QString lentCondition = QStringLiteral("外借");

struct Loan
{
    qint64 id = 0; // its row, in the order loans were made
    QString disc; // the disc number as DiscNumbers::numberOf gives it
    QString borrower;
    QDate lent;
    QDate due; // invalid: no date agreed
    QDate returned; // invalid: still out
    QString note;
    QVariant earlierCondition; // the disc's Station as stored before it was lent (may be null)

    bool open() const { return !returned.isValid(); }
    bool overdue(const QDate& today) const { return open() && due.isValid() && today > due; }
    qint64 daysOverdue(const QDate& today) const { return overdue(today) ? due.daysTo(today) : 0; }
    // Days from the lending to the return, or to today while it is out; never negative.
    qint64 daysOut(const QDate& today) const;
};

// An open loan with the disc's name (trimmed; empty when it has none), for the lists.
struct OpenLoan
{
    Loan loan;
    QString discName;
};

// What the user asks for when lending a disc.
struct Lending
{
    QString borrower; // trimmed of blanks before it is stored
    QDate lent;
    QDate due; // invalid: none
    QString note;
};

// How a lend or a return came out. Refused and NoSuchDisc change nothing; neither does Failed.
struct Outcome
{
    enum Status { Done, NoSuchDisc, Refused, Failed };
    Status status = Done;
    QString message; // what to tell the user when it is not Done
    Loan loan; // the loan made or closed, when Done

    bool ok() const { return status == Done; }
};

// Makes the table where it is missing; rows that are there stay. Works in the caller's transaction.
bool ensure(QSqlDatabase& db, const QString& path, QString* error);
// The loans of a deleted disc go with it; everything goes when the catalogue is replaced whole.
bool deleteOfDisc(QSqlDatabase& db, const QString& path, const QString& discNumber, QString* error);
bool clear(QSqlDatabase& db, const QString& path, QString* error);

// Why a lending cannot be stored as asked (no borrower, a due date before the lending); nothing
// when it can. The dialog asks this before it closes, and lend() asks it again.
std::optional<QString> problemOf(const Lending& lending);

// In one transaction: the loan added and the disc's condition set to "外借". Refused when the disc
// is out already.
Outcome lend(const QString& catalogueFile, const QString& discNumber, const Lending& lending);
// In one transaction: the open loan closed on `returned` and the disc's earlier condition put
// back. Refused when the disc is not out.
Outcome giveBack(const QString& catalogueFile, const QString& discNumber, const QDate& returned);

// Every loan in the order it was made; empty for a catalogue without the table (an older one, or
// one that cannot be written).
std::optional<QList<Loan>> all(const QString& catalogueFile, QString* error);
std::optional<QList<Loan>> ofDisc(const QString& catalogueFile, const QString& discNumber, QString* error);
// The open loan of each disc that is out, by disc number.
std::optional<QHash<QString, Loan>> openByDisc(const QString& catalogueFile, QString* error);
// Everyone who ever borrowed a disc, the latest first, each once.
std::optional<QStringList> borrowers(const QString& catalogueFile, QString* error);
// The open loans with their discs' names, by borrower: borrowers with an overdue disc first (the
// longest overdue leading), then the others by name; within a borrower overdue discs first, then
// the longest out.
std::optional<QList<OpenLoan>> openLoans(const QString& catalogueFile, const QDate& today, QString* error);

// The texts, one place each.
QString dateText(const QDate& date); // "2026-03-15"; empty for an invalid date
// A date as the command line takes it: exactly YYYY-MM-DD and a real day; invalid otherwise.
QDate readDate(const QString& text);
QString badDateMessage(const QString& text);
QString alreadyLentMessage(const Loan& loan);
QString notLentMessage(const QString& discNumber);
// "借给 老王，应于 2026-03-15 归还，已逾期 3 天"; for a loan not overdue "借给 老王（2026-03-01 借出）",
// with "，应于 ... 归还" when a date was agreed.
QString stateText(const Loan& loan, const QDate& today);
// One line of a disc's history: "2026-01-02 至 2026-01-20 借给 老王（附注）"; "至今" while out.
QString historyLine(const Loan& loan);
// The open loans as text for a file.
QString openLoansText(const QList<OpenLoan>& loans, const QDate& today);

} // namespace Loans
