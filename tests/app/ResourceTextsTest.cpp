// The host's text table: wording for every text the status component asks for, placeholders for
// the rest, and fill-ins.
#include "host/AppLog.h"
#include "host/AppTranslations.h"
#include "host/ResourceTexts.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLocale>
#include <QSet>
#include <QTranslator>

#include <statusobject/TextNumbers.h>

#include <span>

using sv::AppLog;
using sv::ResourceTexts;

namespace {

// Every text number the status component fetches: captions, state words, messages.
QList<qint32> componentTexts() {
    QList<qint32> out;
    for (const auto& numbers :
         {std::span<const int>(so::res::NamedTexts), std::span<const int>(so::res::ColumnCaptions),
          std::span<const int>(so::res::ColumnSetCaptions)})
        out.append(QList<qint32>(numbers.begin(), numbers.end()));
    return out;
}

TEST(ResourceTexts, EveryTextTheComponentAsksForHasWording) {
    AppLog log;
    log.setEcho(false);
    ResourceTexts texts(&log);
    for (qint32 n : componentTexts()) {
        EXPECT_TRUE(texts.contains(n)) << n;
        EXPECT_FALSE(texts.text(n).isEmpty()) << n;
    }
    EXPECT_EQ(log.errorCount(), 0);
}

/// The application's catalogues for a language, installed as the program installs them (they are
/// found beside the test program as beside an installed one); none for C.
class Language {
public:
    explicit Language(const QLocale& locale) {
        QLocale::setDefault(locale);
        sv::installTranslations(*QCoreApplication::instance());
    }
    ~Language() {
        for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
        QLocale::setDefault(QLocale::c());
    }
};

TEST(ResourceTexts, InGermanTheTextsAreGermanAndStillDistinct) {
    const Language german{QLocale(QLocale::German)};
    ResourceTexts texts;
    EXPECT_EQ(texts.text(1446), QStringLiteral("Geschlossen"));
    EXPECT_EQ(texts.text(1435), QStringLiteral("-")) << "the not-known dash stays a dash";
    EXPECT_EQ(texts.format(74, {QStringLiteral("admin"), QStringLiteral("WS2"), QStringLiteral("Tür 1")}),
              QStringLiteral("Tür 1 wird gerade von admin an WS2 geändert. Versuchen Sie es erneut, wenn die Änderung "
                             "abgeschlossen ist."));
}

TEST(ResourceTexts, StateWordsTheComponentComparesAreDistinct) {
    // Summaries compare cells with these texts; two equal words would make a state read as another,
    // in every language.
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::German)}) {
        SCOPED_TRACE(locale.name().toStdString());
        const Language language{locale};
        ResourceTexts texts;
        const QList<QList<qint32>> comparedTogether = {
            {1435, 1446, 1447, 1459, 1460, 1461, 1462},  // a door's or input's line cell
            {1435, 1441, 1442},                          // relay status
            {1435, 1463, 1679},                          // alarm, masked, enabled
            {1437, 1453, 1769, 1390, 1435},              // the parts of a door summary
            {1432, 1433, 1434, 1435},                    // on line, off line, unknown
        };
        for (const QList<qint32>& group : comparedTogether) {
            QSet<QString> seen;
            for (qint32 n : group)
                EXPECT_FALSE(seen.contains(texts.text(n)))
                    << "text " << n << " repeats " << texts.text(n).toStdString();
            for (qint32 n : group)
                seen.insert(texts.text(n));
        }
    }
}

TEST(ResourceTexts, AMissingNumberShowsAPlaceholderAndIsLoggedOnce) {
    AppLog log;
    log.setEcho(false);
    ResourceTexts texts(&log);
    EXPECT_EQ(texts.text(9999), "[text 9999]");
    EXPECT_EQ(texts.text(9999), "[text 9999]");
    EXPECT_EQ(texts.format(9999, {"a"}), "[text 9999]");
    EXPECT_EQ(texts.text(-1), "[text -1]");
    EXPECT_EQ(log.errorCount(), 2);  // 9999 and -1, each once
    EXPECT_EQ(texts.missingNumbers().size(), 2);
    ASSERT_FALSE(log.lines().isEmpty());
    EXPECT_TRUE(log.lines().first().contains("9999"));
}

TEST(ResourceTexts, FillInsGoIntoTheirPlaceHolders) {
    struct Case {
        const char* pattern;
        QStringList fillIns;
        const char* expected;
    };
    const Case cases[] = {
        {"%1 at %2", {"Morgan Lee", "WS2"}, "Morgan Lee at WS2"},
        {"%2 before %1", {"one", "two"}, "two before one"},
        {"%3 is in use", {"a", "b"}, " is in use"},  // a place holder without fill-in
        {"no place holders", {"x"}, "no place holders"},
        {"100%% sure, %1", {"yes"}, "100% sure, yes"},
        {"%1", {"%2 stays"}, "%2 stays"},  // fill-ins are not read again
        {"%9!", {"1", "2", "3", "4", "5", "6", "7", "8", "nine"}, "nine!"},
        {"ends with %", {}, "ends with %"},
        {"%x and %0", {"a"}, "%x and %0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResourceTexts::fillIn(c.pattern, c.fillIns), c.expected) << c.pattern;

    ResourceTexts texts;
    EXPECT_EQ(texts.format(72, {"Morgan Lee", "WS2"}),
              "This item is being changed by Morgan Lee at WS2. Try again when they have finished.");
}

}  // namespace
