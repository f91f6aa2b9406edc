#pragma once
// "Edit Selected Quote": the values of one quote of the quote grid, with Previous, Next, First
// and Last to move through the grid. accept() runs the core check and shows its message.

#include "core/maintain/quote_edits.h"
#include "gui/app/QuoteGridModel.h"

#include <QDialog>

#include <array>
#include <functional>

class QLineEdit;
class QPushButton;

namespace qv::gui {

// The quote grid as the dialog sees it: rows newest first, and the switch from the recent
// quotes to all of them.
struct QuoteRowSource {
    std::function<int()> quotesInFile;
    std::function<int()> rowsShown;
    std::function<bool()> showingRecent;
    std::function<QuoteGridModel::Row(int)> row;
    std::function<void()> showAllQuotes; // refills the grid with every quote
    std::function<void(int)> selectRow;  // makes a row the grid's selected quote
};

class CQuoteEditDlg final : public QDialog {
    Q_OBJECT
public:
    CQuoteEditDlg(QuoteRowSource source, int position, QWidget* parent);

    int position() const { return position_; }
    qv::QuoteEditForm form() const;
    // The check of what the dialog holds now.
    qv::EditCheck check() const { return qv::checkQuoteEditForm(form()); }
    void accept() override;

private:
    void moveTo(int row);
    void load();

    QuoteRowSource source_;
    int position_ = 0;
    QLineEdit* date_ = nullptr;
    std::array<QLineEdit*, qv::kEditValueCount> values_{};
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* first_ = nullptr;
    QPushButton* last_ = nullptr;
};

} // namespace qv::gui
