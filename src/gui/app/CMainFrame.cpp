#include "gui/app/CMainFrame.h"

#include "gui/app/LayoutRules.h"
#include "gui/ascii/AsciiCommands.h"
#include "gui/chart/ChartCommands.h"
#include "gui/common/MessageBox.h"
#include "gui/help/TutorialPrompt.h"
#include "gui/maintain/MaintenanceCommands.h"
#include "gui/maintain/QuoteEditCommands.h"
#include "gui/maintain/SplitSearchCommand.h"
#include "gui/profiles/ProfileCommands.h"
#include "gui/update/SettingsCommand.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>

namespace qv::gui {
namespace {

// Long enough to be read after looking back from a dialog; the menu prompts replace it sooner.
constexpr int kStatusMessageMs = 20000;

QLabel* makePane(QWidget* parent, const char* objectName, const QString& widestText)
{
    auto* pane = new QLabel(parent);
    pane->setObjectName(QString::fromLatin1(objectName));
    pane->setFrameShape(QFrame::Panel);
    pane->setFrameShadow(QFrame::Sunken);
    pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(widestText) + 8);
    return pane;
}

} // namespace

CMainFrame::CMainFrame() : CMainFrame(StartupContext::fromEnvironment()) {}

CMainFrame::CMainFrame(StartupContext context, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(QStringLiteral("Quovanta"));

    view_ = new CQuovantaView(std::move(context), this);
    setCentralWidget(view_);

    actions_ = new Actions(this);
    actions_->populateMenuBar(menuBar());
    for (QAction* menuAction : menuBar()->actions())
        if (QMenu* menu = menuAction->menu())
            connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);

    toolBar_ = addToolBar(QStringLiteral("Toolbar"));
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setIconSize(QSize(16, 16));
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    actions_->populateToolBar(toolBar_);

    // Status bar: the message pane (prompts, and the progress bar of long grid fills), then
    // the symbol, quote and mode panes.
    progress_ = new QProgressBar(statusBar());
    progress_->setObjectName(QStringLiteral("statusProgress"));
    progress_->setTextVisible(false);
    progress_->setMaximumHeight(statusBar()->fontMetrics().height() + 2);
    progress_->hide();
    statusBar()->addWidget(progress_, 1);
    symbolPane_ = makePane(statusBar(), "symbolPane", QStringLiteral("Symbols: xxxxxxxxxxxxxxxx"));
    quotePane_ = makePane(statusBar(), "quotePane", QStringLiteral("Quotes: xxxxxxxxxxxxxxxx"));
    modePane_ = makePane(statusBar(), "modePane", QStringLiteral("RECENT    "));
    statusBar()->addPermanentWidget(symbolPane_);
    statusBar()->addPermanentWidget(quotePane_);
    statusBar()->addPermanentWidget(modePane_);
    view_->setProgressBar(progress_);

    ConnectCommands();
    ConnectGrids();
    connect(view_, &CQuovantaView::stateChanged, this, &CMainFrame::UpdateCommandUI);
    connect(view_, &CQuovantaView::statusMessage, this,
            [this](const QString& text) { statusBar()->showMessage(text, kStatusMessageMs); });

    // Placement last, so that the writes it causes see a complete window.
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect primaryArea = primary ? primary->availableGeometry() : QRect(0, 0, 1024, 768);
    SettingsFile& settings = view_->settingsFile();
    const QRect saved =
        initialPlacement(getSetting(settings, keys::kScreenX), getSetting(settings, keys::kScreenY),
                         getSetting(settings, keys::kScreenCx), getSetting(settings, keys::kScreenCy), primaryArea);
    // Saved on a larger screen, or on one no longer attached: fitted to the screen it opens on.
    const QScreen* screen = QGuiApplication::screenAt(saved.center());
    const QRect placement = fitPlacement(saved, screen ? screen->availableGeometry() : primaryArea);
    placementWrite_.setSingleShot(true);
    placementWrite_.setInterval(150);
    connect(&placementWrite_, &QTimer::timeout, this, &CMainFrame::WritePlacement);
    move(placement.topLeft());
    resize(placement.size());
    for (QSplitter* splitter : {view_->upperSplitter(), view_->mainSplitter()})
        connect(splitter, &QSplitter::splitterMoved, this, [this] { placementWrite_.start(); });
    placed_ = true;
    UpdateCommandUI();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::ConnectCommands()
{
    auto on = [this](Command c, void (CQuovantaView::*slot)()) {
        connect(action(c), &QAction::triggered, view_, slot);
    };
    on(Command::UpdateQuotes, &CQuovantaView::OnUpdateQuotes);
    on(Command::ReScan, &CQuovantaView::OnReScan);
    on(Command::RecentAll, &CQuovantaView::OnRecentAll);
    on(Command::Graph, &CQuovantaView::OnGraph);
    on(Command::HelpTopics, &CQuovantaView::OnHelpTopics);
    on(Command::About, &CQuovantaView::OnAbout);
    connect(action(Command::Exit), &QAction::triggered, this, &QWidget::close);

    // Commands whose work lives in their own modules, each a function of the view.
    auto run = [this](Command c, void (*command)(CQuovantaView&)) {
        connect(action(c), &QAction::triggered, view_, [this, command] { command(*view_); });
    };
    run(Command::Settings, &OnSettings);
    run(Command::Tutorial, &OnTutorial);
    run(Command::Profiles, &OnProfiles);
    run(Command::PortfolioAdd, &OnPortfolioAdd);
    run(Command::PortfolioDelete, &OnPortfolioDelete);
    run(Command::PortfolioSkipAdjust, &OnPortfolioSkipAdjust);
    run(Command::SplitSearch, &OnSplitSearch);
    run(Command::SymbolAdd, &OnSymbolAdd);
    run(Command::SymbolDelete, &OnSymbolDelete);
    run(Command::SymbolSkip, &OnSymbolSkip);
    run(Command::SymbolEdit, &OnSymbolEdit);
    run(Command::SymbolAbout, &OnSymbolAbout);
    run(Command::Import, &OnImport);
    run(Command::Export, &OnExport);
    run(Command::QuotesEdit, &OnQuotesEdit);
    run(Command::QuotesSplit, &OnQuotesSplit);
    run(Command::QuotesAdjust, &OnQuotesAdjust);
    run(Command::QuotesDelete, &OnQuotesDelete);
    run(Command::PrintPreview, &OnPrintPreview);
    run(Command::PrintSetup, &OnPrintSetup);
    connect(action(Command::Print), &QAction::triggered, view_, [this] { OnPrint(*view_, true); });
    connect(actions_->printNowAction(), &QAction::triggered, view_, [this] { OnPrint(*view_, false); });
}

