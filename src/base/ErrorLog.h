// The component's own error log: one text file in the user's data folder, appended line by line,
// and the report text shown to the operator in a message box.
//
// The log stays bounded however much goes wrong: a file that reaches kMaxFileBytes is moved aside
// (FILE.log.1, FILE.log.2, the oldest dropped), text quoted from outside is cut to kMaxQuotedChars,
// and the same report again within a second is counted instead of written.
//
// A log that cannot be written (a full disk, a folder that cannot be made or written) is told
// once, on standard error and through problem() for the status bar, and the entries lost are
// counted; the first line written again says how many were lost since when.
#pragma once

#include <statusobject/Host.h>

#include <QElapsedTimer>
#include <QString>

#include <functional>

namespace so {

class Dialogs;

/// text cut to ErrorLog::kMaxQuotedChars characters, with a note of how much was cut.
QString cutForLog(const QString& text);

class ErrorLog {
public:
    /// A log file is moved aside once it holds this much.
    static constexpr qint64 kMaxFileBytes = 10 * 1024 * 1024;
    /// Files kept per log: the current one and the older ones moved aside.
    static constexpr int kKeptFiles = 3;
    /// Longest text a report quotes (descriptions carry addresses, values, statements).
    static constexpr int kMaxQuotedChars = 400;
    /// The same report again within this time is folded into the entry already written.
    static constexpr qint64 kFoldMs = 1000;

    ErrorLog();
    ~ErrorLog();
    ErrorLog(const ErrorLog&) = delete;
    ErrorLog& operator=(const ErrorLog&) = delete;

    /// Folder of the log file (created on the first write); defaults to the running application's
    /// user data folder (QStandardPaths::AppLocalDataLocation).
    void setFolder(const QString& folder) { folder_ = folder; }
    QString folder() const { return folder_; }
    /// File name without folder and extension ("StatusObject").
    QString componentFileName() const { return fileName_; }
    /// Changes the size at which a log file is moved aside and how many files are kept.
    void setRotation(qint64 maxFileBytes, int keptFiles);

    /// The five-line report text for an error reported under reportName.
    QString reportText(const ErrorInfo& error, const QString& reportName, qint32 lineNumber = 0) const;

    /// Writes the entry (a line of hyphens, then the date and time and the report text) and, unless
    /// quiet, shows the report text in a critical message box. While one such box is open, further
    /// reports are written but show no second box (an error storm never stacks boxes). The same
    /// report (name, number and description) within kFoldMs of its entry is counted, not written;
    /// the count follows as one line ("Repeated N more times: NAME") before the next entry, or
    /// when flushRepeats() runs or the log is destroyed.
    void reportError(const ErrorInfo& error, const QString& reportName, bool quiet, Dialogs* dialogs);

    /// Writes the count of the repeats folded since the last entry, if any.
    void flushRepeats();

    /// Appends "<date time>  <text>" to FOLDER/FILE.log (FILE defaults to the component's file name).
    /// Never raises: a line that cannot be written is counted as lost (see problem()).
    void writeToLog(const QString& text, const QString& fileName = {}) const;

    /// Why the log cannot be written, for the operator; empty while it is written.
    QString problem() const { return problem_; }
    /// Called whenever problem() changes.
    void setProblemListener(std::function<void()> listener) { problemListener_ = std::move(listener); }

    /// Writes a one-line failure report that found no other place (a report meant for a host that
    /// is not there); counted as a report.
    void logReport(const QString& text);

    /// Every report, folded repeats included.
    int reportsWritten() const { return reportsWritten_; }

private:
    void rotateIfFull(const QString& path) const;
    /// A line could not be written to path: counted; told when it is the first since the log was
    /// last written.
    void lost(const QString& path, const QString& reason) const;
    void setProblem(const QString& problem) const;

    QString folder_;
    QString fileName_;
    qint64 maxFileBytes_ = kMaxFileBytes;
    int keptFiles_ = kKeptFiles;
    bool messageOpen_ = false;
    int reportsWritten_ = 0;
    // The last entry written and the repeats of it folded since.
    QString lastReport_;
    QString lastReportName_;
    QElapsedTimer lastWritten_;
    int repeats_ = 0;
    // Lines lost since the log last took one, and since when.
    mutable int lostLines_ = 0;
    mutable QString lostSince_;
    mutable QString problem_;
    std::function<void()> problemListener_;
};

}  // namespace so
