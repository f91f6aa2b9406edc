#pragma once
// The Yes/No confirmations of "Delete Portfolio" and "Delete Symbol": what is to be deleted
// under its caption, and the question. Yes accepts, No rejects.

#include <QDialog>

namespace qv::gui {

class CDeleteConfirmDlg final : public QDialog {
    Q_OBJECT
public:
    static CDeleteConfirmDlg* portfolio(const QString& directory, QWidget* parent);
    static CDeleteConfirmDlg* symbol(const QString& symbol, QWidget* parent);

    QString shownItem() const { return item_; }

private:
    CDeleteConfirmDlg(const QString& title, const QString& caption, const QString& item, const QStringList& texts,
                      QWidget* parent);

    QString item_;
};

} // namespace qv::gui
