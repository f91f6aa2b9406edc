#include "gui/profiles/CProfileSettingsDlg.h"

#include "core/store/encodings.h"
#include "gui/app/CChooseDir.h"
#include "gui/common/MessageBox.h"
#include "gui/common/NumberBox.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
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

NumberBox* columnBox(QWidget* parent, const char* name, int value)
{
    auto* box = new NumberBox(parent, 1, qv::kMaxProfileColumn, value);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QString fromPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }
std::string toPath(const QString& text) { return QFile::encodeName(text).toStdString(); }

} // namespace

CProfileSettingsDlg::CProfileSettingsDlg(const qv::ProfileEditorValues& initial, std::vector<std::string> existingNames,
                                         QWidget* parent)
    : QDialog(parent), mode_(initial.mode), existingNames_(std::move(existingNames))
{
    setWindowTitle(QStringLiteral("Profile Settings"));

    auto* nameGroup = new QGroupBox(QStringLiteral("Name for this Profile "), this);
    name_ = new QLineEdit(QString::fromStdString(initial.name), nameGroup);
    name_->setObjectName(QStringLiteral("name"));
    (new QVBoxLayout(nameGroup))->addWidget(name_);

    auto* pathGroup = new QGroupBox(QStringLiteral(" Directory Path to ASCII Update Files"), this);
    updatePath_ = new QLineEdit(fromPath(initial.updatePath), pathGroup);
    updatePath_->setObjectName(QStringLiteral("updatePath"));
    updatePath_->setMinimumWidth(updatePath_->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48);
    browse_ = new QPushButton(QStringLiteral("Browse..."), pathGroup);
    browse_->setObjectName(QStringLiteral("browse"));
    browse_->setAutoDefault(false);
    auto* pathLayout = new QHBoxLayout(pathGroup);
    pathLayout->addWidget(updatePath_, 1);
    pathLayout->addWidget(browse_);

    // The columns side by side: a caption (or check box) over each number field.
    auto* columns = new QGroupBox(QStringLiteral("Supported Fields and Column Assignments for the ASCII Update Files "
                                                 "found at the above Diectory Path"),
                                  this);
    auto* grid = new QGridLayout(columns);
    int at = 0;
    const auto fixed = [&](const char* caption, NumberBox*& box, const char* name, int value) {
        box = columnBox(columns, name, value);
        grid->addWidget(new QLabel(QString::fromLatin1(caption), columns), 0, at);
        grid->addWidget(box, 1, at++);
    };
    const auto optional = [&](const char* caption, Optional& field, const char* name, const char* boxName,
                              const qv::OptionalColumn& value) {
        field.box = new QCheckBox(QString::fromLatin1(caption), columns);
        field.box->setObjectName(QString::fromLatin1(boxName));
        field.box->setChecked(value.present);
        field.column = columnBox(columns, name, value.column);
        grid->addWidget(field.box, 0, at);
        grid->addWidget(field.column, 1, at++);
        connect(field.box, &QCheckBox::toggled, this, &CProfileSettingsDlg::applyEnablingRules);
    };
    fixed("Symbol", symbol_, "symbolColumn", initial.symbolColumn);
    fixed("Date", date_, "dateColumn", initial.dateColumn);
    optional("Open", open_, "openColumn", "openPresent", initial.open);
    optional("High", high_, "highColumn", "highPresent", initial.high);
    optional("Low", low_, "lowColumn", "lowPresent", initial.low);
    fixed("Close", close_, "closeColumn", initial.closeColumn);
    optional("Volume", volume_, "volumeColumn", "volumePresent", initial.volume);
    optional("Open Int", openInterest_, "openInterestColumn", "openInterestPresent", initial.openInterest);

    auto* detail = new QGroupBox(QStringLiteral("Detail Settings of ASCII Update Files"), this);
    auto* delimiterBox = new QGroupBox(QStringLiteral("Which Column Delimiter Character?"), detail);
    delimiter_ = new QButtonGroup(this);
    auto* delimiterLayout = new QVBoxLayout(delimiterBox);
    const char* const delimiterNames[] = {"Comma", "Tab", "Space"};
    for (int code = qv::kDelimiterComma; code <= qv::kDelimiterSpace; ++code) {
        auto* radio = new QRadioButton(QString::fromLatin1(delimiterNames[code]), delimiterBox);
        radio->setObjectName(QStringLiteral("delimiter") + QString::fromLatin1(delimiterNames[code]));
        delimiter_->addButton(radio, code);
        delimiterLayout->addWidget(radio);
    }
    if (QAbstractButton* chosen = delimiter_->button(initial.delimiter))
        chosen->setChecked(true);
    // A pure selection list: only the twelve formats can be chosen, so the code is 1..12.
    dateFormat_ = new QComboBox(detail);
    dateFormat_->setObjectName(QStringLiteral("dateFormat"));
    dateFormat_->setEditable(false);
    for (int code = 1; code <= qv::kDateFormatCount; ++code)
        dateFormat_->addItem(QString::fromStdString(std::string(qv::dateFormatName(code))));
    dateFormat_->setCurrentIndex(
        initial.dateFormat >= 1 && initial.dateFormat <= qv::kDateFormatCount ? initial.dateFormat - 1 : 0);
    auto* formatBox = new QVBoxLayout;
    formatBox->addWidget(new QLabel(QStringLiteral("Date Format"), detail));
    formatBox->addWidget(dateFormat_);
    formatBox->addStretch(1);
    auto* detailLayout = new QHBoxLayout(detail);
    detailLayout->addWidget(delimiterBox);
    detailLayout->addLayout(formatBox);

    auto* futures = new QGroupBox(QStringLiteral("Futures Contract Settings"), this);
    priorDay_ = new QCheckBox(QStringLiteral("Treat symbols like futures contracts"), futures);
    priorDay_->setObjectName(QStringLiteral("priorDay"));
    priorDay_->setChecked(initial.priorDay);
    auto* futuresLayout = new QVBoxLayout(futures);
    futuresLayout->addWidget(new QLabel(QStringLiteral("Update prior day's Volume and OI?"), futures));
    futuresLayout->addWidget(priorDay_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* save = buttons->addButton(QStringLiteral("Save"), QDialogButtonBox::AcceptRole);
    save->setObjectName(QStringLiteral("save"));
    save->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(detail, 1);
    bottom->addWidget(futures);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(nameGroup);
    layout->addWidget(pathGroup);
    layout->addWidget(columns);
    layout->addLayout(bottom);
    layout->addWidget(buttons);

    connect(browse_, &QPushButton::clicked, this, &CProfileSettingsDlg::browse);
    connect(buttons, &QDialogButtonBox::accepted, this, &CProfileSettingsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CProfileSettingsDlg::reject);
    applyEnablingRules();
}

void CProfileSettingsDlg::applyEnablingRules()
{
    for (const Optional* field : {&open_, &high_, &low_, &volume_, &openInterest_})
        field->column->setEnabled(field->box->isChecked());
    // Disabling keeps the box's state, and the state is returned as it is.
    priorDay_->setEnabled(volume_.box->isChecked() && openInterest_.box->isChecked());
}

void CProfileSettingsDlg::browse()
{
    if (std::optional<QString> chosen = CChooseDir::choose(this, updatePath_->text()))
        updatePath_->setText(*chosen); // a longer path is refused on Save, never cut
}

qv::ProfileEditorValues CProfileSettingsDlg::values() const
{
    const auto optional = [](const Optional& f) {
        return qv::OptionalColumn{f.box->isChecked(), f.column->typedValue()};
    };
    qv::ProfileEditorValues v;
    v.mode = mode_;
    v.name = name_->text().toStdString();
    v.updatePath = toPath(updatePath_->text());
    v.symbolColumn = symbol_->typedValue();
    v.dateColumn = date_->typedValue();
    v.open = optional(open_);
    v.high = optional(high_);
    v.low = optional(low_);
    v.closeColumn = close_->typedValue();
    v.volume = optional(volume_);
    v.openInterest = optional(openInterest_);
    v.delimiter = delimiter_->checkedId(); // -1 when none is set: refused by the check
    v.dateFormat = dateFormat_->currentIndex() + 1;
    v.priorDay = priorDay_->isChecked();
    return v;
}

QWidget* CProfileSettingsDlg::fieldWidget(qv::ProfileField field) const
{
    using F = qv::ProfileField;
    switch (field) {
    case F::Name: return name_;
    case F::UpdatePath: return updatePath_;
    case F::Symbol: return symbol_;
    case F::Date: return date_;
    case F::Open: return open_.column;
    case F::High: return high_.column;
    case F::Low: return low_.column;
    case F::Close: return close_;
    case F::Volume: return volume_.column;
    case F::OpenInterest: return openInterest_.column;
    case F::Delimiter: return delimiter_->buttons().value(0);
    case F::DateFormat: return dateFormat_;
    case F::None: return nullptr;
    }
    return nullptr;
}

void CProfileSettingsDlg::accept()
{
    const qv::ProfileCheck check = qv::checkProfileSave(values(), existingNames_);
    name_->setText(QString::fromStdString(check.name));
    if (!check.accepted()) {
        MessageBox::warning(this, QString::fromStdString(check.message));
        if (QWidget* w = fieldWidget(check.focus); w && w->isEnabled())
            w->setFocus();
        return;
    }
    savedName_ = check.name;
    savedProfile_ = check.profile;
    QDialog::accept();
}

} // namespace qv::gui
