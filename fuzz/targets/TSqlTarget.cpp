// The T-SQL compatibility layer on arbitrary statement texts.
#include "FuzzInput.h"
#include "FuzzTargets.h"

#include "db/TSqlRewriter.h"
#include "db/TSqlTokenizer.h"

#include <statusobject/Db.h>

namespace so::fuzz {
namespace {

using db::tsql::Token;
using db::tsql::TokenKind;

/// What the rewrite must leave alone, in order: the values of string literals (the N prefix may
/// go), quoted names and comments as written.
QStringList untouchable(const QString& sql, const QVector<Token>& tokens) {
    QStringList out;
    for (const Token& t : tokens) {
        switch (t.kind) {
        case TokenKind::String: out << QStringLiteral("S:") + db::tsql::stringValue(sql, t); break;
        case TokenKind::QuotedName:
        case TokenKind::Comment: out << QStringLiteral("Q:") + t.text(sql).toString(); break;
        default: break;
        }
    }
    return out;
}

void checkTokens(const QString& sql, const QVector<Token>& tokens) {
    qsizetype pos = 0;
    for (const Token& t : tokens) {
        check(t.pos == pos && t.len > 0,
              QStringLiteral("token at %1 (length %2) does not follow on at %3").arg(t.pos).arg(t.len).arg(pos));
        pos += t.len;
        if (t.kind == TokenKind::String)
            db::tsql::stringValue(sql, t);
        else if (t.kind == TokenKind::QuotedName || t.kind == TokenKind::Identifier)
            db::tsql::nameValue(sql, t);
    }
    check(pos == sql.size(), QStringLiteral("tokens end at %1 of %2 characters").arg(pos).arg(sql.size()));

    int previousLast = -1;
    for (const auto& [first, last] : db::tsql::statementRanges(sql, tokens)) {
        check(first > previousLast && first <= last && last < tokens.size(),
              QStringLiteral("statement range [%1, %2] after %3").arg(first).arg(last).arg(previousLast));
        check(tokens[first].significant() && tokens[last].significant(),
              QStringLiteral("statement range [%1, %2] starts or ends on blank or comment").arg(first).arg(last));
        previousLast = last;
    }
}

}  // namespace

int tsqlRewriter(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const QString sql = in.rest();

    QVector<Token> tokens;
    try {
        tokens = db::tsql::tokenize(sql);
    } catch (const db::DbError&) {
        // An unterminated literal, name or comment: the rewrite must refuse the text as well.
        bool refused = false;
        try {
            db::tsql::translate(sql);
        } catch (const db::DbError&) {
            refused = true;
        }
        check(refused, QStringLiteral("a text the tokenizer refuses was translated"));
        return 0;
    }
    checkTokens(sql, tokens);

    QString rewritten;
    try {
        rewritten = db::tsql::rewrite(sql);
    } catch (const db::DbError&) {
        return 0;  // not a statement the layer can read: refused, which is fine
    }
    try {
        db::tsql::translate(sql);
    } catch (const db::DbError&) {
    }

    QVector<Token> after;
    try {
        after = db::tsql::tokenize(rewritten);
    } catch (const db::DbError& e) {
        throw Finding(QStringLiteral("the rewrite does not tokenize: %1 -> %2").arg(sql, rewritten));
    }
    check(untouchable(sql, tokens) == untouchable(rewritten, after),
          QStringLiteral("a literal, quoted name or comment changed: %1 -> %2").arg(sql, rewritten));

    // Its own output reads again. (Rewriting it need not be a no-op: text that is no valid T-SQL,
    // such as "SELECT TOP 0 TOP 5", may keep a construct the first pass left for the second.)
    try {
        db::tsql::rewrite(rewritten);
    } catch (const db::DbError& e) {
        throw Finding(QStringLiteral("the rewrite's output is refused: %1 -> %2: %3").arg(sql, rewritten, e.message()));
    }
    return 0;
}

}  // namespace so::fuzz
