#include "shell/ErrorLog.h"

#include "shell/Dialogs.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTextStream>

#include <dlfcn.h>

namespace so {
namespace {

QString libraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&libraryFolder), &info) != 0 && info.dli_fname != nullptr)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
    return QStringLiteral(".");
}

QString nowText() {
    return QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
}

}  // namespace

ErrorLog::ErrorLog() : folder_(libraryFolder()), fileName_(QStringLiteral("StatusObject")) {}

QString ErrorLog::reportText(const ErrorInfo& error, const QString& reportName, qint32 lineNumber) const {
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("An error has occurred.  ") + crlf + crlf +
           QStringLiteral("Description: ") + error.description + crlf +
           QStringLiteral("Function: ") + error.source + QLatin1Char('.') + reportName + QLatin1Char('(') +
           QString::number(lineNumber) + QLatin1Char(')') + crlf +
           QStringLiteral("Error Number: ") + QString::number(error.number) + crlf +
           QStringLiteral("File Version: ") + fileName_ + QStringLiteral(" - ") +
           QStringLiteral("%1.%2.%3").arg(STATUSOBJECT_VERSION_MAJOR).arg(STATUSOBJECT_VERSION_MINOR).arg(STATUSOBJECT_VERSION_PATCH);
}

void ErrorLog::reportError(const ErrorInfo& error, const QString& reportName, bool quiet, Dialogs* dialogs) {
    const QString text = reportText(error, reportName);
    writeToLog(QString(40, QLatin1Char('-')));
    writeToLog(nowText() + QStringLiteral("\r\n") + text);
    ++reportsWritten_;
    if (quiet || dialogs == nullptr || messageOpen_)
        return;
    messageOpen_ = true;
    try {
        dialogs->message(text, fileName_, Dialogs::Icon::Critical);
    } catch (...) {
    }
    messageOpen_ = false;
}

void ErrorLog::writeToLog(const QString& text, const QString& fileName) const {
    try {
        const QString name = fileName.isEmpty() ? fileName_ : fileName;
        QFile file(folder_ + QLatin1Char('/') + name + QStringLiteral(".log"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
            return;
        QTextStream out(&file);
        out << nowText() << "  " << text << '\n';
    } catch (...) {
    }
}

}  // namespace so
