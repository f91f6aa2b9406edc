#pragma once
// "Profile Settings": edits one profile for "Profiles Management" in New, Clone or Edit mode.
// Save runs checkProfileSave and shows its first failure (the dialog stays open, the name
// field keeping its trimmed form once the check got that far); the caller writes the file.

#include "core/profiles/profile_check.h"

#include <QDialog>

#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qv::gui {

class NumberBox;

class CProfileSettingsDlg final : public QDialog {
    Q_OBJECT
public:
    // existingNames: the names of the caller's profile list (for the New/Clone duplicate check).
    CProfileSettingsDlg(const qv::ProfileEditorValues& initial, std::vector<std::string> existingNames,
                        QWidget* parent);

    void accept() override;

    // What the controls hold now.
    qv::ProfileEditorValues values() const;
    // Once saved: the trimmed name and the record to write.
    const std::string& savedName() const { return savedName_; }
    const qv::Profile& savedProfile() const { return savedProfile_; }

private:
    struct Optional {
        QCheckBox* box = nullptr;
        NumberBox* column = nullptr;
    };
    void applyEnablingRules();
    void browse();
    QWidget* fieldWidget(qv::ProfileField field) const;

    qv::ProfileEditMode mode_;
    std::vector<std::string> existingNames_;
    std::string savedName_;
    qv::Profile savedProfile_;

    QLineEdit* name_ = nullptr;
    QLineEdit* updatePath_ = nullptr;
    QPushButton* browse_ = nullptr;
    NumberBox* symbol_ = nullptr;
    NumberBox* date_ = nullptr;
    Optional open_, high_, low_;
    NumberBox* close_ = nullptr;
    Optional volume_, openInterest_;
    QButtonGroup* delimiter_ = nullptr;
    QComboBox* dateFormat_ = nullptr;
    QCheckBox* priorDay_ = nullptr;
};

} // namespace qv::gui
