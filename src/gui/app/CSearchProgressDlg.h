#pragma once
// The modeless window "Searching for Master Files" that the portfolio search shows while it
// walks a root: the directory reached and the number of MASTER files found so far.

#include <QDialog>

class QLabel;

namespace qv::gui {

class CSearchProgressDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CSearchProgressDlg(QWidget* parent);

    void setPath(const QString& path);
    void setFound(int count);
    QString pathText() const;

private:
    QLabel* path_;
    QLabel* count_;
};

} // namespace qv::gui
