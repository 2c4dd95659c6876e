#pragma once

#include "html/LinkFilters.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quarlo {

// The two URL filter lists of a profile, named "Inc" and "Ex" by the task editor.
enum class FilterKind : std::uint8_t { Include, Exclude };

std::string_view filterKindName(FilterKind kind); // "Inc" or "Ex"
std::optional<FilterKind> filterKindFromName(std::string_view name);

// The scope of a tag text "[AL]", "[PL]" or "[RL]"; Untagged for anything else.
FilterScope scopeOfTag(std::string_view tag);

// The catalogue number of the dialog's label for a kind and scope tag: 747 to 749 for
// include with [AL], [PL], [RL], 750 to 752 for exclude; 0 when the tag is none of them.
int urlFilterLabelNumber(FilterKind kind, std::string_view tag);
// The dialog's label: the catalogue text of urlFilterLabelNumber(), or the form's own label
// when there is none.
std::string urlFilterLabel(FilterKind kind, std::string_view tag);
// The form's own label.
std::string_view defaultUrlFilterLabel();

// The headings above the task editor's include and exclude lists.
std::string_view urlFilterListHeading(FilterKind kind);
// The captions of the editor's "Add" menu ("Page links must not contain...").
std::string_view urlFilterMenuCaption(FilterKind kind, FilterScope scope);

// The scope tag the editor opens "Edit..." with for the selected entry: the entry's own tag
// when it has one, else the first of [AL], [PL], [RL] that any entry of the list holds; ""
// when none does (the dialog is then not opened).
std::string editScopeTag(const std::vector<std::string>& list, std::size_t selected);

// The URL filter dialog without its window: caption, label and the state of its OK button.
// Adding an entry stores the scope tag followed by the typed text; editing presets the box
// with the entry's whole text and stores the box as it stands.
class UrlFilterDialog {
public:
    static UrlFilterDialog forAdd(FilterKind kind, std::string tag);
    static UrlFilterDialog forEdit(FilterKind kind, std::string tag, std::string entry);

    std::string_view caption() const { return "Add URL Filter"; }
    std::string label() const { return urlFilterLabel(m_kind, m_tag); }
    FilterKind kind() const { return m_kind; }
    const std::string& tag() const { return m_tag; }
    bool editing() const { return m_editing; }

    const std::string& text() const { return m_text; }
    void setText(std::string text) { m_text = std::move(text); }
    // OK is enabled only while the box is not empty.
    bool okEnabled() const { return !m_text.empty(); }
    // What the list receives on OK.
    std::string entry() const;

private:
    UrlFilterDialog(FilterKind kind, std::string tag, std::string text, bool editing);

    FilterKind m_kind;
    std::string m_tag;
    std::string m_text;
    bool m_editing;
};

} // namespace quarlo
