#include "gui/update/CSettingsDlg.h"

#include "core/app/settings_check.h"
#include "gui/app/CChooseDir.h"
#include "gui/common/MessageBox.h"
#include "gui/common/Widgets.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qv::gui {
namespace {

QGroupBox* group(const QString& title, QWidget* parent) { return new QGroupBox(title, parent); }

// Two radio buttons "leave" / "delete" in their own group box; returns the delete button.
QRadioButton* leaveOrDelete(QGroupBox* box, const QString& leave, const QString& remove, const char* leaveName,
                            const char* removeName, QRadioButton** leaveOut)
{
    auto* leaveButton = named(new QRadioButton(leave, box), leaveName);
    auto* removeButton = named(new QRadioButton(remove, box), removeName);
    exclusiveChoice(new QVBoxLayout(box), {leaveButton, removeButton});
    *leaveOut = leaveButton;
    return removeButton;
}

QLineEdit* passwordEdit(QWidget* parent, const char* name)
{
    auto* edit = named(new QLineEdit(parent), name);
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

// The "File facts" group of an archive kind: "I use a password" over the password field.
QGroupBox* fileFacts(QWidget* parent, const char* enableName, const char* passwordName, QCheckBox*& enable,
                     QLineEdit*& password)
{
    QGroupBox* facts = group(QStringLiteral("File facts"), parent);
    enable = named(new QCheckBox(QStringLiteral("I use a password"), facts), enableName);
    password = passwordEdit(facts, passwordName);
    auto* layout = new QGridLayout(facts);
    layout->addWidget(enable, 0, 0, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("Password:"), facts), 1, 0);
    layout->addWidget(password, 1, 1);
    return facts;
}

} // namespace

CSettingsDlg::CSettingsDlg(const qv::ViewSettings& initial, std::vector<std::string> roots, QWidget* parent)
    : QDialog(parent), initial_(initial), roots_(std::move(roots)), startupDir_(QDir::currentPath().toStdString())
{
    setWindowTitle(QStringLiteral("Quovanta Settings"));

    // Left column: ASCII files, anomaly report, search filter, sounds.
    QGroupBox* ascii = group(QStringLiteral("What to do with ASCII files?"), this);
    txtDelete_ = leaveOrDelete(ascii, QStringLiteral("Leave on disk after updating"),
                               QStringLiteral("Delete after updating"), "txtLeave", "txtDelete", &txtLeave_);

    QGroupBox* audit = group(QStringLiteral("Anomaly Report"), this);
    auditEnable_ = named(new QCheckBox(QStringLiteral("Show an Anomaly Report"), audit), "auditEnable");
    auto* auditLayout = new QVBoxLayout(audit);
    auditLayout->addWidget(auditEnable_);
    auditLayout->addWidget(new QLabel(QStringLiteral("after updating is complete"), audit));

    QGroupBox* search = group(QStringLiteral("Portfolio Search Filter"), this);
    searchLimit_ = named(new QCheckBox(QStringLiteral("Only search for Portfolios in"), search), "searchLimit");
    searchName_ = named(new QLineEdit(search), "searchName");
    auto* searchLayout = new QVBoxLayout(search);
    searchLayout->addWidget(searchLimit_);
    searchLayout->addWidget(new QLabel(QStringLiteral("paths like that below"), search));
    searchLayout->addWidget(searchName_);

    QGroupBox* sounds = group(QStringLiteral("Sounds"), this);
    soundDisable_ = named(new QCheckBox(QStringLiteral("Only make important sounds"), sounds), "soundDisable");
    (new QVBoxLayout(sounds))->addWidget(soundDisable_);

    // Right column: compressed and self-extracting update files.
    QGroupBox* zip = group(QStringLiteral("Compressed (ZIP) Data Files"), this);
    zipEnable_ = named(new QCheckBox(QStringLiteral("I use Compressed files"), zip), "zipEnable");
    QGroupBox* zipFacts = fileFacts(zip, "zipPasswordEnable", "zipPassword", zipPasswordEnable_, zipPassword_);
    QGroupBox* zipWhat = group(QStringLiteral("What to do with .ZIP files?"), zip);
    zipDelete_ = leaveOrDelete(zipWhat, QStringLiteral("Leave in directory"),
                               QStringLiteral("Delete after decompression"), "zipLeave", "zipDelete", &zipLeave_);
    QGroupBox* zipPath = group(QStringLiteral("Path to PKUNZIP.EXE"), zip);
    pkunzipPath_ = named(new QLineEdit(zipPath), "pkunzipPath");
    browse_ = named(new QPushButton(QStringLiteral("Browse..."), zipPath), "browse");
    browse_->setAutoDefault(false);
    auto* zipPathLayout = new QHBoxLayout(zipPath);
    zipPathLayout->addWidget(pkunzipPath_);
    zipPathLayout->addWidget(browse_);
    auto* zipLayout = new QGridLayout(zip);
    zipLayout->addWidget(zipEnable_, 0, 0, 1, 2);
    zipLayout->addWidget(zipFacts, 1, 0);
    zipLayout->addWidget(zipWhat, 1, 1);
    zipLayout->addWidget(zipPath, 2, 0, 1, 2);

    QGroupBox* selfExtract = group(QStringLiteral("Self-Extracting (EXE) Data Files"), this);
    selfExtractEnable_ =
        named(new QCheckBox(QStringLiteral("I use Self-Extracting files"), selfExtract), "selfExtractEnable");
    QGroupBox* selfExtractFacts = fileFacts(selfExtract, "selfExtractPasswordEnable", "selfExtractPassword",
                                            selfExtractPasswordEnable_, selfExtractPassword_);
    QGroupBox* selfExtractWhat = group(QStringLiteral("What to do with .EXE files?"), selfExtract);
    selfExtractDelete_ =
        leaveOrDelete(selfExtractWhat, QStringLiteral("Leave in directory"), QStringLiteral("Delete after extraction"),
                      "selfExtractLeave", "selfExtractDelete", &selfExtractLeave_);
    auto* selfExtractLayout = new QGridLayout(selfExtract);
    selfExtractLayout->addWidget(selfExtractEnable_, 0, 0, 1, 2);
    selfExtractLayout->addWidget(selfExtractFacts, 1, 0);
    selfExtractLayout->addWidget(selfExtractWhat, 1, 1);

    auto* buttons = okCancelButtons(this);

    auto* left = new QVBoxLayout;
    left->addWidget(ascii);
    left->addWidget(audit);
    left->addWidget(search);
    left->addWidget(sounds);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(zip);
    right->addWidget(selfExtract);
    right->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons);

    // Fill from the current settings.
    const UpdateSettings& u = initial_.update;
    (u.deleteTxt ? txtDelete_ : txtLeave_)->setChecked(true);
    auditEnable_->setChecked(initial_.auditEnable);
    searchLimit_->setChecked(initial_.searchLimit);
    searchName_->setText(QString::fromStdString(initial_.searchName));
    soundDisable_->setChecked(initial_.soundDisable);
    zipEnable_->setChecked(u.zipEnable);
    zipPasswordEnable_->setChecked(u.zipPasswordEnable);
    zipPassword_->setText(QString::fromStdString(u.zipPassword)); // whole: OK refuses one too long
    (u.deleteZip ? zipDelete_ : zipLeave_)->setChecked(true);
    pkunzipPath_->setText(QString::fromStdString(u.pkunzipPath));
    selfExtractEnable_->setChecked(u.selfExtractEnable);
    selfExtractPasswordEnable_->setChecked(u.selfExtractPasswordEnable);
    selfExtractPassword_->setText(QString::fromStdString(u.selfExtractPassword));
    (u.deleteSelfExtract ? selfExtractDelete_ : selfExtractLeave_)->setChecked(true);

    for (QCheckBox* box :
         {zipEnable_, zipPasswordEnable_, selfExtractEnable_, selfExtractPasswordEnable_, searchLimit_})
        connect(box, &QCheckBox::toggled, this, &CSettingsDlg::applyEnablingRules);
    connect(browse_, &QPushButton::clicked, this, &CSettingsDlg::browseForPkunzip);
    applyEnablingRules();
}

