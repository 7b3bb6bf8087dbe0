#pragma once
// The fixed SQL vocabulary that drives the formatter: five ordered lists of
// upper-case keywords, each entry with a check state the user can change.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

enum class KeywordList { Yoyaku, Kansu, Tandoku, UsiroNo, MaeNo };

enum class CheckState { Unchecked, Checked, Grayed };

class KeywordCatalogue {
public:
    static constexpr int kListCount = 5;
    // Length of a valid stored-state string of the reserved-word and function lists.
    static constexpr int kYoyakuCount = 284;
    static constexpr int kKansuCount = 83;

    KeywordCatalogue(); // every entry Checked

    // Queries. Positions are 1-based, as in the dialog and the stored strings.
    static int Count(KeywordList list);
    static const std::string &Text(KeywordList list, int position);
    bool IsChecked(KeywordList list, int position) const;
    bool ContainsChecked(KeywordList list, std::string_view text) const;
    CheckState State(KeywordList list, int position) const;
    void SetState(KeywordList list, int position, CheckState state);

    // Position (1-based) of the first entry of `list` with the text, or 0.
    static int Find(KeywordList list, std::string_view text);

    // Same check state in every entry of every list.
    bool operator==(const KeywordCatalogue &other) const = default;

    // Operations.
    void CheckAll();

    // The rules of the reserved-word table, one per user action. Reserved words
    // are on or off; a function is off, on, or gray (on, but not in force while
    // its reserved word is off). Each rule leaves the three hidden lists
    // following the reserved words.
    //
    // A click on reserved word `position`: it turns on or off, and the function of
    // the same name follows (gray becomes on, on becomes gray).
    void ClickYoyaku(int position);
    // A click on function `position`: off, gray and on follow in turn; a function
    // that is also a reserved word goes between off and on (gray while the word is off).
    void ClickKansu(int position);
    // "全てチェック" and "全て解除" of the reserved words: every word on (gray
    // functions on) or off (functions that are on go gray).
    void CheckAllYoyaku();
    void UncheckAllYoyaku();
    // "全てチェック" of the functions: every function that is a reserved word on, or
    // gray while its word is off; "全て解除": every function off.
    void CheckAllKansu();
    void UncheckAllKansu();
    // Entries of clbTandoku, clbUsiroNo and clbMaeNo take the state of the
    // reserved word with the same text.
    void MirrorDependentLists();
    // Applies the stored strings; with convertOlderLayout, a state for DECODE is
    // inserted first and the converted strings are written back to the arguments.
    void ApplyStoredStates(std::string &yoyakuStates, std::string &kansuStates, bool convertOlderLayout);
    // Start-up: applies the stored strings when both are non-empty (converting
    // the older layout of settings version "105"), else checks everything.
    void InitialiseFromStored(std::string &yoyakuStates, std::string &kansuStates, const std::string &settingsVersion);
    // The stored strings of clbYoyaku and clbKansu for the current states.
    void BuildStoredStates(std::string &yoyakuStates, std::string &kansuStates) const;

    // Older stored layout (settings version "105"): no character for DECODE.
    static std::string ConvertOlderYoyakuStates(const std::string &states);
    static std::string ConvertOlderKansuStates(const std::string &states);

private:
    static const std::vector<std::string> &Entries(KeywordList list);
    std::vector<CheckState> &States(KeywordList list);
    const std::vector<CheckState> &States(KeywordList list) const;

    std::array<std::vector<CheckState>, kListCount> states_;
};

} // namespace kelvra
