#pragma once
// "Add Portfolio": a path, typed or chosen with "Browse...". OK runs addPortfolio, which cleans
// the path, creates the directory when it is missing and writes an empty MASTER; a failure is
// shown and the dialog stays open.

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

namespace qv::gui {

class CPortfolioAddDlg final : public QDialog {
    Q_OBJECT
public:
    CPortfolioAddDlg(const QString& initialPath, QWidget* parent);
    void accept() override;
    // The new portfolio's directory, once accepted.
    const std::string& directory() const { return directory_; }

private:
    void browse();

    QLineEdit* path_ = nullptr;
    QPushButton* browse_ = nullptr;
    std::string directory_;
};

} // namespace qv::gui
