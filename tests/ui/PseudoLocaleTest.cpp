// The window shown in a pseudo-language (every text of the catalogues marked "⟦Ŝţàţûš⟧", built
// from the catalogues by scripts/pseudo_translation.py): every text the operator can read, in the
// window, its menus, its right-click menus and the dialogs it opens, is either marked or comes
// from the site (names, addresses, group names, the host's texts). English left unmarked is a text
// that bypasses the catalogue, and would stay English in every language.
#include "base/Translations.h"
#include "commands/ContextMenus.h"
#include "ui/AlarmJournalDialog.h"
#include "ui/AttentionPanel.h"
#include "ui/ConfigureGroupsDialog.h"
#include "ui/CountTexts.h"
#include "ui/RowContextMenu.h"
#include "ui/UiFixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTranslator>

namespace so::test {
namespace {

/// What is left of a text once every marked part is taken out (marks may nest: a marked count
/// inside a marked total).
QString unmarked(QString text) {
    static const QRegularExpression innermost(QStringLiteral("\u27e6[^\u27e6\u27e7]*\u27e7"));
    for (qsizetype before = -1; before != text.size();) {
        before = text.size();
        text.remove(innermost);
    }
    return text;
}

/// Two letters in a row outside the marks: a word. A host text in the tests is "R" and a number,
/// a key a single letter.
bool holdsEnglish(const QString& text) {
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
    return unmarked(text).contains(word);
}

TEST(PseudoLocaleCheck, FindsWordsOutsideTheMarksOnly) {
    const std::pair<const char*, bool> cases[] = {
        {"", false},
        {"\u27e6Ŝţàţûš\u27e7", false},
        {"\u27e6Ţôţàł: \u27e6300 þôîñţš\u27e7\u27e7", false},  // a marked count in a marked total
        {"R1386", false},                                      // the test host's text
        {"\u25B2 12:04:05", false},
        {"Status", true},
        {"\u27e6Ŝţàţûš\u27e7 (Ctrl+S)", true},  // keys outside the tooltip's frame
        {"\u27e6Ŝţàţûš\u27e7 - WS1", true},
    };
    for (const auto& [text, english] : cases)
        EXPECT_EQ(holdsEnglish(QString::fromUtf8(text)), english) << text;
}

// Without a catalogue of the language the counts read in English, each in its plural form.
TEST(CountTextsInEnglish, OneAndManyReadAsEnglishSaysThem) {
    installTranslations();
    const std::tuple<SectionCounts, const char*, const char*, const char*> cases[] = {
        {SectionCounts{5, 4, 1, 2}, "4 of 5 points", "1 alarm", "2 warnings"},
        {SectionCounts{1, 1, 0, 1}, "1 point", "", "1 warning"},
        {SectionCounts{1200, 1200, 3, 0}, "1,200 points", "3 alarms", ""},
    };
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    for (const auto& [counts, points, alarms, warnings] : cases) {
        EXPECT_EQ(CountTexts::points(counts), QString::fromLatin1(points));
        EXPECT_EQ(CountTexts::alarms(counts), QString::fromLatin1(alarms));
        EXPECT_EQ(CountTexts::warnings(counts), QString::fromLatin1(warnings));
    }
    QLocale::setDefault(QLocale::c());
}

// A host in German: its first component finds the German catalogue where an installed one lies
// (here the build's data folder) and shows its window in German.
class FirstComponentInGerman : public UiFixture {
protected:
    void SetUp() override {
        for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>(
                 QStringLiteral("statusobjectTranslator"), Qt::FindDirectChildrenOnly)) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
        dataDirs_ = qgetenv("XDG_DATA_DIRS");
        qputenv("XDG_DATA_DIRS", QByteArray(STATUSOBJECT_BINARY_DIR "/share"));
        QLocale::setDefault(QLocale(QLocale::German));
        UiFixture::SetUp();
    }
    void TearDown() override {
        UiFixture::TearDown();
        for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>(
                 QStringLiteral("statusobjectTranslator"), Qt::FindDirectChildrenOnly)) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
        QLocale::setDefault(QLocale::c());
        qputenv("XDG_DATA_DIRS", dataDirs_);
    }
    QByteArray dataDirs_;
};

