// The application's texts in the operator's language (the component loads its own when the first
// Status is created).
#pragma once

class QCoreApplication;

namespace sv {

/// Installs, for the language of QLocale() (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), the catalogue of
/// the application's windows, statusviewer_<language>.qm, from share/statusobject/translations
/// beside the installed program or under the system's data folders, over the English plural forms
/// built into the program, and Qt's own (its standard buttons). A language without a catalogue
/// leaves the English texts.
void installTranslations(QCoreApplication& app);

}  // namespace sv
