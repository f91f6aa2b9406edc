#pragma once
// "Quovanta Settings": the update options, the anomaly report, sounds and the portfolio search
// filter. accept() runs the core check and shows its message; values() gives what was entered.

#include "core/app/program_settings.h"

#include <QDialog>
#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qv::gui {

class CSettingsDlg : public QDialog {
    Q_OBJECT
public:
    // roots: the entries of the main window's drive selector (for the search filter check).
    CSettingsDlg(const qv::ViewSettings& initial, std::vector<std::string> roots, QWidget* parent);
    qv::ViewSettings values() const;
    void accept() override;

    // Where a relative PKUNZIP path is taken from, as the update run takes it (default: the
    // current directory, which is the start-up directory).

    // The dialog filled with made-up settings (for screenshots).
    static CSettingsDlg* createSample(QWidget* parent);

private:
    void applyEnablingRules();
    void browseForPkunzip();

    qv::ViewSettings initial_;
    std::vector<std::string> roots_;
    std::string startupDir_;

    QRadioButton* txtLeave_ = nullptr;
    QRadioButton* txtDelete_ = nullptr;
    QCheckBox* auditEnable_ = nullptr;
    QCheckBox* searchLimit_ = nullptr;
    QLineEdit* searchName_ = nullptr;
    QCheckBox* soundDisable_ = nullptr;
    QCheckBox* zipEnable_ = nullptr;
    QCheckBox* zipPasswordEnable_ = nullptr;
    QLineEdit* zipPassword_ = nullptr;
    QRadioButton* zipLeave_ = nullptr;
    QRadioButton* zipDelete_ = nullptr;
    QLineEdit* pkunzipPath_ = nullptr;
    QPushButton* browse_ = nullptr;
    QCheckBox* selfExtractEnable_ = nullptr;
    QCheckBox* selfExtractPasswordEnable_ = nullptr;
    QLineEdit* selfExtractPassword_ = nullptr;
    QRadioButton* selfExtractLeave_ = nullptr;
    QRadioButton* selfExtractDelete_ = nullptr;
};

} // namespace qv::gui