TEST_F(FirstComponentInGerman, ItsWindowIsTitledInGerman) {
    show();
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Statusanzeige"));
    EXPECT_EQ(action(QStringLiteral("abnormalOnly"))->text(), QStringLiteral("Nur Auffällige"));
}

class PseudoLocaleTest : public UiFixture {
protected:
    void SetUp() override {
        // Over the component's own translators (the English plural forms), as a host's catalogue
        // goes, and before the component exists: the texts it makes when created are in the
        // language too.
        installTranslations();
        ASSERT_TRUE(pseudo_.load(QStringLiteral(STATUSOBJECT_PSEUDO_QM)));
        QCoreApplication::installTranslator(&pseudo_);
        UiFixture::SetUp();
    }

    void TearDown() override {
        UiFixture::TearDown();
        QCoreApplication::removeTranslator(&pseudo_);
    }

    void expectMarked(const QString& text, const QString& where) {
        if (!text.isEmpty() && holdsEnglish(text))
            english_ << where + QStringLiteral(": \"") + text + QLatin1Char('"');
    }

    void checkAction(const QAction* action, const QString& where) {
        const QString name = where + QLatin1Char('/') + action->objectName();
        expectMarked(action->text(), name + QStringLiteral(" text"));
        expectMarked(action->toolTip(), name + QStringLiteral(" tooltip"));
        expectMarked(action->statusTip(), name + QStringLiteral(" status tip"));
        if (const QMenu* menu = action->menu())
            checkMenu(*menu, name);
    }

    void checkMenu(const QMenu& menu, const QString& where) {
        expectMarked(menu.title(), where + QStringLiteral(" title"));
        for (const QAction* action : menu.actions())
            checkAction(action, where + QStringLiteral(" menu"));
    }

    /// A view's horizontal headers in sight; its cells only where they are the window's words
    /// (`ownColumns`), not the site's.
    void checkView(const QAbstractItemView& view, const QString& where, const QList<int>& ownColumns = {}) {
        const QAbstractItemModel* model = view.model();
        if (model == nullptr)
            return;
        const auto* table = qobject_cast<const QTableView*>(&view);
        for (int column = 0; column < model->columnCount(); ++column) {
            if (table != nullptr && table->isColumnHidden(column))
                continue;
            expectMarked(model->headerData(column, Qt::Horizontal).toString(),
                         where + QStringLiteral(" header %1").arg(column));
        }
        for (int column : ownColumns)
            for (int row = 0; row < model->rowCount(); ++row)
                for (int role : {int(Qt::DisplayRole), int(Qt::ToolTipRole)})
                    expectMarked(model->index(row, column).data(role).toString(),
                                 where + QStringLiteral(" row %1 column %2").arg(row).arg(column));
    }

