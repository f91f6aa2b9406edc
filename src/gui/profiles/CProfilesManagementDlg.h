#pragma once
// "Profiles Management": creates, clones and edits profiles and assigns them to one security or
// to every security of a portfolio. It walks the main window's portfolio list and symbol grid:
// moving here selects there, and the main window keeps that selection afterwards.

#include "core/profiles/profile_check.h"

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;

namespace qv::gui {

class CQuovantaView;

class CProfilesManagementDlg final : public QDialog {
    Q_OBJECT
public:
    CProfilesManagementDlg(CQuovantaView& view, QWidget* parent);

    // The texts of the facts ("Portfolio:", "Symbol:", "File Number:", "Profile:").
    QString portfolioText() const;
    QString symbolText() const;
    QString fileText() const;
    QString profileText() const;
    // The profile list as shown, and its selection (empty when none).
    QStringList profileNames() const;
    QString selectedProfile() const;
    void selectProfile(const QString& name);

    void OnPreviousPortfolio();
    void OnNextPortfolio();
    void OnPreviousSymbol();
    void OnNextSymbol();
    void OnNew();
    void OnEdit();
    void OnClone();
    void OnSymbolAssign();
    void OnMultipleAssign();

private:
    void ShowFacts(int portfolioIndex, int symbolRow);
    void UpdateButtons();
    void MovePortfolio(int step);
    void MoveSymbol(int step);
    void RunProfileSettings(qv::ProfileEditMode mode);
    void AddProfileName(const std::string& name);
    std::vector<std::string> listedNames() const;
    std::string selectedName() const;

    CQuovantaView& view_;
    int portfolioCount_ = 0;
    int portfolioIndex_ = -1;
    int symbolCount_ = 0;
    int symbolRow_ = 0;
    std::string portfolioDir_;

    QLabel* portfolio_ = nullptr;
    QLabel* symbol_ = nullptr;
    QLabel* file_ = nullptr;
    QLabel* profile_ = nullptr;
    QComboBox* profiles_ = nullptr;
    QPushButton* previousPortfolio_ = nullptr;
    QPushButton* nextPortfolio_ = nullptr;
    QPushButton* previousSymbol_ = nullptr;
    QPushButton* nextSymbol_ = nullptr;
    QPushButton* symbolAssign_ = nullptr;
    QPushButton* multipleAssign_ = nullptr;
};

} // namespace qv::gui
