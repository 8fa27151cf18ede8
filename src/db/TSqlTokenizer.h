// Splits SQL text (SQL Server or SQLite dialect) into tokens that point into the source text.
//
// The tokenizer knows exactly the lexical forms whose inside must never be rewritten: string
// literals ('..' and N'..' with '' escapes), quoted names ([..] with ]] escapes, ".." and `..`),
// line and block comments. Everything else is numbers, identifiers, parameters and punctuation.
// Whitespace and comments are tokens too, so joining the tokens gives back the source unchanged.
#pragma once

#include <QString>
#include <QStringView>
#include <QVector>

namespace so::db::tsql {

enum class TokenKind {
    Whitespace,
    Comment,     // -- to end of line, or /* ... */
    String,      // '...' ; `national` marks the N'...' form
    QuotedName,  // [name], "name", `name`
    Number,      // 12, 1.5, 2e3, 0x1F
    Identifier,  // keywords and bare names
    Parameter,   // ?  :Name  @Name
    Punct,       // any other single character: ( ) , ; . = < > * + - ...
};

struct Token {
    TokenKind kind;
    qsizetype pos;
    qsizetype len;
    bool national = false;  // String only: written with the N prefix

    QStringView text(const QString& source) const { return QStringView(source).mid(pos, len); }
    bool significant() const { return kind != TokenKind::Whitespace && kind != TokenKind::Comment; }
    bool isPunct(const QString& source, QChar c) const { return kind == TokenKind::Punct && source.at(pos) == c; }
    /// True for an identifier equal to `word` ignoring case (keywords: SELECT, JOIN, ON ...).
    bool isWord(const QString& source, QLatin1StringView word) const {
        return kind == TokenKind::Identifier && text(source).compare(word, Qt::CaseInsensitive) == 0;
    }
};

/// Tokenizes `sql`. Throws DbError (with the statement) for an unterminated string literal,
/// quoted name or block comment.
QVector<Token> tokenize(const QString& sql);

/// The value of a String token: quotes and the N prefix removed, '' turned into '.
QString stringValue(const QString& source, const Token& token);

/// The name a QuotedName or Identifier token stands for: brackets or quotes removed, escapes undone.
QString nameValue(const QString& source, const Token& token);

}  // namespace so::db::tsql
