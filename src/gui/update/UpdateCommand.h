#pragma once
// The "Update Quotes" command of the main window: starts the update run over the listed
// portfolios on its worker with the progress window open, and when the run has ended beeps,
// refills the quote grid when the security shown got a quote, tells of a failed merge or
// extraction and shows the anomaly report (or why there is none).

#include "core/update/update_run.h"
#include "gui/update/CUpdateProgressDlg.h"

#include <QObject>
#include <QPointer>
#include <QString>

namespace qv::gui {

class CQuovantaView;
class CUpdateRun;

class UpdateCommand final : public QObject {
    Q_OBJECT
public:
    explicit UpdateCommand(CQuovantaView& view);
    ~UpdateCommand() override; // waits for a running worker

    // Starts a run unless one is running (the command is disabled meanwhile).
    void Start();
    bool isRunning() const;
    // The progress texts last handed to the progress window of the current or last run.
    const qv::ProgressTexts& lastProgress() const { return lastProgress_; }

private:
    void OnUpdateDone(quint16 quoteCount, quint16 runFlags, const QString& auditProblem);

    CQuovantaView& view_;
    CUpdateRun* run_ = nullptr;
    qv::ProgressTexts lastProgress_;
    QPointer<CUpdateProgressDlg> progress_;
};

} // namespace qv::gui
