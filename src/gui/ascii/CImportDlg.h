#pragma once
// "Import Historical ASCII Quotes": the layout of the text file and the target portfolio.
// accept() runs the core checks and shows the first failure; values() gives what was entered
// (after OK the symbol as the dialog shows it: trimmed and upper-cased).

#include "core/ascii/import.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qv::gui {

class NumberBox;

class CImportDlg final : public QDialog {
    Q_OBJECT
public:
    CImportDlg(const qv::ImportDialogValues& initial, QWidget* parent);
    qv::ImportDialogValues values() const;
    void accept() override;

private:
    struct Optional {
        QCheckBox* on = nullptr;
        NumberBox* column = nullptr;
    };
    void applyEnablingRules();
    void browseInput();
    void browseOutput();

    QLineEdit* inputPath_ = nullptr;
    NumberBox* dateColumn_ = nullptr;
    NumberBox* closeColumn_ = nullptr;
    Optional open_, high_, low_, volume_, openInterest_;
    QRadioButton* comma_ = nullptr;
    QRadioButton* tab_ = nullptr;
    QRadioButton* space_ = nullptr;
    QComboBox* dateFormat_ = nullptr;
    QCheckBox* skipOn_ = nullptr;
    NumberBox* skipRows_ = nullptr;
    QLineEdit* outputDir_ = nullptr;
    QRadioButton* useExisting_ = nullptr;
    QRadioButton* makeNew_ = nullptr;
    QLineEdit* symbol_ = nullptr;
    QLineEdit* name_ = nullptr;
};

} // namespace qv::gui
