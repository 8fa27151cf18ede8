#include "db/TSqlRewriter.h"

#include <statusobject/Db.h>

#include <vector>

namespace so::db::tsql {
namespace {

// First words of statements; any other first word starts a procedure call.
constexpr QLatin1StringView kStatementWords[] = {
    QLatin1StringView("SELECT"),    QLatin1StringView("INSERT"),  QLatin1StringView("UPDATE"),
    QLatin1StringView("DELETE"),    QLatin1StringView("WITH"),    QLatin1StringView("CREATE"),
    QLatin1StringView("DROP"),      QLatin1StringView("ALTER"),   QLatin1StringView("PRAGMA"),
    QLatin1StringView("BEGIN"),     QLatin1StringView("COMMIT"),  QLatin1StringView("ROLLBACK"),
    QLatin1StringView("END"),       QLatin1StringView("REPLACE"), QLatin1StringView("VALUES"),
    QLatin1StringView("EXPLAIN"),   QLatin1StringView("ATTACH"),  QLatin1StringView("DETACH"),
    QLatin1StringView("VACUUM"),    QLatin1StringView("ANALYZE"), QLatin1StringView("REINDEX"),
    QLatin1StringView("SAVEPOINT"), QLatin1StringView("RELEASE"), QLatin1StringView("DECLARE"),
    QLatin1StringView("SET"),       QLatin1StringView("IF"),      QLatin1StringView("TRUNCATE"),
    QLatin1StringView("MERGE"),     QLatin1StringView("USE"),     QLatin1StringView("PRINT"),
    QLatin1StringView("WHILE"),     QLatin1StringView("RETURN"),  QLatin1StringView("GRANT"),
    QLatin1StringView("REVOKE"),    QLatin1StringView("DENY"),
};

// Table hints SQL Server accepts in "(...)" after a table name; SQLite has none.
constexpr QLatin1StringView kTableHints[] = {
    QLatin1StringView("NOLOCK"),       QLatin1StringView("READUNCOMMITTED"), QLatin1StringView("READCOMMITTED"),
    QLatin1StringView("ROWLOCK"),      QLatin1StringView("PAGLOCK"),         QLatin1StringView("TABLOCK"),
    QLatin1StringView("TABLOCKX"),     QLatin1StringView("UPDLOCK"),         QLatin1StringView("XLOCK"),
    QLatin1StringView("HOLDLOCK"),     QLatin1StringView("READPAST"),        QLatin1StringView("NOWAIT"),
    QLatin1StringView("SERIALIZABLE"), QLatin1StringView("REPEATABLEREAD"),
};

template <size_t N>
bool isOneOf(const QString& s, const Token& t, const QLatin1StringView (&words)[N]) {
    if (t.kind != TokenKind::Identifier)
        return false;
    for (const auto& w : words)
        if (t.text(s).compare(w, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

[[noreturn]] void parseError(const QString& what, const QString& sql) {
    throw DbError(QStringLiteral("Cannot parse the statement: ") + what, sql);
}

// Index of the matching parenthesis for every "(" and ")"; -1 for other tokens.
std::vector<int> matchParentheses(const QString& s, const QVector<Token>& t) {
    std::vector<int> match(t.size(), -1);
    std::vector<int> open;
    for (int k = 0; k < t.size(); ++k) {
        if (t[k].isPunct(s, u'(')) {
            open.push_back(k);
        } else if (t[k].isPunct(s, u')')) {
            if (open.empty())
                parseError(
                    QStringLiteral("unbalanced parentheses (a \")\" at character %1 closes nothing)").arg(t[k].pos + 1),
                    s);
            match[k] = open.back();
            match[open.back()] = k;
            open.pop_back();
        }
    }
    if (!open.empty())
        parseError(QStringLiteral("unbalanced parentheses (the \"(\" at character %1 is never closed)")
                       .arg(t[open.back()].pos + 1),
                   s);
    return match;
}

// Per-token edits of the rewrite: text put before, instead of, and after the token.
struct Edit {
    QString prefix;
    QString suffix;
    QString replacement;
    bool replaced = false;
};

class Rewriter {
public:
    Rewriter(const QString& s, const QVector<Token>& t)
        : s_(s), t_(t), match_(matchParentheses(s, t)), edits_(t.size()) {}

    void run() { group(0, int(t_.size())); }

    QString render(int first, int last) const {
        QString out;
        out.reserve(int(t_[last].pos + t_[last].len - t_[first].pos) + 16);
        for (int k = first; k <= last; ++k) {
            const Edit& e = edits_[k];
            out += e.prefix;
            if (e.replaced)
                out += e.replacement;
            else
                out += t_[k].text(s_);
            out += e.suffix;
        }
        return out;
    }

private:
    int nextSignificant(int k, int end) const {
        for (++k; k < end; ++k)
            if (t_[k].significant())
                return k;
        return -1;
    }
    int prevSignificant(int k, int begin) const {
        for (--k; k >= begin; --k)
            if (t_[k].significant())
                return k;
        return -1;
    }
    // Removes tokens [first, last]; with blanks on both sides, the blank after goes too.
    void erase(int first, int last) {
        if (first > 0 && t_[first - 1].kind == TokenKind::Whitespace && last + 1 < t_.size() &&
            t_[last + 1].kind == TokenKind::Whitespace)
            ++last;
        for (int k = first; k <= last; ++k) {
            edits_[k].replaced = true;
            edits_[k].replacement.clear();
        }
    }
    void replace(int k, const QString& text) {
        edits_[k].replaced = true;
        edits_[k].replacement = text;
    }

    // Rewrites the tokens in [begin, end): one parenthesis level; deeper levels recurse.
    void group(int begin, int end) {
        struct OpenJoin {
            int token;
            int joinsBefore;
        };
        std::vector<OpenJoin> joins;
        int joinsSeen = 0;
        QStringList limits;
        int scopeBegin = begin;

        auto closeScope = [&](int scopeEnd) {
            if (!limits.isEmpty()) {
                const int last = prevSignificant(scopeEnd, scopeBegin);
                if (last >= 0)
                    for (const QString& n : limits)
                        edits_[last].suffix += QStringLiteral(" LIMIT ") + n;
            }
            limits.clear();
            joins.clear();
        };

        for (int k = begin; k < end; ++k) {
            const Token& tok = t_[k];
            if (!tok.significant())
                continue;
            if (tok.kind == TokenKind::String) {
                // Without its N, a literal written right after another ('a'N'b') would join it
                // into one literal ('a''b' is "a'b"); a blank keeps them apart.
                if (tok.national) {
                    const bool followsLiteral = k > 0 && t_[k - 1].kind == TokenKind::String;
                    replace(k, (followsLiteral ? QStringLiteral(" ") : QString()) + tok.text(s_).mid(1).toString());
                }
                continue;
            }
            if (tok.isPunct(s_, u'(')) {
                const int close = match_[k];
                if (!eraseTableHints(k, close, begin)) {
                    rewriteFunction(k, close, begin);
                    group(k + 1, close);
                }
                k = close;
                continue;
            }
            if (tok.isPunct(s_, u';')) {
                closeScope(k);
                scopeBegin = k + 1;
                continue;
            }
            if (tok.isWord(s_, QLatin1StringView("SELECT"))) {
                k = takeTop(k, end, limits);
            } else if (tok.isWord(s_, QLatin1StringView("JOIN"))) {
                const int before = prevSignificant(k, begin);
                const bool takesOn = before < 0 || !(t_[before].isWord(s_, QLatin1StringView("CROSS")) ||
                                                     t_[before].isWord(s_, QLatin1StringView("NATURAL")));
                if (takesOn)
                    joins.push_back({k, joinsSeen});
                ++joinsSeen;
            } else if (tok.isWord(s_, QLatin1StringView("ON")) && !joins.empty()) {
                const OpenJoin join = joins.back();
                joins.pop_back();
                // Joins written after this one and before its ON form its right-hand side.
                if (joinsSeen > join.joinsBefore + 1) {
                    const int first = nextSignificant(join.token, k);
                    const int last = prevSignificant(k, join.token + 1);
                    if (first >= 0 && last >= first) {
                        edits_[first].prefix.prepend(u'(');
                        edits_[last].suffix += u')';
                    }
                }
            }
        }
        closeScope(end);
    }

    // SELECT [DISTINCT|ALL] TOP n  /  TOP (n): removes "TOP n" and remembers n for the LIMIT.
    // Returns the index to continue after.
    int takeTop(int select, int end, QStringList& limits) {
        int k = nextSignificant(select, end);
        if (k >= 0 && (t_[k].isWord(s_, QLatin1StringView("DISTINCT")) || t_[k].isWord(s_, QLatin1StringView("ALL"))))
            k = nextSignificant(k, end);
        if (k < 0 || !t_[k].isWord(s_, QLatin1StringView("TOP")))
            return select;
        const int top = k;
        int n = nextSignificant(top, end);
        int last = n;
        if (n >= 0 && t_[n].isPunct(s_, u'(')) {
            last = match_[n];
            n = nextSignificant(n, last);
            if (n < 0 || nextSignificant(n, last) >= 0)
                return select;
        }
        if (n < 0 || t_[n].kind != TokenKind::Number)
            return select;
        limits.append(t_[n].text(s_).toString());
        erase(top, last);
        return last;
    }

    // "(NOLOCK)", "WITH (NOLOCK, ROWLOCK)": a parenthesised list of table hints after a table.
    bool eraseTableHints(int open, int close, int begin) {
        bool anyHint = false;
        bool expectHint = true;
        for (int j = nextSignificant(open, close); j >= 0; j = nextSignificant(j, close)) {
            if (expectHint && isOneOf(s_, t_[j], kTableHints))
                anyHint = true;
            else if (expectHint || !t_[j].isPunct(s_, u','))
                return false;
            expectHint = !expectHint;
        }
        if (!anyHint || expectHint)
            return false;
        const int before = prevSignificant(open, begin);
        erase(before >= 0 && t_[before].isWord(s_, QLatin1StringView("WITH")) ? before : open, close);
        return true;
    }

    // LEFT(x, n) -> substr(x, 1, n);  LEN(x) -> length(rtrim(x));  ISNULL(x, y) -> coalesce(x, y);
    // CONVERT(type, x) -> CAST(x AS type).
    void rewriteFunction(int open, int close, int begin) {
        const int name = prevSignificant(open, begin);
        if (name < 0 || t_[name].kind != TokenKind::Identifier)
            return;
        const int qualifier = prevSignificant(name, begin);
        if (qualifier >= 0 && t_[qualifier].isPunct(s_, u'.'))
            return;
        const bool isLeft = t_[name].isWord(s_, QLatin1StringView("LEFT"));
        const bool isLen = t_[name].isWord(s_, QLatin1StringView("LEN"));
        const bool isIsNull = t_[name].isWord(s_, QLatin1StringView("ISNULL"));
        const bool isConvert = t_[name].isWord(s_, QLatin1StringView("CONVERT"));
        if (!isLeft && !isLen && !isIsNull && !isConvert)
            return;
        std::vector<int> commas;
        for (int j = open + 1; j < close; ++j) {
            if (t_[j].isPunct(s_, u'('))
                j = match_[j];
            else if (t_[j].isPunct(s_, u','))
                commas.push_back(j);
        }
        if (isLeft && commas.size() == 1) {
            replace(name, QStringLiteral("substr"));
            replace(commas[0], QStringLiteral(", 1,"));
        } else if (isLen && commas.empty() && nextSignificant(open, close) >= 0) {
            replace(name, QStringLiteral("length"));
            replace(open, QStringLiteral("(rtrim("));
            replace(close, QStringLiteral("))"));
        } else if (isIsNull && commas.size() == 1) {
            replace(name, QStringLiteral("coalesce"));
        } else if (isConvert && commas.size() == 1) {
            // Only the form without a style: a style (how dates read and print) has no SQLite match.
            const int type = nextSignificant(open, commas[0]);
            const int valueLast = prevSignificant(close, commas[0] + 1);
            if (type < 0 || valueLast < 0)
                return;
            const int typeLast = prevSignificant(commas[0], open + 1);
            const QString typeText = s_.mid(t_[type].pos, t_[typeLast].pos + t_[typeLast].len - t_[type].pos);
            replace(name, QStringLiteral("CAST"));
            erase(type, nextSignificant(commas[0], close) - 1);
            edits_[valueLast].suffix += QStringLiteral(" AS ") + typeText;
        }
    }

    const QString& s_;
    const QVector<Token>& t_;
    std::vector<int> match_;
    std::vector<Edit> edits_;
};

QVariant literalValue(const QString& s, const QVector<Token>& t, int& k, int last, const QString& procedure,
                      int argumentNumber) {
    auto notLiteral = [&](int at) {
        return DbError(QStringLiteral("Argument %1 of procedure %2 is not a literal value: %3")
                           .arg(argumentNumber)
                           .arg(procedure, t[at].text(s).toString()),
                       s);
    };
    bool negative = false;
    if (t[k].isPunct(s, u'-') || t[k].isPunct(s, u'+')) {
        const int sign = k;
        negative = t[k].isPunct(s, u'-');
        do
            ++k;
        while (k <= last && !t[k].significant());
        if (k > last || t[k].kind != TokenKind::Number)
            throw notLiteral(sign);
    }
    const Token& tok = t[k];
    if (tok.kind == TokenKind::String)
        return stringValue(s, tok);
    if (tok.isWord(s, QLatin1StringView("NULL")))
        return QVariant();
    if (tok.kind == TokenKind::Number) {
        const QStringView text = tok.text(s);
        bool ok = false;
        if (text.startsWith(u"0x", Qt::CaseInsensitive)) {
            const qlonglong v = text.mid(2).toLongLong(&ok, 16);
            if (ok)
                return negative ? -v : v;
        } else if (!text.contains(u'.') && !text.contains(u'e', Qt::CaseInsensitive)) {
            const qlonglong v = text.toLongLong(&ok);
            if (ok)
                return negative ? -v : v;
        }
        const double d = text.toDouble(&ok);
        if (ok)
            return negative ? -d : d;
    }
    throw notLiteral(k);
}

// NAME [arg [, arg ...]] with an optional EXEC/EXECUTE in front.
ProcedureCall parseCall(const QString& s, const QVector<Token>& t, int first, int last) {
    int k = first;
    auto next = [&](int j) {
        for (++j; j <= last; ++j)
            if (t[j].significant())
                return j;
        return last + 1;
    };
    if (t[k].isWord(s, QLatin1StringView("EXEC")) || t[k].isWord(s, QLatin1StringView("EXECUTE")))
        k = next(k);
    if (k > last || (t[k].kind != TokenKind::Identifier && t[k].kind != TokenKind::QuotedName))
        parseError(QStringLiteral("EXECUTE is not followed by a procedure name"), s);
    ProcedureCall call;
    call.name = nameValue(s, t[k]);
    // A schema-qualified name (dbo.NAME, [dbo].[NAME]) names the procedure by its last part.
    for (k = next(k); k <= last && t[k].isPunct(s, u'.'); k = next(k)) {
        k = next(k);
        if (k > last || (t[k].kind != TokenKind::Identifier && t[k].kind != TokenKind::QuotedName))
            parseError(QStringLiteral("incomplete procedure name"), s);
        call.name = nameValue(s, t[k]);
    }
    while (k <= last) {
        call.arguments.append(literalValue(s, t, k, last, call.name, int(call.arguments.size()) + 1));
        k = next(k);
        if (k > last)
            break;
        if (!t[k].isPunct(s, u','))
            throw DbError(QStringLiteral("Procedure %1: the arguments must be literal values separated by \",\"; "
                                         "found: %2")
                              .arg(call.name, s.mid(t[k].pos).trimmed()),
                          s);
        k = next(k);
        if (k > last)
            parseError(QStringLiteral("a procedure argument is missing after the last \",\""), s);
    }
    return call;
}

bool startsProcedureCall(const QString& s, const Token& first) {
    if (first.kind == TokenKind::QuotedName)
        return true;
    if (first.kind != TokenKind::Identifier)
        return false;
    return first.isWord(s, QLatin1StringView("EXEC")) || first.isWord(s, QLatin1StringView("EXECUTE")) ||
           !isOneOf(s, first, kStatementWords);
}

bool namesProcedureTable(const QString& s, const QVector<Token>& t) {
    for (const Token& tok : t) {
        if ((tok.kind == TokenKind::Identifier || tok.kind == TokenKind::QuotedName) &&
            nameValue(s, tok).compare(kProcedureTable, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

}  // namespace

QVector<QPair<int, int>> statementRanges(const QString& s, const QVector<Token>& t) {
    QVector<QPair<int, int>> ranges;
    int depth = 0;
    int blocks = 0;
    int first = -1;
    int last = -1;
    for (int k = 0; k < t.size(); ++k) {
        const Token& tok = t[k];
        if (!tok.significant())
            continue;
        if (depth == 0 && tok.isPunct(s, u';') && blocks == 0) {
            if (first >= 0)
                ranges.append({first, last});
            first = last = -1;
            continue;
        }
        if (tok.isPunct(s, u'('))
            ++depth;
        else if (tok.isPunct(s, u')'))
            --depth;
        else if (tok.isWord(s, QLatin1StringView("CASE")) || (first >= 0 && tok.isWord(s, QLatin1StringView("BEGIN"))))
            ++blocks;
        else if (tok.isWord(s, QLatin1StringView("END")) && blocks > 0)
            --blocks;
        if (first < 0)
            first = k;
        last = k;
    }
    if (first >= 0)
        ranges.append({first, last});
    return ranges;
}

Translation translate(const QString& sql) {
    const QVector<Token> tokens = tokenize(sql);
    const QVector<QPair<int, int>> ranges = statementRanges(sql, tokens);
    if (ranges.isEmpty())
        throw DbError(QStringLiteral("The statement is empty"), sql);

    Translation result;
    result.touchesProcedureTable = namesProcedureTable(sql, tokens);
    if (ranges.size() == 1 && startsProcedureCall(sql, tokens[ranges[0].first])) {
        result.call = parseCall(sql, tokens, ranges[0].first, ranges[0].second);
        return result;
    }
    for (const auto& [first, last] : ranges)
        if (startsProcedureCall(sql, tokens[first]))
            throw DbError(QStringLiteral("A procedure call must be the only statement of its text"), sql);
    // One statement per text: a value that ever reached a text unbound cannot add a second one.
    if (ranges.size() > 1)
        throw DbError(QStringLiteral("A text may hold one statement only; found %1").arg(ranges.size()), sql);
    Rewriter rewriter(sql, tokens);
    rewriter.run();
    for (const auto& [first, last] : ranges) {
        SqlStatement statement;
        statement.text = rewriter.render(first, last);
        for (int k = first; k <= last; ++k)
            if (tokens[k].kind == TokenKind::Parameter && tokens[k].len == 1)
                ++statement.placeholders;
        result.statements.append(statement);
    }
    return result;
}

QString rewrite(const QString& sql) {
    const QVector<Token> tokens = tokenize(sql);
    if (tokens.isEmpty())
        return sql;
    const QVector<QPair<int, int>> ranges = statementRanges(sql, tokens);
    if (ranges.size() == 1 && startsProcedureCall(sql, tokens[ranges[0].first]))
        return sql;
    Rewriter rewriter(sql, tokens);
    rewriter.run();
    return rewriter.render(0, int(tokens.size()) - 1);
}

}  // namespace so::db::tsql
