#include "db/TSqlTokenizer.h"

#include <statusobject/Db.h>

namespace so::db::tsql {
namespace {

bool isIdentifierStart(QChar c) { return c.isLetter() || c == u'_' || c == u'#'; }

bool isIdentifierPart(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'#' || c == u'$' || c == u'@'; }

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

bool isHexDigit(QChar c) { return isDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

class Scanner {
public:
    explicit Scanner(const QString& sql) : s_(sql), n_(sql.size()) {}

    QVector<Token> run() {
        QVector<Token> tokens;
        tokens.reserve(n_ / 3 + 4);
        while (i_ < n_)
            tokens.append(next());
        return tokens;
    }

private:
    QChar at(qsizetype k) const { return k < n_ ? s_.at(k) : QChar(); }

    Token make(TokenKind kind, qsizetype start) const { return Token{kind, start, i_ - start}; }

    [[noreturn]] void fail(const char* what, qsizetype start) const {
        throw DbError(QStringLiteral("Cannot parse the statement: %1 starting at character %2")
                          .arg(QLatin1String(what))
                          .arg(start + 1),
                      s_);
    }

    // Scans up to and including the closing `quote`; a doubled quote is an escaped one.
    void scanQuoted(QChar quote, const char* what, qsizetype start) {
        ++i_;
        for (;;) {
            if (i_ >= n_)
                fail(what, start);
            if (s_.at(i_) == quote) {
                if (at(i_ + 1) == quote) {
                    i_ += 2;
                    continue;
                }
                ++i_;
                return;
            }
            ++i_;
        }
    }

    Token next() {
        const qsizetype start = i_;
        const QChar c = s_.at(i_);
        if (c.isSpace()) {
            while (i_ < n_ && s_.at(i_).isSpace())
                ++i_;
            return make(TokenKind::Whitespace, start);
        }
        if (c == u'-' && at(i_ + 1) == u'-') {
            while (i_ < n_ && s_.at(i_) != u'\n')
                ++i_;
            return make(TokenKind::Comment, start);
        }
        if (c == u'/' && at(i_ + 1) == u'*') {
            const qsizetype end = s_.indexOf(QLatin1String("*/"), i_ + 2);
            if (end < 0)
                fail("unterminated comment", start);
            i_ = end + 2;
            return make(TokenKind::Comment, start);
        }
        if (c == u'\'') {
            scanQuoted(u'\'', "unterminated string literal", start);
            return make(TokenKind::String, start);
        }
        if ((c == u'N' || c == u'n') && at(i_ + 1) == u'\'') {
            ++i_;
            scanQuoted(u'\'', "unterminated string literal", start);
            Token t = make(TokenKind::String, start);
            t.national = true;
            return t;
        }
        if (c == u'[') {
            scanQuoted(u']', "unterminated bracketed name", start);
            return make(TokenKind::QuotedName, start);
        }
        if (c == u'"' || c == u'`') {
            scanQuoted(c, "unterminated quoted name", start);
            return make(TokenKind::QuotedName, start);
        }
        if (c == u'0' && (at(i_ + 1) == u'x' || at(i_ + 1) == u'X')) {
            i_ += 2;
            while (i_ < n_ && isHexDigit(s_.at(i_)))
                ++i_;
            return make(TokenKind::Number, start);
        }
        if (isDigit(c) || (c == u'.' && isDigit(at(i_ + 1)))) {
            scanNumber();
            return make(TokenKind::Number, start);
        }
        if (isIdentifierStart(c)) {
            while (i_ < n_ && isIdentifierPart(s_.at(i_)))
                ++i_;
            return make(TokenKind::Identifier, start);
        }
        if (c == u'?') {
            ++i_;
            return make(TokenKind::Parameter, start);
        }
        if ((c == u':' || c == u'@') && isIdentifierStart(at(i_ + 1))) {
            ++i_;
            while (i_ < n_ && isIdentifierPart(s_.at(i_)))
                ++i_;
            return make(TokenKind::Parameter, start);
        }
        ++i_;
        return make(TokenKind::Punct, start);
    }

    void scanNumber() {
        while (i_ < n_ && isDigit(s_.at(i_)))
            ++i_;
        if (at(i_) == u'.') {
            ++i_;
            while (i_ < n_ && isDigit(s_.at(i_)))
                ++i_;
        }
        if ((at(i_) == u'e' || at(i_) == u'E') &&
            (isDigit(at(i_ + 1)) || ((at(i_ + 1) == u'+' || at(i_ + 1) == u'-') && isDigit(at(i_ + 2))))) {
            i_ += 2;
            while (i_ < n_ && isDigit(s_.at(i_)))
                ++i_;
        }
    }

    const QString& s_;
    const qsizetype n_;
    qsizetype i_ = 0;
};

}  // namespace

QVector<Token> tokenize(const QString& sql) { return Scanner(sql).run(); }

QString stringValue(const QString& source, const Token& token) {
    const qsizetype skip = token.national ? 2 : 1;
    QString inner = token.text(source).mid(skip, token.len - skip - 1).toString();
    inner.replace(QLatin1String("''"), QLatin1String("'"));
    return inner;
}

QString nameValue(const QString& source, const Token& token) {
    const QStringView text = token.text(source);
    if (token.kind != TokenKind::QuotedName)
        return text.toString();
    const QChar open = text.front();
    const QChar close = open == u'[' ? QChar(u']') : open;
    QString inner = text.mid(1, text.size() - 2).toString();
    inner.replace(QString(2, close), QString(close));
    return inner;
}

}  // namespace so::db::tsql
