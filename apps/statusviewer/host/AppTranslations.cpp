#include "host/AppTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>

namespace sv {
namespace {

/// Installs the first catalogue `load` finds in one of the folders.
template <class Load>
void installFirst(QCoreApplication& app, const QStringList& folders, Load load) {
    for (const QString& folder : folders) {
        auto* translator = new QTranslator(&app);
        if (load(*translator, folder)) {
            QCoreApplication::installTranslator(translator);
            return;
        }
        delete translator;
    }
}

}  // namespace

void installTranslations(QCoreApplication& app) {
    // The English plural forms first, from the program itself: a language without a catalogue
    // reads "1 workstation", not "1 workstation(s)", wherever the program runs from. The language's
    // catalogue, installed after it, is searched before it.
    installFirst(app, {QStringLiteral(":/statusviewer/translations")}, [](QTranslator& t, const QString& folder) {
        return t.load(QStringLiteral("statusviewer_en"), folder);
    });
    QStringList folders{QCoreApplication::applicationDirPath() + QStringLiteral("/../share/statusobject/translations")};
    folders += QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                         QStringLiteral("statusobject/translations"), QStandardPaths::LocateDirectory);
    installFirst(app, folders, [](QTranslator& t, const QString& folder) {
        return t.load(QLocale(), QStringLiteral("statusviewer"), QStringLiteral("_"), folder);
    });
    installFirst(app, {QLibraryInfo::path(QLibraryInfo::TranslationsPath)}, [](QTranslator& t, const QString& folder) {
        return t.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"), folder);
    });
}

}  // namespace sv
