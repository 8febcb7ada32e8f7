#include "moviesearch.h"

#include "store/catalogue.h"
#include "store/textrules.h"

#include <QStringDecoder>

namespace {

// Letter case folded in place, one code point at a time, as the title search compares names.
void foldCase(QString& text)
{
    const qsizetype n = text.size();
    if (n == 0)
        return;
    QChar* p = text.data();
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i].isHighSurrogate() && i + 1 < n && p[i + 1].isLowSurrogate()) {
            const char32_t lower = QChar::toLower(QChar::surrogateToUcs4(p[i], p[i + 1]));
            if (QChar::requiresSurrogates(lower)) {
                p[i] = QChar::highSurrogate(lower);
                p[i + 1] = QChar::lowSurrogate(lower);
            }
            ++i;
        } else {
            p[i] = p[i].toLower();
        }
    }
}

QString folded(QString text)
{
    foldCase(text);
    return text;
}

// The test of one kind, with the query prepared once for the whole walk. A record's text is
// decoded into one buffer that every record reuses: a search allocates nothing per record.
class Matcher
{
public:
    explicit Matcher(const SearchQuery& query)
        : query_(query)
        , pattern_(patternText(query))
        , wildcard_(pattern_)
    {
        buffer_.reserve(256);
    }

    MovieField field() const
    {
        switch (query_.kind) {
        case SearchKind::Title:
            return MovieField::MovieName;
        case SearchKind::Year:
            return MovieField::Year;
        case SearchKind::Genre:
            return MovieField::Type;
        case SearchKind::Format:
            return MovieField::Filetype;
        case SearchKind::Seen:
            break;
        }
        return MovieField::Seen;
    }

    bool matches(const StoredValue& value)
    {
        // A movie without a value, a title included, is found by no criterion.
        if (value.kind == StoredValue::Null)
            return false;
        switch (query_.kind) {
        case SearchKind::Title:
            if (tooShort(value))
                return false;
            readInto(value, true);
            return query_.exact ? QStringView(buffer_) == pattern_ : wildcard_.matches(buffer_);
        case SearchKind::Year:
        case SearchKind::Genre:
            if (tooShort(value))
                return false;
            readInto(value, false);
            return wildcard_.matches(buffer_);
        case SearchKind::Format:
            readInto(value, true);
            return blanksTrimmed(buffer_) == pattern_;
        case SearchKind::Seen:
            return query_.seen && MovieSearch::seenMark(value) == query_.seen;
        }
        return false;
    }

private:
    static QString patternText(const SearchQuery& query)
    {
        const QString q = TextRules::trimBlanks(query.text);
        switch (query.kind) {
        case SearchKind::Title:
            return query.exact ? folded(q) : u'*' + folded(q) + u'*';
        case SearchKind::Year:
        case SearchKind::Genre:
            return u'*' + q + u'*';
        case SearchKind::Format:
            return folded(q);
        case SearchKind::Seen:
            break;
        }
        return QString();
    }

    // UTF-8 never takes fewer bytes than UTF-16 characters: a text this short cannot match.
    bool tooShort(const StoredValue& value) const
    {
        const qsizetype least = query_.exact ? pattern_.size() : wildcard_.minimumLength();
        return value.kind == StoredValue::Text && value.utf8.size() < least;
    }

    void readInto(const StoredValue& value, bool fold)
    {
        if (value.kind == StoredValue::Number) {
            buffer_ = TextRules::shortestDecimal(value.number);
        } else {
            buffer_.resize(value.utf8.size());
            const QChar* end = utf8_.appendToBuffer(buffer_.data(), value.utf8);
            buffer_.truncate(end - buffer_.constData());
        }
        if (fold)
            foldCase(buffer_);
    }

    // The view without leading and trailing blanks, as TextRules::trimBlanks cuts them.
    static QStringView blanksTrimmed(QStringView text)
    {
        while (!text.isEmpty() && text.front() == u' ')
            text = text.sliced(1);
        while (!text.isEmpty() && text.back() == u' ')
            text.chop(1);
        return text;
    }

    const SearchQuery& query_;
    const QString pattern_;
    const TextRules::WildcardPattern wildcard_;
    QString buffer_;
    QStringDecoder utf8_ { QStringDecoder::Utf8, QStringDecoder::Flag::Stateless };
};

} // namespace

namespace MovieSearch {

std::optional<bool> seenMark(const StoredValue& value)
{
    if (value.kind != StoredValue::Text)
        return std::nullopt;
    if (value.utf8 == QByteArrayView("yes"))
        return true;
    if (value.utf8 == QByteArrayView("no"))
        return false;
    return std::nullopt;
}

QString statusText(qsizetype found)
{
    return QStringLiteral("搜索完毕,共发现 ") + QString::number(found) + QStringLiteral(" 项.");
}

std::optional<SearchOutcome> searchMovie(const Catalogue& catalogue, const SearchQuery& query, QString* error)
{
    SearchOutcome outcome;
    if (query.kind != SearchKind::Seen && query.text.isEmpty())
        return outcome;
    const qint64 count = catalogue.movieCount(error);
    if (count < 0)
        return std::nullopt;
    if (count == 0) {
        outcome.emptyTable = true;
    } else {
        Matcher matcher(query);
        const bool ok = catalogue.forEachStoredMovieWhere(
            matcher.field(), [&](const StoredValue& v) { return matcher.matches(v); },
            [&](const StoredMovie& m) {
                outcome.rows.append(movieRow(m, true));
                return true;
            },
            error);
        if (!ok)
            return std::nullopt;
    }
    outcome.status = statusText(outcome.rows.size());
    return outcome;
}

} // namespace MovieSearch