    /// Every text of a window and of what it holds.
    void checkWindow(const QWidget& window) {
        const QString title =
            window.objectName().isEmpty() ? QString::fromLatin1(window.metaObject()->className()) : window.objectName();
        expectMarked(window.windowTitle(), title + QStringLiteral(" title"));
        QList<const QWidget*> widgets{&window};
        for (const QWidget* w : window.findChildren<QWidget*>())
            widgets.append(w);
        for (const QWidget* w : widgets) {
            const QString where =
                title + QLatin1Char('/') +
                (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName());
            expectMarked(w->toolTip(), where + QStringLiteral(" tooltip"));
            if (const auto* label = qobject_cast<const QLabel*>(w))
                expectMarked(label->text(), where);
            else if (const auto* button = qobject_cast<const QAbstractButton*>(w))
                expectMarked(button->text(), where);
            else if (const auto* edit = qobject_cast<const QLineEdit*>(w))
                expectMarked(edit->placeholderText(), where + QStringLiteral(" placeholder"));
            else if (const auto* box = qobject_cast<const QGroupBox*>(w))
                expectMarked(box->title(), where);
            else if (const auto* bar = qobject_cast<const QStatusBar*>(w))
                expectMarked(bar->currentMessage(), where);
            else if (const auto* tabs = qobject_cast<const QTabWidget*>(w)) {
                for (int i = 0; i < tabs->count(); ++i)
                    expectMarked(tabs->tabText(i), where + QStringLiteral(" tab"));
            } else if (const auto* combo = qobject_cast<const QComboBox*>(w)) {
                // An entry that carries a stored group's id is the site's group name.
                for (int i = 0; i < combo->count(); ++i)
                    if (combo->itemData(i).toInt() <= 0)
                        expectMarked(combo->itemText(i), where + QStringLiteral(" item"));
            } else if (const auto* menu = qobject_cast<const QMenu*>(w)) {
                checkMenu(*menu, where);
            }
        }
        for (const QAction* action : window.findChildren<QAction*>())
            checkAction(action, title);
    }

    QTranslator pseudo_;
    QStringList english_;
};

TEST_F(PseudoLocaleTest, EveryTextTheOperatorReadsIsInTheLanguage) {
    show();
    chooseGroup(site.siteGroupId);
    // An input in alarm, so the attention list, the counts and the title say so.
    for (int row = 1; row <= grid(1).rowCount(); ++row) {
        const QString address = grid(1).text(row, col::Address);
        if (!address.contains(QLatin1String("ZRII"))) {
            status->StateChange(QStringLiteral("STD_INPUT"), address, 65);
            break;
        }
    }
    settle();
    window().attentionTick();
    settle();

    checkWindow(*frame);
    for (int section = 0; section < kSectionCount; ++section)
        checkView(*view(section), QStringLiteral("section %1").arg(section));
    checkView(*maskedList(), QStringLiteral("masked list"));
    checkView(*overriddenList(), QStringLiteral("overridden list"));
    const AttentionPanel* panel = child<AttentionPanel>(QStringLiteral("attentionPanel"));
    ASSERT_NE(panel, nullptr);
    ASSERT_GT(panel->table()->model()->rowCount(), 0) << "no alarm to list";
    checkView(*panel->table(), QStringLiteral("attention list"),
              {AttentionModel::Kind, AttentionModel::Reason, AttentionModel::Duration});

    // The right-click menus of a door's, an input's and a relay's row.
    ContextMenus menus(contextOf(*status), window(), superStatusOf(*status));
    RowContextMenu popup(menus, *frame);
    for (int section : {0, 1, 2}) {
        if (grid(section).rowCount() == 0)
            continue;
        rightClickRow(*view(section), 0, [&](QMenu& menu) {
            checkMenu(menu, QStringLiteral("row menu of section %1").arg(section));
            menu.close();
        });
        QCoreApplication::processEvents();
    }

    // The dialogs the window opens.
    AlarmJournalDialog journal(window(), frame);
    checkWindow(journal);
    checkView(*journal.findChild<QTableView*>(), QStringLiteral("alarm journal"));
    installConfigureDialog(*frame, groupStoreOf(*status));
    action(QStringLiteral("configureButton"))->trigger();
    QCoreApplication::processEvents();
    for (ConfigureGroupsDialog* dialog : frame->findChildren<ConfigureGroupsDialog*>()) {
        checkWindow(*dialog);
        for (const QAbstractItemView* list : dialog->findChildren<QAbstractItemView*>())
            checkView(*list, QStringLiteral("configure dialog list"));
        dialog->close();
    }

    EXPECT_TRUE(english_.isEmpty()) << english_.size() << " texts not in the language:\n"
                                    << english_.join(QLatin1Char('\n')).toStdString();
}

}  // namespace
}  // namespace so::test
