#pragma once
// "Export Historical Quotes to ASCII File": output file, columns, delimiter, order, title row.
// OK with an empty path shows "Please enter a name" and keeps the dialog open.

#include "core/ascii/export.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace qv::gui {

class CExportDlg final : public QDialog {
    Q_OBJECT
public:
    CExportDlg(const qv::ExportOptions& initial, QWidget* parent);
    qv::ExportOptions values() const;
    void accept() override;

private:
    void browse();

    QLineEdit* path_ = nullptr;
    QCheckBox* open_ = nullptr;
    QCheckBox* high_ = nullptr;
    QCheckBox* low_ = nullptr;
    QCheckBox* close_ = nullptr;
    QCheckBox* volume_ = nullptr;
    QCheckBox* openInterest_ = nullptr;
    QRadioButton* space_ = nullptr;
    QRadioButton* comma_ = nullptr;
    QRadioButton* tab_ = nullptr;
    QRadioButton* oldestFirst_ = nullptr;
    QRadioButton* newestFirst_ = nullptr;
    QCheckBox* title_ = nullptr;
};

} // namespace qv::gui
