#include "base/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>

#include <dlfcn.h>

// The English plural forms, compiled in by the build (translations/CMakeLists.txt).
static void initEnglishForms() { Q_INIT_RESOURCE(statusobject_english); }

namespace so {
namespace {

const QString kInstalledName = QStringLiteral("statusobjectTranslator");

/// Installs `translator` as a child of the application object; searched before those installed
/// earlier.
void install(QTranslator* translator) {
    translator->setParent(QCoreApplication::instance());
    translator->setObjectName(kInstalledName);
    QCoreApplication::installTranslator(translator);
}

/// The folder of the file this code was loaded from: the shared library, or a program that links
/// the component statically.
QString ownFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&translationFolders), &info) == 0 || info.dli_fname == nullptr)
        return {};
    return QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath();
}

}  // namespace

QStringList translationFolders() {
    QStringList folders;
    const QString own = ownFolder();
    if (!own.isEmpty())
        folders.append(QDir::cleanPath(own + QLatin1Char('/') + QStringLiteral(STATUSOBJECT_TRANSLATIONS_FROM_LIBDIR)));
    folders += QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                         QStringLiteral("statusobject/translations"), QStandardPaths::LocateDirectory);
    folders.removeDuplicates();
    return folders;
}

void installTranslations() {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || app->findChild<QTranslator*>(kInstalledName, Qt::FindDirectChildrenOnly) != nullptr)
        return;
    initEnglishForms();
    auto* english = new QTranslator;
    if (english->load(QStringLiteral(":/statusobject/translations/statusobject_en.qm")))
        install(english);
    else
        delete english;
    for (const QString& folder : translationFolders()) {
        auto* language = new QTranslator;
        if (language->load(QLocale(), QStringLiteral("statusobject"), QStringLiteral("_"), folder)) {
            install(language);
            return;
        }
        delete language;
    }
}

}  // namespace so
