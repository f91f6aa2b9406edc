#pragma once
// The checks of "Profile Settings" when the user presses Save, without the dialog: the dialog
// (and `profile write` of the command line) gathers its values, calls checkProfileSave, shows
// the message it returns and stays open, or writes the profile it returns.

#include "core/profiles/profile.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv {

enum class ProfileEditMode { New, Clone, Edit };

// The control a failed check puts the focus on.
enum class ProfileField {
    None,
    Name,
    UpdatePath,
    Symbol,
    Date,
    Open,
    High,
    Low,
    Close,
    Volume,
    OpenInterest,
    Delimiter,
    DateFormat,
};

// An optional field of the editor: its check box and its number field. A cleared check box
// keeps the number, which is still range-checked.
struct OptionalColumn {
    bool present = true;
    int column = 1;
};

// What the editor's controls hold.
struct ProfileEditorValues {
    ProfileEditMode mode = ProfileEditMode::New;
    std::string name;
    std::string updatePath;
    int symbolColumn = 1;
    int dateColumn = 2;
    OptionalColumn open{true, 3};
    OptionalColumn high{true, 4};
    OptionalColumn low{true, 5};
    int closeColumn = 6;
    OptionalColumn volume{true, 7};
    OptionalColumn openInterest{true, 8};
    int delimiter = kDelimiterComma;
    int dateFormat = 1;
    bool priorDay = false;
};

// Also the import dialog's texts for the same faults of its values.
inline constexpr std::string_view kPathTooLongMessage = "The Path can be at most 250 characters long";
inline constexpr std::string_view kBadDelimiterMessage = "Choose Comma, Tab or Space as the column delimiter";
inline constexpr std::string_view kBadDateFormatMessage = "Choose one of the twelve date formats";
inline constexpr std::string_view kDuplicateColumnsMessage = "Duplicate columns specified\nCorrect or disable";
inline constexpr std::string_view kNoProfileNameMessage = "You did not enter a Profile name";
inline constexpr std::string_view kInvalidPathMessage = "The Path you specified is invalid";
inline constexpr std::string_view kMissingPathMessage = "The Path to the Update Files does not exist";

struct ProfileCheck {
    std::string message; // the first failure; empty when the profile may be saved
    ProfileField focus = ProfileField::None;
    // The name as the name field shows it afterwards: trimmed of trailing white space once the
    // checks got that far, else as given.
    std::string name;
    Profile profile; // when accepted: the record to write (cleared optional columns are 0)

    bool accepted() const { return message.empty(); }
};

// The editor's fields loaded from a stored profile: an optional column of 1 or more is checked
// with its number; an absent one is cleared and shows 1.
ProfileEditorValues editorValuesFromProfile(const Profile& profile, std::string_view name, ProfileEditMode mode);

// Runs the Save checks in the dialog's order and returns the first failure:
//  1. taking the values: update path at most 250 and name at most 32 characters; the date,
//     open, high, low, close, volume, open-interest columns, the delimiter (0..2) and the
//     symbol column, each column within 1..20 whether its field is enabled or not;
//  2. no two used columns alike (symbol, date, close, and each checked optional field);
//  3. trailing white space removed from the name;
//  4. a name left; it cannot leave the start-up directory or hide itself (no "/", no leading ".");
//  5. an update path of 3 characters or more;
//  6. in New and Clone mode, the name not among existingNames (without regard to case);
//  7. a date format code 1..12, and an update path that names a directory the program may
//     enter. The process's current directory is never changed.
ProfileCheck checkProfileSave(const ProfileEditorValues& values, const std::vector<std::string>& existingNames);

} // namespace qv
