#include "gui/app/Actions.h"

#include "core/store/master.h"
#include "gui/app/CommandIcons.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace qv::gui {
namespace {

using C = Command;

// Menu order; the index of each row is its Command value.
constexpr std::array<CommandInfo, kCommandCount> kCommands{{
    {C::UpdateQuotes, "actionUpdateQuotes", "&Update Quotes", "F2", "Update Quotes", "Update Quotes", false, true},
    {C::Settings, "actionSettings", "&Settings...", "", "Settings", "Settings", false, false},
    {C::Profiles, "actionProfiles", "&Profiles...", "", "Create and Assign Profiles", "Profiles", false, true},
    {C::Exit, "actionExit", "E&xit", "", "Quit the application", "Quit", false, false},
    {C::PortfolioAdd, "actionPortfolioAdd", "&Add...", "", "Add Portfolio", "Add Portfolio", false, true},
    {C::PortfolioDelete, "actionPortfolioDelete", "&Delete...", "", "Delete Portfolio", "Delete Portfolio", false,
     true},
    {C::PortfolioSkipAdjust, "actionPortfolioSkipAdjust", "&Skip Adjust...", "", "Adjust the Skip Portfolio Setting",
     "Adjust Skip Portfolio", false, true},
    {C::SplitSearch, "actionSplitSearch", "S&plit Search...", "F3", "Search this portfolio for possible splits",
     "Split search", false, false},
    {C::ReScan, "actionReScan", "&ReScan", "", "ReScan drive(s) for portfolios", "ReScan", false, false},
    {C::SymbolAdd, "actionSymbolAdd", "&Add...", "", "Add Symbol", "Add Symbol", false, true},
    {C::SymbolDelete, "actionSymbolDelete", "&Delete", "", "Delete Symbol", "Delete Symbol", false, true},
    {C::SymbolSkip, "actionSymbolSkip", "&Skip", "", "Skip Symbol", "Skip Symbol", true, true},
    {C::SymbolEdit, "actionSymbolEdit", "&Edit...", "", "Edit the symbol and name", "Edit Symbol", false, true},
    {C::SymbolAbout, "actionSymbolAbout", "A&bout...", "", "Facts about the selected quote series", "Symbol facts",
     false, false},
    {C::Graph, "actionGraph", "&Graph", "F4", "Show/Hide Graph", "Show/Hide Graph", true, false},
    {C::Import, "actionImport", "&Import from ASCII...", "", "Import Historical ASCII", "Import", false, true},
    {C::Export, "actionExport", "E&xport to ASCII...", "", "Export Historical ASCII", "Export", false, false},
    {C::QuotesEdit, "actionQuotesEdit", "&Edit...", "", "Edit the selected day's data", "Edit data", false, true},
    {C::QuotesSplit, "actionQuotesSplit", "&Split...", "", "Enter a split", "Enter split", false, true},
    {C::QuotesAdjust, "actionQuotesAdjust", "&Adjust...", "", "Scale the volume or price", "Scale values", false, true},
    {C::QuotesDelete, "actionQuotesDelete", "&Delete...", "", "Delete a single quote", "Delete quote", false, true},
    {C::Print, "actionPrint", "&Print Quotes...", "Ctrl+P", "Print the quotes", "Print", false, false},
    {C::PrintPreview, "actionPrintPreview", "Print Pre&view", "", "Display full pages", "Print Preview", false, false},
    {C::PrintSetup, "actionPrintSetup", "P&rint Setup...", "", "Change the printer and printing options", "Print Setup",
     false, false},
    {C::RecentAll, "actionRecentAll", "Re&cent/All Display", "F5", "Toggle Recent / All quotes display",
     "Recent/All Quotes", true, false},
    {C::HelpTopics, "actionHelpTopics", "&Help Topics", "", "List Help topics", "List Help topics", false, false},
    {C::Tutorial, "actionTutorial", "&Tutorial...", "", "Tutorial", "Tutorial", false, false},
    {C::About, "actionAbout", "&About Quovanta...", "", "Display program information", "About Quovanta", false, false},
}};

constexpr bool tableInCommandOrder()
{
    for (int i = 0; i < kCommandCount; ++i)
        if (static_cast<int>(kCommands[static_cast<std::size_t>(i)].command) != i)
            return false;
    return true;
}
static_assert(tableInCommandOrder(), "kCommands must list the commands in the order of the enum");

} // namespace

bool commandRuleAllows(Command c, const BrowserState& s)
{
    const bool p = s.hasPortfolios;
    const bool hasSymbols = p && s.symbols > 0;
    const bool hasSecurity = hasSymbols && !s.directoryRow;
    const bool hasQuotes = p && s.quotes > 0;
    switch (c) {
    case C::UpdateQuotes:
    case C::PortfolioDelete: return p;
    case C::Profiles:
    case C::PortfolioSkipAdjust: return hasSymbols;
    case C::SymbolDelete:
    case C::SymbolSkip:
    case C::SymbolEdit:
    case C::SymbolAbout: return hasSecurity;
    case C::SplitSearch: return hasSymbols && !s.splitSearchOpen;
    case C::SymbolAdd: return p && s.symbols < qv::kMaxSecurities;
    case C::Export: return hasSecurity && !s.graphShown;
    case C::QuotesEdit:
    case C::QuotesSplit:
    case C::QuotesAdjust:
    case C::QuotesDelete: return hasQuotes && !s.graphShown;
    case C::Print:
    case C::PrintPreview:
    case C::PrintSetup: return !s.graphShown;
    case C::RecentAll: return hasQuotes;
    case C::Settings:
    case C::Exit:
    case C::PortfolioAdd:
    case C::ReScan:
    case C::Graph:
    case C::Import:
    case C::HelpTopics:
    case C::Tutorial:
    case C::About: return true;
    }
    return false;
}

