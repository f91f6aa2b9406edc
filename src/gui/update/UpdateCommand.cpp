#include "gui/update/UpdateCommand.h"

#include "core/platform/files.h"
#include "gui/app/CQuovantaView.h"
#include "gui/common/MessageBox.h"
#include "gui/common/ModalDialog.h"
#include "gui/update/CAnomalyReportDlg.h"
#include "gui/update/CUpdateRun.h"

#include <QApplication>
#include <QFile>

namespace qv::gui {

UpdateCommand::UpdateCommand(CQuovantaView& view) : QObject(&view), view_(view) {}

UpdateCommand::~UpdateCommand()
{
    // A running worker is waited for before the view it reports to goes away.
    delete run_;
    run_ = nullptr;
}

bool UpdateCommand::isRunning() const { return run_ && run_->isRunning(); }

void UpdateCommand::Start()
{
    if (isRunning())
        return; // one run at a time; the command is disabled meanwhile
    if (!run_) {
        run_ = new CUpdateRun(view_.window(), this);
        connect(run_, &CUpdateRun::progress, this, [this](const qv::ProgressTexts& texts) {
            lastProgress_ = texts;
            if (progress_)
                progress_->setTexts(texts);
        });
        connect(run_, &CUpdateRun::finished, this, &UpdateCommand::OnUpdateDone);
    }

    qv::UpdateInputs inputs;
    inputs.portfolios = view_.portfolios();
    inputs.shownSymbol = view_.symbolCount() > 0 ? view_.currentSymbol() : std::string();
    inputs.settings = view_.settings().update;
    inputs.startupDir = view_.startupDir();
    inputs.selfExtractor =
        qv::findBundledUnpacker(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());

    lastProgress_ = {};
    QApplication::setOverrideCursor(Qt::WaitCursor);
    progress_ = new CUpdateProgressDlg(view_.window());
    progress_->setAttribute(Qt::WA_DeleteOnClose, false);
    progress_->show();
    if (!run_->start(std::move(inputs))) {
        delete progress_;
        QApplication::restoreOverrideCursor();
        return;
    }
    emit view_.stateChanged();
}

void UpdateCommand::OnUpdateDone(quint16 quoteCount, quint16 runFlags, const QString& auditProblem)
{
    delete progress_;
    QApplication::restoreOverrideCursor();
    if (!view_.settings().soundDisable)
        beep();
    emit view_.stateChanged();
    if (runFlags & qv::kRunFlagShownSymbolUpdated)
        view_.FillQuoteGrid();
    for (const std::string& message : qv::runFlagMessages(runFlags))
        MessageBox::warning(&view_, QString::fromStdString(message));
    if (!auditProblem.isEmpty()) {
        // Without this run's log the report would list an earlier run's anomalies.
        MessageBox::warning(&view_, auditProblem);
    } else if (view_.settings().auditEnable) {
        const qv::AnomalyReport report =
            qv::buildAnomalyReport(qv::joinPath(view_.startupDir(), qv::kAuditFileName), quoteCount);
        CAnomalyReportDlg dlg(report, quoteCount, view_.window());
        ModalDialog::exec(dlg);
    }
    emit view_.updateFinished();
}

} // namespace qv::gui