void CSettingsDlg::applyEnablingRules()
{
    const bool zip = zipEnable_->isChecked();
    zipPasswordEnable_->setEnabled(zip);
    zipLeave_->setEnabled(zip);
    zipDelete_->setEnabled(zip);
    pkunzipPath_->setEnabled(zip);
    browse_->setEnabled(zip);
    zipPassword_->setEnabled(zip && zipPasswordEnable_->isChecked());

    const bool selfExtract = selfExtractEnable_->isChecked();
    selfExtractPasswordEnable_->setEnabled(selfExtract);
    selfExtractLeave_->setEnabled(selfExtract);
    selfExtractDelete_->setEnabled(selfExtract);
    selfExtractPassword_->setEnabled(selfExtract && selfExtractPasswordEnable_->isChecked());

    searchName_->setEnabled(searchLimit_->isChecked());
}

void CSettingsDlg::browseForPkunzip()
{
    if (const std::optional<QString> dir = CChooseDir::choose(this, pkunzipPath_->text()))
        pkunzipPath_->setText(*dir);
}

qv::ViewSettings CSettingsDlg::values() const
{
    qv::ViewSettings v = initial_; // what the dialog does not show stays as it was
    UpdateSettings& u = v.update;
    u.deleteTxt = txtDelete_->isChecked();
    v.auditEnable = auditEnable_->isChecked();
    v.searchLimit = searchLimit_->isChecked();
    v.searchName = searchName_->text().toStdString();
    v.soundDisable = soundDisable_->isChecked();
    u.zipEnable = zipEnable_->isChecked();
    u.zipPasswordEnable = zipPasswordEnable_->isChecked();
    u.zipPassword = zipPassword_->text().toStdString();
    u.deleteZip = zipDelete_->isChecked();
    u.pkunzipPath = pkunzipPath_->text().toStdString();
    u.selfExtractEnable = selfExtractEnable_->isChecked();
    u.selfExtractPasswordEnable = selfExtractPasswordEnable_->isChecked();
    u.selfExtractPassword = selfExtractPassword_->text().toStdString();
    u.deleteSelfExtract = selfExtractDelete_->isChecked();
    return v;
}

void CSettingsDlg::accept()
{
    const std::string message = qv::checkSettings(values(), roots_, startupDir_);
    if (!message.empty()) {
        MessageBox::warning(this, QString::fromStdString(message));
        return;
    }
    QDialog::accept();
}

CSettingsDlg* CSettingsDlg::createSample(QWidget* parent)
{
    qv::ViewSettings v;
    v.searchLimit = true;
    v.searchName = "/home/ann/MetaStock";
    v.auditEnable = true;
    v.update.zipEnable = true;
    v.update.zipPasswordEnable = true;
    v.update.zipPassword = "secret";
    v.update.deleteZip = true;
    v.update.pkunzipPath = "/usr/lib/quovanta";
    return new CSettingsDlg(v, {"/", "/home/ann"}, parent);
}

} // namespace qv::gui