void CMainFrame::ConnectGrids()
{
    // A double-click on a quote is the quickest way to correct it.
    connect(view_->quoteGrid(), &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (!index.isValid())
            return;
        UpdateCommandUI();
        if (QAction* edit = action(Command::QuotesEdit); edit->isEnabled())
            edit->trigger();
    });
    for (QTableView* grid : {view_->symbolGrid(), view_->quoteGrid()}) {
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(grid, &QWidget::customContextMenuRequested, this, [this, grid](const QPoint& at) {
            const std::unique_ptr<QMenu> menu = contextMenu(grid, at);
            menu->exec(grid->viewport()->mapToGlobal(at));
        });
    }
}

std::unique_ptr<QMenu> CMainFrame::contextMenu(QTableView* grid, const QPoint& at)
{
    const QModelIndex index = grid->indexAt(at);
    if (index.isValid() && index.row() != grid->currentIndex().row()) {
        if (grid == view_->symbolGrid()) {
            view_->SelectSymbolRow(index.row());
        } else {
            grid->setCurrentIndex(index);
            grid->selectRow(index.row());
        }
    }
    UpdateCommandUI();
    auto menu = std::make_unique<QMenu>(grid);
    menu->setObjectName(QStringLiteral("gridContextMenu"));
    actions_->populateContextMenu(menu.get(),
                                  grid == view_->symbolGrid() ? Actions::Grid::Symbols : Actions::Grid::Quotes);
    return menu;
}

void CMainFrame::UpdateCommandUI()
{
    const BrowserState state = view_->browserState();
    actions_->applyState(state);
    const ViewSettings& s = view_->settings();
    action(Command::RecentAll)->setChecked(s.displayLimit);
    action(Command::Graph)->setChecked(s.showingGraph);
    action(Command::SymbolSkip)->setChecked(view_->currentSymbolSkipped());
    symbolPane_->setText(view_->symbolPaneText());
    quotePane_->setText(view_->quotePaneText());
    modePane_->setText(view_->modePaneText());
    modePane_->setEnabled(!s.showingGraph);
}

void CMainFrame::WritePlacement()
{
    if (!placed_)
        return;
    SettingsFile& settings = view_->settingsFile();
    const QPoint at = pos();
    IoStatus saved = putSetting(settings, keys::kScreenX, std::max(0, at.x()));
    if (saved)
        saved = putSetting(settings, keys::kScreenY, std::max(0, at.y()));
    if (saved)
        saved = putSetting(settings, keys::kScreenCx, width());
    if (saved)
        saved = putSetting(settings, keys::kScreenCy, height());
    if (saved)
        saved = view_->SaveSplitters();
    view_->SettingSaved(saved);
}

void CMainFrame::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    if (placed_)
        placementWrite_.start();
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (placed_)
        placementWrite_.start();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // A run cannot be cancelled, and its worker may be waiting for a message box of this
    // window: closing now would leave portfolio files half rewritten or hang.
    if (view_->updateRunning()) {
        beep();
        event->ignore();
        MessageBox::information(this, QStringLiteral("Quovanta cannot close while it updates the quotes: the portfolio "
                                                     "files would be left half written.\nPlease wait until the update "
                                                     "has finished."));
        return;
    }
    if (placementWrite_.isActive()) {
        placementWrite_.stop();
        WritePlacement();
    } else {
        // A splitter moved by a program (no drag) has written nothing yet.
        view_->SettingSaved(view_->SaveSplitters());
    }
    view_->SaveColumnWidths();
    QMainWindow::closeEvent(event);
}

} // namespace qv::gui
