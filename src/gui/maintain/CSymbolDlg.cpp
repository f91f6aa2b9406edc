#include "gui/maintain/CSymbolDlg.h"

#include "core/store/windows1252.h"
#include "gui/common/MessageBox.h"
#include "gui/common/Widgets.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace qv::gui {
namespace {

std::string stored(const QLineEdit* edit) { return qv::utf8ToWindows1252(edit->text().toStdString()); }

QString shown(const std::string& bytes) { return QString::fromStdString(qv::windows1252ToUtf8(bytes)); }

std::string withoutTrailingBlanks(std::string text)
{
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

} // namespace

CSymbolDlg* CSymbolDlg::add(const std::string& portfolioDir, QWidget* parent)
{
    return new CSymbolDlg(Mode::Add, portfolioDir, {}, parent);
}

CSymbolDlg* CSymbolDlg::edit(const std::string& portfolioDir, const std::string& symbol, const std::string& name,
                             QWidget* parent)
{
    auto* dlg = new CSymbolDlg(Mode::Edit, portfolioDir, symbol, parent);
    dlg->symbol_->setText(shown(symbol));
    dlg->name_->setText(shown(withoutTrailingBlanks(name)));
    return dlg;
}

CSymbolDlg::CSymbolDlg(Mode mode, std::string portfolioDir, std::string oldSymbol, QWidget* parent)
    : QDialog(parent), mode_(mode), dir_(std::move(portfolioDir)), oldSymbol_(std::move(oldSymbol))
{
    setWindowTitle(mode == Mode::Add ? QStringLiteral("Add Symbol") : QStringLiteral("Edit Symbol"));
    symbol_ = new QLineEdit(this);
    symbol_->setObjectName(QStringLiteral("symbol"));
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("name"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Symbol"), symbol_);
    form->addRow(QStringLiteral("Name"), name_);
    auto* buttons = okCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void CSymbolDlg::accept()
{
    const std::string symbol = stored(symbol_);
    const std::string name = stored(name_);
    result_ = mode_ == Mode::Add ? qv::addSymbol(dir_, symbol, name) : qv::editSymbol(dir_, oldSymbol_, symbol, name);
    if (!result_.ok()) {
        MessageBox::warning(this, QString::fromStdString(result_.message()));
        return;
    }
    storedSymbol_ = symbol;
    storedName_ = name;
    QDialog::accept();
}

} // namespace qv::gui
