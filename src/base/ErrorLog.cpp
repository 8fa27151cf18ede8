#include "base/ErrorLog.h"

#include <statusobject/Dialogs.h>
#include <statusobject/Version.h>

#include <QDateTime>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>

namespace so {
namespace {

/// The user's data folder of the running application; the folder holding the library is often
/// not writable and is shared by every user.
QString userDataFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return folder.isEmpty() ? QStringLiteral(".") : folder;
}

QString nowText() { return QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat); }

}  // namespace

QString cutForLog(const QString& text) {
    if (text.size() <= ErrorLog::kMaxQuotedChars)
        return text;
    return text.left(ErrorLog::kMaxQuotedChars) +
           QStringLiteral("... (%1 more characters not logged)").arg(text.size() - ErrorLog::kMaxQuotedChars);
}

ErrorLog::ErrorLog() : folder_(userDataFolder()), fileName_(QStringLiteral("StatusObject")) {}

ErrorLog::~ErrorLog() { flushRepeats(); }

void ErrorLog::setRotation(qint64 maxFileBytes, int keptFiles) {
    maxFileBytes_ = maxFileBytes;
    keptFiles_ = std::max(1, keptFiles);
}

QString ErrorLog::reportText(const ErrorInfo& error, const QString& reportName, qint32 lineNumber) const {
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("An error has occurred.  ") + crlf + crlf + QStringLiteral("Description: ") +
           error.description + crlf + QStringLiteral("Function: ") + error.source + QLatin1Char('.') + reportName +
           QLatin1Char('(') + QString::number(lineNumber) + QLatin1Char(')') + crlf + QStringLiteral("Error Number: ") +
           QString::number(error.number) + crlf + QStringLiteral("File Version: ") + fileName_ + QStringLiteral(" - ") +
           QStringLiteral(STATUSOBJECT_VERSION_STRING);
}

void ErrorLog::reportError(const ErrorInfo& error, const QString& reportName, bool quiet, Dialogs* dialogs) {
    ErrorInfo quoted = error;
    quoted.description = cutForLog(error.description);
    const QString text = reportText(quoted, reportName);
    ++reportsWritten_;
    if (text == lastReport_ && lastWritten_.isValid() && lastWritten_.elapsed() < kFoldMs) {
        ++repeats_;
    } else {
        flushRepeats();
        writeToLog(QString(40, QLatin1Char('-')));
        writeToLog(nowText() + QStringLiteral("\r\n") + text);
        lastReport_ = text;
        lastReportName_ = reportName;
        lastWritten_.start();
    }
    if (quiet || dialogs == nullptr || messageOpen_)
        return;
    messageOpen_ = true;
    try {
        dialogs->message(text, fileName_, Dialogs::Icon::Critical);
    } catch (...) {
    }
    messageOpen_ = false;
}

void ErrorLog::logReport(const QString& text) {
    ++reportsWritten_;
    writeToLog(text);
}

void ErrorLog::flushRepeats() {
    if (repeats_ == 0)
        return;
    writeToLog(QStringLiteral("Repeated %1 more times: %2").arg(repeats_).arg(lastReportName_));
    repeats_ = 0;
}

void ErrorLog::rotateIfFull(const QString& path) const {
    const QFileInfo current(path);
    if (!current.exists() || current.size() < maxFileBytes_)
        return;
    // FILE.log.(n-1) is dropped, every older file moves one place up, FILE.log becomes FILE.log.1.
    const auto aside = [&path](int k) { return path + QLatin1Char('.') + QString::number(k); };
    QFile::remove(aside(keptFiles_ - 1));
    for (int k = keptFiles_ - 2; k >= 1; --k)
        QFile::rename(aside(k), aside(k + 1));
    if (keptFiles_ > 1)
        QFile::rename(path, aside(1));
    else
        QFile::remove(path);
}

void ErrorLog::writeToLog(const QString& text, const QString& fileName) const {
    try {
        const QString name = fileName.isEmpty() ? fileName_ : fileName;
        const QString path = folder_ + QLatin1Char('/') + name + QStringLiteral(".log");
        rotateIfFull(path);
        QDir().mkpath(folder_);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            lost(path, file.errorString());
            return;
        }
        QString lines;
        if (lostLines_ > 0)
            lines += nowText() + QStringLiteral("  %1 log lines could not be written since %2 (%3)\n")
                                     .arg(lostLines_)
                                     .arg(lostSince_, problem_);
        lines += nowText() + QStringLiteral("  ") + text + QLatin1Char('\n');
        // Written and flushed at once: a full disk shows here, not later when the file closes.
        const QByteArray bytes = lines.toUtf8();
        if (file.write(bytes) != bytes.size() || !file.flush()) {
            lost(path, file.errorString());
            return;
        }
        if (lostLines_ > 0) {
            std::fprintf(stderr, "%s\n",
                         qPrintable(QStringLiteral("StatusObject: the log %1 is written again (%2 lines were lost)")
                                        .arg(QDir::toNativeSeparators(path))
                                        .arg(lostLines_)));
            lostLines_ = 0;
            setProblem({});
        }
    } catch (...) {
    }
}

void ErrorLog::lost(const QString& path, const QString& reason) const {
    if (lostLines_++ > 0)
        return;
    lostSince_ = nowText();
    const QString problem = QCoreApplication::translate("so::ErrorLog", "The log %1 cannot be written: %2")
                                .arg(QDir::toNativeSeparators(path), reason);
    std::fprintf(stderr, "StatusObject: %s; lines are lost until it can be\n", qPrintable(problem));
    setProblem(problem);
}

void ErrorLog::setProblem(const QString& problem) const {
    problem_ = problem;
    if (problemListener_)
        problemListener_();
}

}  // namespace so
