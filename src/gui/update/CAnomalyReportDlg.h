#pragma once
// The modal dialog "Anomaly Report" over the entries that the core computes from AUDIT.TXT.

#include "core/update/update_run.h"

#include <QDialog>

class QListWidget;

namespace qv::gui {

class CAnomalyReportDlg : public QDialog {
    Q_OBJECT
public:
    CAnomalyReportDlg(const qv::AnomalyReport& report, int quoteCount, QWidget* parent);
    QStringList entries() const; // for tests

    // The dialog over a made-up report (for screenshots).
    static CAnomalyReportDlg* createSample(QWidget* parent);

public slots:
    // The dialog's cancel command (Help, Escape, the close box): opens the help topic and stays.
    void reject() override;

private:
    QListWidget* list_ = nullptr;
};

} // namespace qv::gui
