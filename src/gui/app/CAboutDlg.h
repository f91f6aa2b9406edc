#pragma once
#include <QDialog>

namespace qv::gui {

// "About Quovanta...".
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent);
};

// The tutorial prompt "Tutorial": Yes / No.
class CTutorialDlg : public QDialog {
    Q_OBJECT
public:
    explicit CTutorialDlg(QWidget* parent);
};

} // namespace qv::gui
