#include "gui/help/CHelpWindow.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QKeySequence>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

// The pages live in a static library; its resources are registered only when asked for.
static void registerHelpPages() { Q_INIT_RESOURCE(help); }

namespace qv::gui {
namespace {

QPointer<CHelpWindow> g_window;

const QString kContentsPage = QStringLiteral("index.html");
const QString kTutorialPage = QStringLiteral("tutorial.html");

} // namespace

CHelpWindow::CHelpWindow() : QWidget(nullptr, Qt::Window)
{
    registerHelpPages();
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Quovanta Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Reading help never keeps the program running once its main window is closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &QWidget::close);

    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setOpenExternalLinks(true);
    browser_->setSearchPaths({QStringLiteral(":/help")});

    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("helpToolBar"));
    bar->addAction(QStringLiteral("Contents"), this, [this] { open(kContentsPage); })
        ->setObjectName(QStringLiteral("helpContents"));
    QAction* back = bar->addAction(QStringLiteral("Back"), browser_, &QTextBrowser::backward);
    QAction* forward = bar->addAction(QStringLiteral("Forward"), browser_, &QTextBrowser::forward);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this,
            [this] { setWindowTitle(QStringLiteral("Quovanta Help - %1").arg(browser_->documentTitle())); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    layout->addWidget(browser_);
    resize(720, 560);
}

void CHelpWindow::open(const QString& page)
{
    // A topic without a page of its own opens the contents rather than an empty window.
    const QString file = page.section(QLatin1Char('#'), 0, 0);
    const bool known = QFile::exists(QStringLiteral(":/help/") + file);
    browser_->setSource(QUrl(QStringLiteral("qrc:/help/") + (known ? page : kContentsPage)));
    show();
    raise();
    activateWindow();
}

void CHelpWindow::showTopic(QWidget* parent, const QString& page)
{
    // No owner: a window owned by the dialog that asked would close with it. Dialogs run
    // window-modal (ModalDialog), so they block the main window but not this one.
    if (!g_window) {
        g_window = new CHelpWindow;
        if (parent) {
            if (QScreen* screen = parent->screen())
                g_window->move(screen->availableGeometry().center() - g_window->rect().center());
        }
    }
    g_window->open(page);
}

void CHelpWindow::showContents(QWidget* parent) { showTopic(parent, kContentsPage); }

void CHelpWindow::showTutorial(QWidget* parent) { showTopic(parent, kTutorialPage); }

QString CHelpWindow::currentPage()
{
    if (!g_window)
        return {};
    return g_window->browser_->source().fileName();
}

CHelpWindow* CHelpWindow::instance() { return g_window.data(); }

} // namespace qv::gui
