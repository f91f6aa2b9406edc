#include "core/profiles/profile_check.h"

#include "core/platform/files.h"
#include "core/store/encodings.h"

#include <unistd.h>

#include <array>

namespace qv {

namespace {

constexpr std::string_view kNameTooLongMessage = "A Profile name can be at most 32 characters long";
constexpr std::string_view kBadNameMessage = "A Profile name cannot contain \"/\" or begin with \".\"";

struct ColumnField {
    ProfileField field;
    std::string_view label; // as the dialog labels the field
    int column;
};

bool inColumnRange(int column) { return column >= 1 && column <= kMaxProfileColumn; }

ProfileCheck failure(ProfileCheck check, std::string_view message, ProfileField focus)
{
    check.message = message;
    check.focus = focus;
    return check;
}

std::string existingNameMessage(std::string_view name)
{
    return "Your request was to create or clone a Profile\nbut the Profile name " + std::string(name) +
           " already exists.\nChoose a different Profile name.";
}

// "Can it be made the current directory": a directory with search permission. Asked without
// chdir, which would move every thread of the program.
bool canEnter(const std::string& path) { return isDirectory(path) && ::access(path.c_str(), X_OK) == 0; }

int storedColumn(const OptionalColumn& field) { return field.present ? field.column : 0; }

} // namespace

ProfileEditorValues editorValuesFromProfile(const Profile& profile, std::string_view name, ProfileEditMode mode)
{
    const auto optional = [](int column) {
        return column >= 1 ? OptionalColumn{true, column} : OptionalColumn{false, 1};
    };
    ProfileEditorValues values;
    values.mode = mode;
    values.name = std::string(name);
    values.updatePath = profile.updatePath;
    values.symbolColumn = profile.symbolColumn;
    values.dateColumn = profile.dateColumn;
    values.open = optional(profile.openColumn);
    values.high = optional(profile.highColumn);
    values.low = optional(profile.lowColumn);
    values.closeColumn = profile.closeColumn;
    values.volume = optional(profile.volumeColumn);
    values.openInterest = optional(profile.openInterestColumn);
    values.delimiter = profile.delimiter;
    values.dateFormat = profile.dateFormat;
    values.priorDay = profile.priorDay;
    return values;
}

ProfileCheck checkProfileSave(const ProfileEditorValues& values, const std::vector<std::string>& existingNames)
{
    ProfileCheck check;
    check.name = values.name;

    // 1. The values in the order the dialog takes them from its controls.
    if (values.updatePath.size() > kMaxUpdatePathLength) {
        return failure(check, kPathTooLongMessage, ProfileField::UpdatePath);
    }
    if (values.name.size() > kMaxProfileNameLength)
        return failure(check, kNameTooLongMessage, ProfileField::Name);
    const std::array<ColumnField, 7> takenFirst = {{
        {ProfileField::Date, "Date", values.dateColumn},
        {ProfileField::Open, "Open", values.open.column},
        {ProfileField::High, "High", values.high.column},
        {ProfileField::Low, "Low", values.low.column},
        {ProfileField::Close, "Close", values.closeColumn},
        {ProfileField::Volume, "Volume", values.volume.column},
        {ProfileField::OpenInterest, "Open Int", values.openInterest.column},
    }};
    const auto rangeFailure = [&check](const ColumnField& field) {
        return failure(check, "Enter a column number from 1 to 20 for " + std::string(field.label), field.field);
    };
    for (const ColumnField& field : takenFirst) {
        if (!inColumnRange(field.column))
            return rangeFailure(field);
    }
    if (values.delimiter < kDelimiterComma || values.delimiter > kDelimiterSpace) {
        return failure(check, kBadDelimiterMessage, ProfileField::Delimiter);
    }
    if (!inColumnRange(values.symbolColumn)) {
        return rangeFailure({ProfileField::Symbol, "Symbol", values.symbolColumn});
    }

    // 2. Every used column takes a slot; a slot already taken is a duplicate.
    std::array<bool, kMaxProfileColumn + 1> taken{};
    bool duplicate = false;
    const auto use = [&](int column) {
        if (taken[static_cast<std::size_t>(column)])
            duplicate = true;
        taken[static_cast<std::size_t>(column)] = true;
    };
    use(values.symbolColumn);
    use(values.dateColumn);
    use(values.closeColumn);
    for (const OptionalColumn* field :
         {&values.open, &values.high, &values.low, &values.volume, &values.openInterest}) {
        if (field->present)
            use(field->column);
    }
    if (duplicate)
        return failure(check, kDuplicateColumnsMessage, ProfileField::None);

    // 3. and 4.
    check.name = trimProfileName(values.name);
    if (check.name.empty())
        return failure(check, kNoProfileNameMessage, ProfileField::Name);
    // Such a name would write its file outside the start-up directory, or one that the
    // profile list never shows.
    if (!isProfileFileName(check.name) || check.name.front() == '.') {
        return failure(check, kBadNameMessage, ProfileField::Name);
    }

    // 5.
    if (values.updatePath.size() < 3)
        return failure(check, kInvalidPathMessage, ProfileField::UpdatePath);

    // 6. Editing may overwrite any profile; creating may not.
    if (values.mode != ProfileEditMode::Edit && findProfileName(existingNames, check.name)) {
        return failure(check, existingNameMessage(check.name), ProfileField::Name);
    }

    // 7.
    if (values.dateFormat < 1 || values.dateFormat > kDateFormatCount) {
        return failure(check, kBadDateFormatMessage, ProfileField::DateFormat);
    }
    if (!canEnter(values.updatePath))
        return failure(check, kMissingPathMessage, ProfileField::UpdatePath);

    Profile& profile = check.profile;
    profile.symbolColumn = values.symbolColumn;
    profile.dateColumn = values.dateColumn;
    profile.openColumn = storedColumn(values.open);
    profile.highColumn = storedColumn(values.high);
    profile.lowColumn = storedColumn(values.low);
    profile.closeColumn = values.closeColumn;
    profile.volumeColumn = storedColumn(values.volume);
    profile.openInterestColumn = storedColumn(values.openInterest);
    profile.priorDay = values.priorDay;
    profile.dateFormat = values.dateFormat;
    profile.delimiter = values.delimiter;
    profile.updatePath = values.updatePath;
    return check;
}

} // namespace qv
