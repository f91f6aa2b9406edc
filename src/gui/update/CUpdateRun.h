#pragma once
// One update run on a worker thread. The engine (CQuoteUpdater) lives on the worker; progress
// texts travel as copies in queued signals; the engine's message boxes are shown on the user
// interface thread while the worker waits (blocking queued call). Only one run at a time.

#include "core/update/update_run.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>
#include <QWidget>

#include <memory>

namespace qv::gui {

class CUpdateRun : public QObject {
    Q_OBJECT
public:
    explicit CUpdateRun(QWidget* dialogParent, QObject* parent = nullptr);
    ~CUpdateRun() override; // waits for a running worker

    bool isRunning() const;
    // Starts the run; false when one is already running.
    bool start(UpdateInputs inputs);

signals:
    void progress(const qv::ProgressTexts& texts);
    // The engine is destroyed (clean-up done) before this is emitted.
    void finished(quint16 quoteCount, quint16 runFlags, const QString& auditProblem);

private:
    void onWorkerDone(quint16 quoteCount, quint16 runFlags, const QString& auditProblem);

    struct Worker;
    QPointer<QWidget> dialogParent_;
    std::unique_ptr<Worker> worker_;
};

} // namespace qv::gui

Q_DECLARE_METATYPE(qv::ProgressTexts)
