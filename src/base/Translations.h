// The component's own texts in the host's language.
//
// Qt's translators belong to the application object, so they are installed once per process: the
// first component created installs them as children of the application object (and they go with
// it). The language is QLocale()'s: a host picks one with QLocale::setDefault before it creates its
// first Status; otherwise it is the system's (LANGUAGE, LC_ALL, LC_MESSAGES, LANG).
//
// Two catalogues: the English plural forms ("1 point", "2 points"), built into the library because
// the English texts read wrong without them; and the catalogue of the language, a file
// statusobject_<language>.qm in the first folder of translationFolders() that holds one. A language
// without a catalogue shows the English texts. Qt asks the translator installed last first: a host
// that brings a catalogue of its own for these texts installs it after its first Status exists.
#pragma once

#include <QString>
#include <QStringList>

namespace so {

/// Installs the component's translators unless installed already; does nothing without an
/// application object.
void installTranslations();

/// Where catalogues are looked for, in order: `share/statusobject/translations` beside the library's
/// own installation (whatever its prefix), then that folder under each of the system's data folders
/// (XDG_DATA_HOME, XDG_DATA_DIRS).
QStringList translationFolders();

}  // namespace so
