// ApplyLanguage for Win32 windows: captions and tooltips from the language
// ids in each control's Tag ("c", "c,t", ",t", "c,"). Windows keep their
// Tags in a table of control id -> Tag text.
#pragma once

#include <windows.h>

#include <optional>
#include <span>
#include <string>

#include "shared/AppState.h"

namespace heliotab {

struct TagEntry {
    int controlId;
    const char* tag;
};

// What a Tag asks for: the caption and/or the tooltip text (GetLangString
// of each id present). Empty Tag: neither.
struct TagTexts {
    std::optional<std::string> caption;
    std::optional<std::string> tooltip;
};
TagTexts TagTextsFor(AppState& st, const std::string& tag);

// A window's own Tag: only the caption part counts, read as a plain value
// (no backslash-n replacement). nullopt when the caption stays.
std::optional<std::string> WindowCaptionFor(AppState& st, const std::string& tag);

// The control with this id anywhere below root (controls may sit on panels).
HWND FindControl(HWND root, int controlId);

// Labels window and its controls from their Tags. Tooltips go to tooltip
// (a TOOLTIPS_CLASS window owned by window; none: tooltips are skipped).
// Tray captions and tip are the main window's: see RelabelTray.
void ApplyTags(AppState& st, HWND window, const std::string& windowTag,
               std::span<const TagEntry> tags, HWND tooltip);

// Sets (adds or updates) the tooltip text of one control.
void SetControlTooltip(HWND tooltip, HWND owner, HWND control, const std::string& text);

// Asks the main window to relabel its tray menu and tray tip from the
// language file (ApplyLanguage on any window refreshes the tray).
void RelabelTray(HWND mainWindow);
inline constexpr UINT kMsgRelabelTray = WM_APP + 4;

} // namespace heliotab