namespace {

struct MenuSpec {
    const char* title;
    std::initializer_list<int> items; // Command values, -1 = separator
};

constexpr int kGap = -1;
int i(Command c) { return static_cast<int>(c); }

} // namespace

const CommandInfo& commandInfo(Command command) { return kCommands[static_cast<std::size_t>(command)]; }

bool commandEnabled(Command command, const BrowserState& state)
{
    const CommandInfo& info = commandInfo(command);
    if (state.updateRunning && info.changesPortfolios)
        return false;
    return commandRuleAllows(command, state);
}

Actions::Actions(QObject* parent) : QObject(parent)
{
    for (const CommandInfo& info : kCommands) {
        auto* a = new QAction(QString::fromLatin1(info.text), this);
        a->setObjectName(QString::fromLatin1(info.objectName));
        if (*info.shortcut)
            a->setShortcut(QKeySequence(QString::fromLatin1(info.shortcut)));
        a->setStatusTip(QString::fromLatin1(info.prompt));
        a->setToolTip(QString::fromLatin1(info.tip));
        a->setCheckable(info.checkable);
        a->setIcon(commandIcon(info.command));
        a->setIconVisibleInMenu(false);
        a->setEnabled(false);
        actions_[static_cast<std::size_t>(info.command)] = a;
    }
    const QAction* print = action(C::Print);
    printNow_ = new QAction(print->icon(), print->text(), this);
    printNow_->setObjectName(QStringLiteral("actionPrintNow"));
    printNow_->setStatusTip(print->statusTip());
    printNow_->setToolTip(print->toolTip());
    printNow_->setEnabled(false);
    action(C::Exit)->setMenuRole(QAction::QuitRole);
    action(C::About)->setMenuRole(QAction::AboutRole);
}

void Actions::applyState(const BrowserState& state)
{
    for (const CommandInfo& info : kCommands)
        action(info.command)->setEnabled(commandEnabled(info.command, state));
    printNow_->setEnabled(commandEnabled(C::Print, state));
}

void Actions::populateMenuBar(QMenuBar* bar) const
{
    const MenuSpec menus[] = {
        {"&Quovanta", {i(C::UpdateQuotes), kGap, i(C::Settings), i(C::Profiles), kGap, i(C::Exit)}},
        {"&Portfolio",
         {i(C::PortfolioAdd), i(C::PortfolioDelete), i(C::PortfolioSkipAdjust), kGap, i(C::SplitSearch), kGap,
          i(C::ReScan)}},
        {"&Symbol",
         {i(C::SymbolAdd), i(C::SymbolDelete), i(C::SymbolSkip), i(C::SymbolEdit), i(C::SymbolAbout), kGap, i(C::Graph),
          kGap, i(C::Import), i(C::Export)}},
        {"&Quotes",
         {i(C::QuotesEdit), i(C::QuotesSplit), i(C::QuotesAdjust), i(C::QuotesDelete), kGap, i(C::Print),
          i(C::PrintPreview), i(C::PrintSetup), kGap, i(C::RecentAll)}},
        {"&Help", {i(C::HelpTopics), i(C::Tutorial), kGap, i(C::About)}},
    };
    for (const MenuSpec& menuSpec : menus) {
        QMenu* menu = bar->addMenu(QString::fromLatin1(menuSpec.title));
        for (int item : menuSpec.items) {
            if (item == kGap)
                menu->addSeparator();
            else
                menu->addAction(action(static_cast<Command>(item)));
        }
    }
}

void Actions::populateContextMenu(QMenu* menu, Grid grid) const
{
    // Graph, the print settings and Recent/All concern the whole view, not the row clicked.
    const MenuSpec symbols{"",
                           {i(C::SymbolAdd), i(C::SymbolDelete), i(C::SymbolSkip), i(C::SymbolEdit), i(C::SymbolAbout),
                            kGap, i(C::Import), i(C::Export)}};
    const MenuSpec quotes{"",
                          {i(C::QuotesEdit), i(C::QuotesSplit), i(C::QuotesAdjust), i(C::QuotesDelete), kGap,
                           i(C::Print), i(C::PrintPreview)}};
    for (int item : (grid == Grid::Symbols ? symbols : quotes).items) {
        if (item == kGap)
            menu->addSeparator();
        else
            menu->addAction(action(static_cast<Command>(item)));
    }
}

void Actions::populateToolBar(QToolBar* bar) const
{
    const int buttons[] = {i(C::UpdateQuotes),
                           i(C::Settings),
                           i(C::Profiles),
                           i(C::Exit),
                           kGap,
                           i(C::PortfolioAdd),
                           i(C::PortfolioDelete),
                           i(C::PortfolioSkipAdjust),
                           kGap,
                           i(C::SplitSearch),
                           i(C::ReScan),
                           kGap,
                           i(C::SymbolAdd),
                           i(C::SymbolDelete),
                           i(C::SymbolSkip),
                           kGap,
                           i(C::SymbolEdit),
                           i(C::SymbolAbout),
                           kGap,
                           i(C::Graph),
                           kGap,
                           i(C::Import),
                           i(C::Export),
                           kGap,
                           i(C::QuotesEdit),
                           i(C::QuotesSplit),
                           i(C::QuotesAdjust),
                           i(C::QuotesDelete),
                           kGap,
                           i(C::Print),
                           i(C::RecentAll)};
    for (int item : buttons) {
        if (item == kGap)
            bar->addSeparator();
        else if (item == i(C::Print))
            bar->addAction(printNow_);
        else
            bar->addAction(action(static_cast<Command>(item)));
    }
}

} // namespace qv::gui
