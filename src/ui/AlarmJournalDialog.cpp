#include "ui/AlarmJournalDialog.h"

#include "base/ComponentContext.h"
#include "base/ErrorTrap.h"
#include "window/AlarmJournal.h"
#include "window/StatusWindow.h"

#include <statusobject/Dialogs.h>

#include <QDateTimeEdit>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>

namespace so {

AlarmJournalDialog::AlarmJournalDialog(StatusWindow& window, QWidget* parent) : QDialog(parent), window_(window) {
    setWindowTitle(tr("Alarm journal"));
    setObjectName(QStringLiteral("alarmJournal"));
    point_ = new QLineEdit(this);
    point_->setPlaceholderText(tr("part of an address"));
    operator_ = new QLineEdit(this);
    operator_->setPlaceholderText(tr("login name"));
    from_ = new QDateTimeEdit(QDateTime::currentDateTime().addDays(-1), this);
    to_ = new QDateTimeEdit(QDateTime::currentDateTime().addSecs(3600), this);
    for (QDateTimeEdit* edit : {from_, to_}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
    }
    auto* filters = new QFormLayout;
    filters->addRow(tr("&Point:"), point_);
    filters->addRow(tr("&Operator:"), operator_);
    filters->addRow(tr("&From:"), from_);
    filters->addRow(tr("&To:"), to_);

    table_ = new QTableWidget(this);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setAccessibleName(tr("Alarm journal"));

    auto* show = new QPushButton(tr("&Show"), this);
    show->setDefault(true);
    connect(show, &QPushButton::clicked, this, &AlarmJournalDialog::reload);
    auto* save = new QPushButton(tr("&Export CSV..."), this);
    connect(save, &QPushButton::clicked, this, &AlarmJournalDialog::exportCsv);
    auto* close = new QPushButton(tr("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(show);
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);
    resize(900, 500);
    reload();
}

void AlarmJournalDialog::reload() {
    ComponentContext& ctx = window_.context();
    AlarmJournalFilter filter;
    filter.point = point_->text().trimmed();
    filter.byOperator = operator_->text().trimmed();
    filter.from = from_->dateTime();
    filter.to = to_->dateTime();
    const ExportTable shown =
        alarmJournalTable(trapOr(ctx, QStringLiteral("FJournal.Reload"), std::vector<AlarmJournalRow>(),
                                 [&] { return readAlarmJournal(ctx.db(), filter); }));
    table_->clear();
    table_->setColumnCount(int(shown.header.size()));
    table_->setHorizontalHeaderLabels(shown.header);
    table_->setRowCount(int(shown.rows.size()));
    for (int row = 0; row < shown.rows.size(); ++row)
        for (int column = 0; column < shown.rows[row].size(); ++column)
            table_->setItem(row, column, new QTableWidgetItem(shown.rows[row][column]));
}

bool AlarmJournalDialog::exportCsv() {
    const QString suggested = QStringLiteral("alarm-journal.csv");
    const QString path = chooser_ ? chooser_(suggested)
                                  : QFileDialog::getSaveFileName(this, tr("Export the alarm journal"), suggested,
                                                                 tr("CSV files (*.csv)"));
    if (path.isEmpty())
        return false;
    ExportTable table;
    for (int column = 0; column < table_->columnCount(); ++column)
        table.header << table_->horizontalHeaderItem(column)->text();
    for (int row = 0; row < table_->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table_->columnCount(); ++column)
            cells << table_->item(row, column)->text();
        table.rows.append(cells);
    }
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(toCsv(table).toUtf8()) >= 0 && file.commit();
    if (!written)
        window_.context().dialogs->message(
            tr("The journal could not be written to %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()),
            tr("Alarm journal"), Dialogs::Icon::Critical);
    return written;
}

}  // namespace so
