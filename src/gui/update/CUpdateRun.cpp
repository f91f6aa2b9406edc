#include "gui/update/CUpdateRun.h"

#include "core/update/quote_updater.h"
#include "gui/common/MessageBox.h"

#include <QCoreApplication>
#include <QEvent>

#include <atomic>
#include <exception>

namespace qv::gui {
struct CUpdateRun::Worker {
    // Carries the engine's calls from the worker to the user interface thread. Progress goes
    // as a copy in a queued call, so the worker never shares a buffer with the window; a
    // message box is a blocking call, so the worker waits until the user has closed it.
    class Observer final : public UpdateObserver {
    public:
        explicit Observer(CUpdateRun* run) : run_(run) {}

        void OnProgress(const ProgressTexts& texts) override
        {
            QMetaObject::invokeMethod(
                run_, [run = run_, copy = texts] { emit run->progress(copy); }, Qt::QueuedConnection);
        }

        void ShowMessage(const std::string& text) override
        {
            if (run_->worker_->abandoned.load())
                return; // nobody is left to answer
            QMetaObject::invokeMethod(
                run_,
                [run = run_, message = QString::fromStdString(text)] {
                    MessageBox::warning(run->dialogParent_.data(), message);
                },
                Qt::BlockingQueuedConnection);
        }

    private:
        CUpdateRun* run_;
    };

    QThread* thread = nullptr;
    std::atomic<bool> abandoned{false};
};

CUpdateRun::CUpdateRun(QWidget* dialogParent, QObject* parent)
    : QObject(parent), dialogParent_(dialogParent), worker_(std::make_unique<Worker>())
{
    qRegisterMetaType<qv::ProgressTexts>();
}

CUpdateRun::~CUpdateRun()
{
    if (!worker_->thread)
        return;
    // The worker may be blocked on a message box that this thread will never show now: the
    // removed call releases it (and the flag keeps it from asking again).
    worker_->abandoned = true;
    while (!worker_->thread->wait(20))
        QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    delete worker_->thread;
}

bool CUpdateRun::isRunning() const { return worker_->thread != nullptr; }

bool CUpdateRun::start(UpdateInputs inputs)
{
    if (worker_->thread)
        return false;
    worker_->thread = QThread::create([this, inputs = std::move(inputs)]() mutable {
        Worker::Observer observer(this);
        std::uint32_t result = 0;
        std::string problem;
        try {
            // The engine's destruction is the end-of-run clean-up; it is over before the
            // user interface hears that the run has ended.
            CQuoteUpdater updater(std::move(inputs), observer);
            result = updater.UpdateAllPortfolios();
            problem = updater.AuditProblem();
        } catch (const std::exception& e) {
            problem = std::string("The update run stopped: ") + e.what();
        }
        const auto count = static_cast<quint16>(result >> 16);
        const auto flags = static_cast<quint16>(result & 0xFFFF);
        QMetaObject::invokeMethod(
            this, [this, count, flags, text = QString::fromStdString(problem)] { onWorkerDone(count, flags, text); },
            Qt::QueuedConnection);
    });
    worker_->thread->setObjectName(QStringLiteral("QuovantaUpdate"));
    worker_->thread->start(QThread::NormalPriority);
    return true;
}

void CUpdateRun::onWorkerDone(quint16 quoteCount, quint16 runFlags, const QString& auditProblem)
{
    // The call is the worker's last act, so the thread ends at once; after this a new run may
    // start from a slot connected to finished().
    worker_->thread->wait();
    delete worker_->thread;
    worker_->thread = nullptr;
    emit finished(quoteCount, runFlags, auditProblem);
}

} // namespace qv::gui
