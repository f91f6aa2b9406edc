#pragma once
// The main window's commands: every QAction is made here from one table (menu, text, key,
// status prompt, tool tip, objectName), and the rules that enable them are one function of the
// browser's state, so menus, toolbar and tests all see the same thing.

#include <QObject>

#include <array>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;

namespace qv::gui {

enum class Command {
    UpdateQuotes,
    Settings,
    Profiles,
    Exit,
    PortfolioAdd,
    PortfolioDelete,
    PortfolioSkipAdjust,
    SplitSearch,
    ReScan,
    SymbolAdd,
    SymbolDelete,
    SymbolSkip,
    SymbolEdit,
    SymbolAbout,
    Graph,
    Import,
    Export,
    QuotesEdit,
    QuotesSplit,
    QuotesAdjust,
    QuotesDelete,
    Print,
    PrintPreview,
    PrintSetup,
    RecentAll,
    HelpTopics,
    Tutorial,
    About,
};
inline constexpr int kCommandCount = static_cast<int>(Command::About) + 1;

// What the enabling rules look at.
struct BrowserState {
    bool hasPortfolios = false;   // P
    int symbols = 0;              // S
    int quotes = 0;               // Q
    bool graphShown = false;      // G
    bool splitSearchOpen = false; // X
    bool updateRunning = false;
    // The symbol grid's selected row names a nested portfolio (<DIR>), not a security: the
    // commands on the selected security have nothing to work on.
    bool directoryRow = false;
};

struct CommandInfo {
    Command command;
    const char* objectName; // "actionUpdateQuotes"
    const char* text;       // menu text with its '&'
    const char* shortcut;   // "" for none
    const char* prompt;     // status bar prompt
    const char* tip;        // tool tip
    bool checkable;
    bool changesPortfolios; // kept disabled while an update run works on the files
};

const CommandInfo& commandInfo(Command command);

// The rule of the command table alone.
bool commandRuleAllows(Command command, const BrowserState& state);
// The enabling rule of a command, with commands that change portfolio files off while an
// update run is active.
bool commandEnabled(Command command, const BrowserState& state);

class Actions : public QObject {
    Q_OBJECT
public:
    explicit Actions(QObject* parent);

    QAction* action(Command command) const { return actions_[static_cast<std::size_t>(command)]; }
    // The toolbar's Print button: the same command, printed at once without the print dialog.
    QAction* printNowAction() const { return printNow_; }
    // Applies commandEnabled to every action.
    void applyState(const BrowserState& state);

    // The four menus in order, and the toolbar with its gaps.
    void populateMenuBar(QMenuBar* bar) const;
    void populateToolBar(QToolBar* bar) const;
    // The context menu of a grid: the commands of its menu ("&Symbol" for the symbol grid,
    // "&Quotes" for the quote grid) that work on a row of it, as the same actions.
    enum class Grid { Symbols, Quotes };
    void populateContextMenu(QMenu* menu, Grid grid) const;

private:
    std::array<QAction*, kCommandCount> actions_{};
    QAction* printNow_ = nullptr;
};

} // namespace qv::gui
