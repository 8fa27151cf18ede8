// The alarm journal view: the steps of every alarm (raised, cleared, acknowledged with who and
// why), newest first, filtered by point, operator and time, and saved as a CSV file. It reads
// through window/AlarmJournal; the file name is asked through a chooser tests can replace.
#pragma once

#include <QDialog>

#include <functional>

class QDateTimeEdit;
class QLineEdit;
class QTableWidget;

namespace so {

class StatusWindow;

class AlarmJournalDialog : public QDialog {
    Q_OBJECT

public:
    /// Asks for the file to write; empty cancels.
    using PathChooser = std::function<QString(const QString& suggested)>;

    AlarmJournalDialog(StatusWindow& window, QWidget* parent = nullptr);

    void setPathChooser(PathChooser chooser) { chooser_ = std::move(chooser); }
    QLineEdit* pointFilter() const { return point_; }
    QLineEdit* operatorFilter() const { return operator_; }
    QTableWidget* table() const { return table_; }
    /// Reads the journal with the filters as they are.
    void reload();
    /// Writes the rows shown to a CSV file the chooser names; false when nothing was written.
    bool exportCsv();

private:
    StatusWindow& window_;
    QLineEdit* point_ = nullptr;
    QLineEdit* operator_ = nullptr;
    QDateTimeEdit* from_ = nullptr;
    QDateTimeEdit* to_ = nullptr;
    QTableWidget* table_ = nullptr;
    PathChooser chooser_;
};

}  // namespace so
