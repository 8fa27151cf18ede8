// The component's own error log: one text file beside the component library, appended line by line,
// and the report text shown to the operator in a message box.
#pragma once

#include <statusobject/Host.h>

#include <QString>

namespace so {

class Dialogs;

class ErrorLog {
public:
    ErrorLog();

    /// Folder of the log file; defaults to the folder of the loaded component library.
    void setFolder(const QString& folder) { folder_ = folder; }
    QString folder() const { return folder_; }
    /// File name without folder and extension ("StatusObject").
    QString componentFileName() const { return fileName_; }

    /// The five-line report text for an error reported under reportName.
    QString reportText(const ErrorInfo& error, const QString& reportName, qint32 lineNumber = 0) const;

    /// Writes the entry (a line of hyphens, then the date and time and the report text) and, unless
    /// quiet, shows the report text in a critical message box. While one such box is open, further
    /// reports are written but show no second box (an error storm never stacks boxes).
    void reportError(const ErrorInfo& error, const QString& reportName, bool quiet, Dialogs* dialogs);

    /// Appends "<date time>  <text>" to FOLDER/FILE.log (FILE defaults to the component's file name).
    /// Never raises: a missing folder or a read-only file loses the line silently.
    void writeToLog(const QString& text, const QString& fileName = {}) const;

    int reportsWritten() const { return reportsWritten_; }

private:
    QString folder_;
    QString fileName_;
    bool messageOpen_ = false;
    int reportsWritten_ = 0;
};

}  // namespace so
