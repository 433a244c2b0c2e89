#include "win32/ApplyLanguage_win32.h"

#include <commctrl.h>

#include "settings/Language.h"

namespace heliotab {

TagTexts TagTextsFor(AppState& st, const std::string& tag) {
    TagTexts texts;
    if (tag.empty())
        return texts;
    const TagIds ids = ParseTag(tag);
    // A part that is not a number leaves that one property unchanged.
    if (ids.caption >= 0)
        texts.caption = GetLangString(st, ids.caption);
    if (ids.tooltip >= 0)
        texts.tooltip = GetLangString(st, ids.tooltip);
    return texts;
}

std::optional<std::string> WindowCaptionFor(AppState& st, const std::string& tag) {
    if (tag.empty())
        return std::nullopt;
    const auto comma = tag.find(',');
    if (comma == std::string::npos)
        return LangValue(st, tag);
    if (comma > 0)
        return LangValue(st, tag.substr(0, comma));
    return std::nullopt;
}

namespace {
struct FindState {
    int id;
    HWND found;
};
BOOL CALLBACK FindChildProc(HWND child, LPARAM param) {
    auto* f = reinterpret_cast<FindState*>(param);
    if (GetDlgCtrlID(child) == f->id) {
        f->found = child;
        return FALSE;
    }
    return TRUE;
}
} // namespace

HWND FindControl(HWND root, int controlId) {
    FindState f{controlId, nullptr};
    EnumChildWindows(root, &FindChildProc, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

void SetControlTooltip(HWND tooltip, HWND owner, HWND control, const std::string& text) {
    if (!tooltip || !control)
        return;
    TTTOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = owner;
    ti.uId = reinterpret_cast<UINT_PTR>(control);
    ti.lpszText = const_cast<char*>(text.c_str());
    // Replace the tool: deleting one that does not exist is harmless.
    SendMessageA(tooltip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void ApplyTags(AppState& st, HWND window, const std::string& windowTag,
               std::span<const TagEntry> tags, HWND tooltip) {
    if (auto caption = WindowCaptionFor(st, windowTag))
        SetWindowTextA(window, caption->c_str());
    for (const TagEntry& entry : tags) {
        HWND control = FindControl(window, entry.controlId);
        if (!control)
            continue;
        const TagTexts texts = TagTextsFor(st, entry.tag ? entry.tag : "");
        if (texts.tooltip)
            SetControlTooltip(tooltip, window, control, *texts.tooltip);
        if (texts.caption)
            SetWindowTextA(control, texts.caption->c_str());
    }
}

void RelabelTray(HWND mainWindow) {
    if (mainWindow && IsWindow(mainWindow))
        SendMessageA(mainWindow, kMsgRelabelTray, 0, 0);
}

} // namespace heliotab
