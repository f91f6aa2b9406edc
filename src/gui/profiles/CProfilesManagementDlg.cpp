#include "gui/profiles/CProfilesManagementDlg.h"

#include "core/profiles/assignment.h"
#include "core/profiles/profile.h"
#include "core/profiles/profile_check.h"
#include "core/store/windows1252.h"
#include "gui/app/CQuovantaView.h"
#include "gui/app/SymbolGridModel.h"
#include "gui/common/MessageBox.h"
#include "gui/common/ModalDialog.h"
#include "gui/profiles/CProfileSettingsDlg.h"

#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::gui {
namespace {

const QString kNotApplicable = QStringLiteral("Not applicable");
const QString kNoProfile = QStringLiteral("No Profile Assigned");

QString fromPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

QLabel* factLabel(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QPushButton* button(QWidget* parent, const char* text, const char* name)
{
    auto* b = new QPushButton(QString::fromLatin1(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

CProfilesManagementDlg::CProfilesManagementDlg(CQuovantaView& view, QWidget* parent) : QDialog(parent), view_(view)
{
    setWindowTitle(QStringLiteral("Profiles Management"));

    // ---- Facts and walking ----
    auto* facts = new QGroupBox(QStringLiteral("Profile: Facts for this Symbol"), this);
    portfolio_ = factLabel(facts, "portfolio");
    symbol_ = factLabel(facts, "symbol");
    file_ = factLabel(facts, "fileNumber");
    profile_ = factLabel(facts, "profile");
    profiles_ = new QComboBox(facts);
    profiles_->setObjectName(QStringLiteral("profileList"));
    profiles_->setEditable(false);
    previousPortfolio_ = button(facts, "Previous Portfolio", "previousPortfolio");
    nextPortfolio_ = button(facts, "Next Portfolio", "nextPortfolio");
    previousSymbol_ = button(facts, "Previous Symbol", "previousSymbol");
    nextSymbol_ = button(facts, "Next Symbol", "nextSymbol");
    auto* factGrid = new QGridLayout(facts);
    factGrid->addWidget(new QLabel(QStringLiteral("Portfolio:"), facts), 0, 0);
    factGrid->addWidget(portfolio_, 0, 1, 1, 3);
    factGrid->addWidget(new QLabel(QStringLiteral("Symbol:"), facts), 1, 0);
    factGrid->addWidget(symbol_, 1, 1);
    factGrid->addWidget(new QLabel(QStringLiteral("File Number:"), facts), 1, 2);
    factGrid->addWidget(file_, 1, 3);
    factGrid->addWidget(new QLabel(QStringLiteral("Profile:"), facts), 2, 0);
    factGrid->addWidget(profile_, 2, 1);
    factGrid->addWidget(profiles_, 2, 2, 1, 2);
    factGrid->addWidget(previousPortfolio_, 3, 0);
    factGrid->addWidget(nextPortfolio_, 3, 1);
    factGrid->addWidget(previousSymbol_, 3, 2);
    factGrid->addWidget(nextSymbol_, 3, 3);
    factGrid->setColumnStretch(1, 1);
    factGrid->setColumnStretch(3, 1);

    // ---- Creation ----
    auto* creation = new QGroupBox(QStringLiteral("Profile: Creation and Mangement"), this);
    auto* creationGrid = new QGridLayout(creation);
    QPushButton* newButton = button(creation, "New", "newProfile");
    QPushButton* editButton = button(creation, "Edit", "editProfile");
    QPushButton* cloneButton = button(creation, "Clone", "cloneProfile");
    creationGrid->addWidget(newButton, 0, 0);
    creationGrid->addWidget(new QLabel(QStringLiteral("Create a new Profile."), creation), 0, 1);
    creationGrid->addWidget(editButton, 1, 0);
    creationGrid->addWidget(new QLabel(QStringLiteral("Edit the Profile shown shown\nin the Combo-box."), creation), 1,
                            1);
    creationGrid->addWidget(cloneButton, 2, 0);
    creationGrid->addWidget(
        new QLabel(QStringLiteral("Create a New Profile using the Profile\nshown in the Combo-Box as a template."),
                   creation),
        2, 1);
    creationGrid->setColumnStretch(1, 1);

    // ---- Assignment ----
    auto* assign = new QGroupBox(QStringLiteral("Profile: Assign Symbol(s) to a Profile"), this);
    auto* assignGrid = new QGridLayout(assign);
    symbolAssign_ = button(assign, "Symbol Assign", "symbolAssign");
    multipleAssign_ = button(assign, "Multiple Assign", "multipleAssign");
    QPushButton* closeButton = button(assign, "Close", "close");
    assignGrid->addWidget(symbolAssign_, 0, 0);
    assignGrid->addWidget(
        new QLabel(QStringLiteral("Assign the Symbol shown above to\nthe Profile shown in the Combo-Box."), assign), 0,
        1);
    assignGrid->addWidget(multipleAssign_, 1, 0);
    assignGrid->addWidget(
        new QLabel(QStringLiteral("Assign all Symbols in this portfolio to\nthe Profile shown in the Combo-Box."),
                   assign),
        1, 1);
    assignGrid->addWidget(closeButton, 2, 0);
    assignGrid->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(facts);
    layout->addWidget(creation);
    layout->addWidget(assign);

    connect(previousPortfolio_, &QPushButton::clicked, this, &CProfilesManagementDlg::OnPreviousPortfolio);
    connect(nextPortfolio_, &QPushButton::clicked, this, &CProfilesManagementDlg::OnNextPortfolio);
    connect(previousSymbol_, &QPushButton::clicked, this, &CProfilesManagementDlg::OnPreviousSymbol);
    connect(nextSymbol_, &QPushButton::clicked, this, &CProfilesManagementDlg::OnNextSymbol);
    connect(newButton, &QPushButton::clicked, this, &CProfilesManagementDlg::OnNew);
    connect(editButton, &QPushButton::clicked, this, &CProfilesManagementDlg::OnEdit);
    connect(cloneButton, &QPushButton::clicked, this, &CProfilesManagementDlg::OnClone);
    connect(symbolAssign_, &QPushButton::clicked, this, &CProfilesManagementDlg::OnSymbolAssign);
    connect(multipleAssign_, &QPushButton::clicked, this, &CProfilesManagementDlg::OnMultipleAssign);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);

    // Opening.
    const std::vector<std::string> portfolios = view_.portfolios();
    portfolioCount_ = static_cast<int>(portfolios.size());
    portfolioIndex_ = view_.currentPortfolioIndex();
    symbolCount_ = view_.symbolCount();
    symbolRow_ = view_.currentSymbolIndex();
    const qv::ProfileListing listing = qv::listProfiles(view_.startupDir());
    if (!listing.sample)
        MessageBox::warning(this, QString::fromStdString(listing.sample.message()));
    for (const std::string& name : listing.names)
        profiles_->addItem(QString::fromStdString(name));
    profiles_->setCurrentIndex(profiles_->count() > 0 ? 0 : -1);
    ShowFacts(portfolioIndex_, symbolRow_);
    UpdateButtons();
}

// ---- Facts --------------------------------------------------------------------------------

QString CProfilesManagementDlg::portfolioText() const { return portfolio_->text(); }
QString CProfilesManagementDlg::symbolText() const { return symbol_->text(); }
QString CProfilesManagementDlg::fileText() const { return file_->text(); }
QString CProfilesManagementDlg::profileText() const { return profile_->text(); }

QStringList CProfilesManagementDlg::profileNames() const
{
    QStringList names;
    for (int i = 0; i < profiles_->count(); ++i)
        names << profiles_->itemText(i);
    return names;
}

QString CProfilesManagementDlg::selectedProfile() const { return profiles_->currentText(); }

void CProfilesManagementDlg::selectProfile(const QString& name)
{
    profiles_->setCurrentIndex(profiles_->findText(name, Qt::MatchFixedString));
}

std::vector<std::string> CProfilesManagementDlg::listedNames() const
{
    std::vector<std::string> names;
    for (int i = 0; i < profiles_->count(); ++i)
        names.push_back(profiles_->itemText(i).toStdString());
    return names;
}

std::string CProfilesManagementDlg::selectedName() const
{
    return profiles_->currentIndex() < 0 ? std::string() : profiles_->currentText().toStdString();
}

void CProfilesManagementDlg::ShowFacts(int portfolioIndex, int symbolRow)
{
    if (portfolioIndex >= 0) {
        const std::vector<std::string> portfolios = view_.portfolios();
        if (portfolioIndex < static_cast<int>(portfolios.size()))
            portfolioDir_ = portfolios[static_cast<std::size_t>(portfolioIndex)];
        portfolio_->setText(fromPath(portfolioDir_));
    }
    const SymbolGridModel* grid = view_.symbolModel();
    if (symbolCount_ <= 0 || symbolRow < 0 || symbolRow >= grid->rowCount()) {
        symbol_->setText(kNotApplicable);
        file_->setText(kNotApplicable);
        profile_->setText(kNotApplicable);
        return;
    }
    const qv::SymbolRow& row = grid->row(symbolRow);
    symbol_->setText(QString::fromStdString(qv::windows1252ToUtf8(row.symbol)));
    file_->setText(QString::asprintf("F%d.%s", row.fileNumber, row.security.fromXmaster() ? "mwd" : "dat"));
    const std::optional<std::string> assigned = qv::readAssignment(portfolioDir_, row.fileNumber);
    if (!assigned) {
        profile_->setText(kNoProfile);
        return;
    }
    profile_->setText(QString::fromStdString(*assigned));
    // A profile that no longer exists is shown by its name; the list selection stays.
    if (const std::optional<std::string> listed = qv::findProfileName(listedNames(), *assigned))
        selectProfile(QString::fromStdString(*listed));
}

void CProfilesManagementDlg::UpdateButtons()
{
    previousPortfolio_->setEnabled(portfolioIndex_ > 0);
    nextPortfolio_->setEnabled(portfolioIndex_ >= 0 && portfolioIndex_ < portfolioCount_ - 1);
    previousSymbol_->setEnabled(symbolRow_ > 0);
    nextSymbol_->setEnabled(symbolRow_ < symbolCount_ - 1);
    symbolAssign_->setEnabled(symbolCount_ > 0);
    multipleAssign_->setEnabled(symbolCount_ > 0);
}

// ---- Walking ------------------------------------------------------------------------------

void CProfilesManagementDlg::MovePortfolio(int step)
{
    const int target = portfolioIndex_ + step;
    if (target < 0 || target >= portfolioCount_)
        return;
    // A long quote history would make every step slow.
    if (!view_.settings().displayLimit)
        view_.OnRecentAll();
    view_.SelectPortfolio(target);
    portfolioIndex_ = target;
    symbolCount_ = view_.symbolCount();
    symbolRow_ = 0;
    ShowFacts(portfolioIndex_, symbolRow_);
    UpdateButtons();
}

void CProfilesManagementDlg::MoveSymbol(int step)
{
    const int target = symbolRow_ + step;
    if (target < 0 || target >= symbolCount_)
        return;
    view_.SelectSymbolRow(target);
    symbolRow_ = target;
    UpdateButtons();
    ShowFacts(-1, symbolRow_);
}

void CProfilesManagementDlg::OnPreviousPortfolio() { MovePortfolio(-1); }
void CProfilesManagementDlg::OnNextPortfolio() { MovePortfolio(+1); }
void CProfilesManagementDlg::OnPreviousSymbol() { MoveSymbol(-1); }
void CProfilesManagementDlg::OnNextSymbol() { MoveSymbol(+1); }

// ---- New, Edit, Clone ---------------------------------------------------------------------

void CProfilesManagementDlg::RunProfileSettings(qv::ProfileEditMode mode)
{
    const std::string& startupDir = view_.startupDir();
    qv::ProfileEditorValues initial;
    if (mode == qv::ProfileEditMode::New) {
        initial = qv::editorValuesFromProfile(qv::newProfileDefaults(portfolioDir_), qv::kNewProfileName, mode);
    } else {
        const std::string name = selectedName();
        const qv::ProfileRead read = qv::readProfile(startupDir, name);
        if (!read.ok()) {
            MessageBox::warning(this, QString::fromStdString(read.outcome.message()));
            return;
        }
        initial = qv::editorValuesFromProfile(
            read.profile,
            mode == qv::ProfileEditMode::Clone ? std::string_view("Please create new Profile name") : name, mode);
    }
    CProfileSettingsDlg settings(initial, listedNames(), this);
    if (ModalDialog::exec(settings) != QDialog::Accepted)
        return;
    const qv::Outcome written = qv::writeProfile(startupDir, settings.savedName(), settings.savedProfile());
    if (!written) {
        MessageBox::warning(this, QString::fromStdString(written.message()));
        return;
    }
    AddProfileName(settings.savedName());
}

void CProfilesManagementDlg::AddProfileName(const std::string& name)
{
    const std::vector<std::string> names = listedNames();
    if (const std::optional<std::string> listed = qv::findProfileName(names, name)) {
        selectProfile(QString::fromStdString(*listed));
        return;
    }
    // The list stays sorted without regard to case, as listProfiles sorts it.
    const QString text = QString::fromStdString(name);
    int at = 0;
    while (at < profiles_->count() && profiles_->itemText(at).compare(text, Qt::CaseInsensitive) < 0)
        ++at;
    profiles_->insertItem(at, text);
    profiles_->setCurrentIndex(at);
}

void CProfilesManagementDlg::OnNew() { RunProfileSettings(qv::ProfileEditMode::New); }
void CProfilesManagementDlg::OnEdit() { RunProfileSettings(qv::ProfileEditMode::Edit); }
void CProfilesManagementDlg::OnClone() { RunProfileSettings(qv::ProfileEditMode::Clone); }

// ---- Assignment ---------------------------------------------------------------------------

void CProfilesManagementDlg::OnSymbolAssign()
{
    const std::string name = selectedName();
    if (name.empty()) {
        MessageBox::warning(this, QString::fromStdString(std::string(qv::kNoProfileForSymbolMessage)));
        return;
    }
    const SymbolGridModel* grid = view_.symbolModel();
    if (symbolRow_ < 0 || symbolRow_ >= grid->rowCount())
        return;
    const qv::Outcome written = qv::writeAssignment(portfolioDir_, grid->row(symbolRow_).fileNumber, name);
    if (!written) {
        MessageBox::warning(this, QString::fromStdString(written.message()));
        return;
    }
    profile_->setText(QString::fromStdString(name));
}

void CProfilesManagementDlg::OnMultipleAssign()
{
    const std::string name = selectedName();
    if (name.empty()) {
        MessageBox::warning(this, QString::fromStdString(std::string(qv::kNoProfileForSymbolsMessage)));
        return;
    }
    const SymbolGridModel* grid = view_.symbolModel();
    for (int r = 0; r < grid->rowCount(); ++r) {
        const qv::SymbolRow& row = grid->row(r);
        // A nested portfolio's entry is no security: a file for its number would later assign
        // the profile to whichever security reuses that number.
        if (row.isDirectoryEntry)
            continue;
        const qv::Outcome written = qv::writeAssignment(portfolioDir_, row.fileNumber, name);
        if (!written) {
            MessageBox::warning(this, QString::fromStdString(written.message()));
            continue;
        }
        profile_->setText(QString::fromStdString(name));
    }
}

} // namespace qv::gui
