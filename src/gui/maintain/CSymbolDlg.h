#pragma once
// "Add Symbol" and "Edit Symbol": a symbol and a name of at most 16 characters each. OK runs
// the core command (addSymbol or editSymbol) on the portfolio; its first failure is shown and
// the dialog stays open.

#include "core/maintain/symbol_commands.h"

#include <QDialog>
#include <string>

class QLineEdit;

namespace qv::gui {

class CSymbolDlg final : public QDialog {
    Q_OBJECT
public:
    // Empty fields; OK adds the security to `portfolioDir`.
    static CSymbolDlg* add(const std::string& portfolioDir, QWidget* parent);
    // Filled from the selected row (the name without its blank padding); OK renames it.
    static CSymbolDlg* edit(const std::string& portfolioDir, const std::string& symbol, const std::string& name,
                            QWidget* parent);

    void accept() override;
    // What the command did, once accepted (the new file number for Add).
    const qv::CommandResult& commandResult() const { return result_; }
    // The symbol and name as stored (Windows-1252 bytes), once accepted.
    const std::string& symbol() const { return storedSymbol_; }
    const std::string& name() const { return storedName_; }

private:
    enum class Mode { Add, Edit };
    CSymbolDlg(Mode mode, std::string portfolioDir, std::string oldSymbol, QWidget* parent);

    Mode mode_;
    std::string dir_;
    std::string oldSymbol_;
    qv::CommandResult result_;
    std::string storedSymbol_;
    std::string storedName_;
    QLineEdit* symbol_ = nullptr;
    QLineEdit* name_ = nullptr;
};

} // namespace qv::gui
