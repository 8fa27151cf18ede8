// What SQL Server refuses and SQLite takes: the SQL Server-like test driver refuses a statement
// text holding any of it before the text is rewritten for SQLite, so a SQLite habit in the
// component fails on the server path as it would on a server. The suite also runs it over every
// statement text the component and the application send, apart from the rewriter.
//
// Refused (outside string literals, quoted names and comments): LIMIT, AUTOINCREMENT, the TRUE and
// FALSE literals, the || operator, IFNULL( and datetime( calls, INSERT OR ... and ON CONFLICT.
#pragma once

#include "db/TSqlTokenizer.h"

#include <QString>

#include <vector>

namespace so::sqlserverdriver {

/// The first SQLite-only construct in `sql`, as the text writes it; empty when there is none.
/// Throws DbError for a text the tokenizer refuses (an unterminated literal).
inline QString sqliteOnlySyntax(const QString& sql) {
    using db::tsql::Token;
    using db::tsql::TokenKind;
    const QVector<Token> tokens = db::tsql::tokenize(sql);
    std::vector<const Token*> significant;
    for (const Token& token : tokens)
        if (token.significant())
            significant.push_back(&token);
    const auto word = [&sql](const Token* t, const char* w) {
        return t != nullptr && t->isWord(sql, QLatin1StringView(w));
    };
    for (std::size_t i = 0; i < significant.size(); ++i) {
        const Token* t = significant[i];
        const Token* next = i + 1 < significant.size() ? significant[i + 1] : nullptr;
        const bool called = next != nullptr && next->isPunct(sql, u'(');
        if (word(t, "LIMIT") || word(t, "AUTOINCREMENT") || word(t, "TRUE") || word(t, "FALSE") ||
            ((word(t, "IFNULL") || word(t, "DATETIME")) && called))
            return t->text(sql).toString();
        if ((word(t, "INSERT") && word(next, "OR")) || (word(t, "ON") && word(next, "CONFLICT")))
            return sql.mid(t->pos, next->pos + next->len - t->pos);
        if (t->isPunct(sql, u'|') && next != nullptr && next->isPunct(sql, u'|') && next->pos == t->pos + 1)
            return QStringLiteral("||");
    }
    return {};
}

}  // namespace so::sqlserverdriver
