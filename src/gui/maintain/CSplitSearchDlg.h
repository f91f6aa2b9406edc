#pragma once
// The modeless window "Split Search": runs the core's search over one portfolio, lists the
// candidates as they are found and saves the list as a text file.

#include "core/maintain/split_search.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace qv::gui {

class CSplitSearchDlg final : public QDialog {
    Q_OBJECT
public:
    // dir: the portfolio searched. quietSounds answers, at the end of each search, whether only
    // important sounds are to be made (the setting may change while the window is open).
    CSplitSearchDlg(std::string dir, std::function<bool()> quietSounds, QWidget* parent);

    const std::string& portfolioDir() const { return dir_; }
    QStringList lines() const; // the list, for tests
    QString statusText() const;
    bool searching() const { return searching_; }

public slots:
    void OnSearch();
    void OnSaveAs();

    // Close, Escape and the close box; while a search runs, the window closes when it ends.
    void reject() override;

private:
    void AddCandidate(const qv::SplitCandidate& candidate);
    void SetStatus(const QString& text);

    std::string dir_;
    std::function<bool()> quietSounds_;
    std::vector<std::string> lines_; // as listed, for Save As
    bool searching_ = false;
    bool closeRequested_ = false;

    QListWidget* list_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* search_ = nullptr;
    QPushButton* saveAs_ = nullptr;
    QPushButton* close_ = nullptr;
};

} // namespace qv::gui
