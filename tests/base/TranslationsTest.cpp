// The component's catalogues: found for the host's language beside the build's data folder (as
// under an installed prefix), the English plural forms always there, a language without a
// catalogue left in English.
#include "base/Translations.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTranslator>

namespace so::test {
namespace {

class TranslationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dataDirs_ = qgetenv("XDG_DATA_DIRS");
        qputenv("XDG_DATA_DIRS", QByteArray(STATUSOBJECT_BINARY_DIR "/share"));
    }

    void TearDown() override {
        uninstall();
        QLocale::setDefault(QLocale::c());
        qputenv("XDG_DATA_DIRS", dataDirs_);
    }

    /// The component's translators go, as they would with the application object.
    static void uninstall() {
        for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>(
                 QStringLiteral("statusobjectTranslator"), Qt::FindDirectChildrenOnly)) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
    }

    static QString points(int n) { return QCoreApplication::translate("so::CountTexts", "%Ln point(s)", nullptr, n); }

    QByteArray dataDirs_;
};

TEST_F(TranslationsTest, TheHostsLanguageWithItsPluralFormsAndEnglishWithout) {
    struct Case {
        QLocale::Language language;
        const char* inAlarm;
        const char* one;
        const char* many;
    };
    const Case cases[] = {
        {QLocale::German, "Im Alarm", "1 Punkt", "2 Punkte"},
        {QLocale::English, "In alarm", "1 point", "2 points"},
        {QLocale::French, "In alarm", "1 point", "2 points"},  // no catalogue: English
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QLocale::languageToString(c.language).toStdString());
        uninstall();
        QLocale::setDefault(QLocale(c.language));
        installTranslations();
        EXPECT_EQ(QCoreApplication::translate("so::Severity", "In alarm"), QString::fromUtf8(c.inAlarm));
        EXPECT_EQ(points(1), QString::fromUtf8(c.one));
        EXPECT_EQ(points(2), QString::fromUtf8(c.many));
    }
}

TEST_F(TranslationsTest, InstalledOncePerApplication) {
    QLocale::setDefault(QLocale(QLocale::German));
    installTranslations();
    const auto installed = [] {
        return QCoreApplication::instance()
            ->findChildren<QTranslator*>(QStringLiteral("statusobjectTranslator"), Qt::FindDirectChildrenOnly)
            .size();
    };
    const qsizetype first = installed();
    EXPECT_EQ(first, 2) << "the English forms and the language";
    installTranslations();  // a second Status
    EXPECT_EQ(installed(), first);
}

TEST_F(TranslationsTest, TheDataFoldersAreSearchedAfterTheLibrarysOwnPrefix) {
    // The two are one folder when the test program's prefix is the build folder itself (an install
    // layout with the library directly in lib/): then it is listed once.
    const QStringList folders = translationFolders();
    ASSERT_FALSE(folders.isEmpty());
    EXPECT_TRUE(folders.first().endsWith(QStringLiteral("/share/statusobject/translations")));
    EXPECT_EQ(folders.last(),
              QDir::cleanPath(QStringLiteral(STATUSOBJECT_BINARY_DIR "/share/statusobject/translations")));
    QStringList once = folders;
    EXPECT_EQ(once.removeDuplicates(), 0);
}

}  // namespace
}  // namespace so::test
