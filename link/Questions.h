#pragma once

#include <QString>

// The questions a core feature may put to the engineer. A caller without a person in front of
// it (velt-cli, a test) answers by the kind, never by the wording.
enum class Question {
    // Before an upload: the project breaks a rule that stops it; the answer changes nothing.
    ProjectFault,
    // Before an upload: the project check found only warnings. Yes sends it.
    UploadWarnings,
    // The controller keeps no rings: Yes writes the first ring alone.
    OneRing,
    // A download would replace unsaved edits.
    ReplaceModified,
    // The controller is still in test mode.
    LeaveTestMode,
    // The service features' own Yes/No questions (erase the flash, erase the journal ...).
    Confirm,
};

// The one way a core feature reaches the person at the window. The window shows a modal box;
// whoever gives none gets No and is told nothing.
class Questions
{
public:
    virtual ~Questions() = default;
    // A modal question with Yes and No; true for Yes.
    virtual bool ask(Question kind, const QString &caption, const QString &text) = 0;
};

// Without anyone to answer, the answer is No.
[[nodiscard]] inline bool askYes(Questions *questions, Question kind, const QString &caption,
                                 const QString &text)
{
    return questions && questions->ask(kind, caption, text);
}
