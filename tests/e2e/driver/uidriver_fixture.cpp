// A stand-in window tree for the driver's own tests: the same outside shape as the
// program (hidden ThunderRT6Main owner, main window with label, combo box, toolbar,
// status bar, message boxes), so every driver command can be checked under Wine
// without the program.
//
//   uidriver fixture app [TITLE]      runs until closed; Esc (any control) closes it
//   uidriver fixture msgbox TEXT TITLE STYLE   prints the button that answered it
//   uidriver fixture serial N HEX WAIT_MS       opens COMn (9600 8N1), sends the bytes,
//                                               prints what arrives within WAIT_MS
#include "uidriver.h"

#include <commctrl.h>

#include <cstdio>

namespace uidriver {
namespace {

enum : int {
    kLabelId = 302, kComboId = 303, kStatusId = 350, kToolbarId = 360,
    kCmdAsk = 1003, kCmdQuit = 1005, kCmdDisabled = 1002,
};

struct Fixture {
    HWND combo = nullptr, status = nullptr;
};

void SetPanel(const Fixture* fx, int index, const char* text) {
    SendMessageA(fx->status, SB_SETTEXTA, index, reinterpret_cast<LPARAM>(text));
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* fx = reinterpret_cast<Fixture*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_COMMAND:
        if (LOWORD(wp) == kComboId && HIWORD(wp) == CBN_SELCHANGE) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "sel %d",
                          static_cast<int>(SendMessageW(fx->combo, CB_GETCURSEL, 0, 0)));
            SetPanel(fx, 0, buf);
        } else if (LOWORD(wp) == kComboId && HIWORD(wp) == CBN_DROPDOWN) {
            SetPanel(fx, 1, "dropped");
        } else if (LOWORD(wp) == kCmdAsk) {
            int r = MessageBoxA(hwnd, "Fermare il test?", "Domanda", MB_YESNO | MB_ICONQUESTION);
            SetPanel(fx, 0, r == IDYES ? "answer yes" : "answer no");
        } else if (LOWORD(wp) == kCmdQuit) {
            DestroyWindow(hwnd);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

int RunApp(const std::wstring& title) {
    HINSTANCE inst = GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSW app{};
    app.lpfnWndProc = DefWindowProcW;
    app.hInstance = inst;
    app.lpszClassName = L"ThunderRT6Main";
    RegisterClassW(&app);
    WNDCLASSW main{};
    main.lpfnWndProc = MainProc;
    main.hInstance = inst;
    main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    main.lpszClassName = L"UidriverFixtureMain";
    RegisterClassW(&main);

    HWND hidden = CreateWindowW(L"ThunderRT6Main", title.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, inst, nullptr);
    HWND hwnd = CreateWindowW(L"UidriverFixtureMain", title.c_str(), WS_OVERLAPPEDWINDOW, 50, 50, 600, 400,
                              hidden, nullptr, inst, nullptr);
    Fixture fx;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&fx));
    CreateWindowW(L"Static", L"Revisione in Corso:", WS_CHILD | WS_VISIBLE, 10, 50, 150, 20, hwnd,
                  reinterpret_cast<HMENU>(kLabelId), inst, nullptr);
    fx.combo = CreateWindowW(L"ComboBox", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | WS_VSCROLL, 170, 50,
                             200, 200, hwnd, reinterpret_cast<HMENU>(kComboId), inst, nullptr);
    const wchar_t* items[] = {L"24000001.ACC", L"24000002.ACC", L"Citt\u00e0 \u00e8"};
    for (auto* item : items) SendMessageW(fx.combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));

    HWND tb = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | TBSTYLE_LIST, 0, 0, 0, 0,
                              hwnd, reinterpret_cast<HMENU>(kToolbarId), inst, nullptr);
    SendMessageW(tb, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBBUTTON buttons[] = {
        {I_IMAGENONE, 1001, TBSTATE_ENABLED | TBSTATE_HIDDEN, BTNS_BUTTON, {}, 0, reinterpret_cast<INT_PTR>(L"Test")},
        {I_IMAGENONE, kCmdDisabled, 0, BTNS_BUTTON, {}, 0, reinterpret_cast<INT_PTR>(L"Ferma")},
        {I_IMAGENONE, kCmdAsk, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, reinterpret_cast<INT_PTR>(L"Opzioni")},
        {I_IMAGENONE, kCmdQuit, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, reinterpret_cast<INT_PTR>(L"Esci")},
    };
    SendMessageW(tb, TB_ADDBUTTONSW, 4, reinterpret_cast<LPARAM>(buttons));
    SendMessageW(tb, TB_AUTOSIZE, 0, 0);

    fx.status = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd,
                                reinterpret_cast<HMENU>(kStatusId), inst, nullptr);
    int parts[] = {200, 350, 450, -1};
    SendMessageW(fx.status, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(parts));
    SetPanel(&fx, 0, "Stato iniziale");
    SetPanel(&fx, 1, "Nessuna porta \xe8");
    SetPanel(&fx, 2, "06/12/2026");
    SetPanel(&fx, 3, "");

    ShowWindow(hwnd, SW_SHOW);
    SetFocus(fx.combo);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Esc closes the window whichever control has the focus.
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE && IsWindow(hwnd)) {
            DestroyWindow(hwnd);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    DestroyWindow(hidden);
    return kOk;
}

int RunSerial(const std::vector<std::wstring>& args) {
    std::wstring name = L"\\\\.\\COM" + args[1];
    HANDLE h = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        PrintRecord("error", {{"reason", "open"}, {"code", std::to_string(GetLastError())}});
        return kFailed;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(h, &dcb);
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fOutX = dcb.fInX = FALSE;
    SetCommState(h, &dcb);
    COMMTIMEOUTS to{};
    to.ReadIntervalTimeout = 10;
    to.ReadTotalTimeoutConstant = 100;
    SetCommTimeouts(h, &to);
    std::string out;
    const std::wstring& hex = args[2];
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(std::wstring(hex, i, 2), nullptr, 16));
    DWORD n = 0;
    WriteFile(h, out.data(), static_cast<DWORD>(out.size()), &n, nullptr);
    std::string got;
    ULONGLONG end = GetTickCount64() + _wtoi(args[3].c_str());
    while (GetTickCount64() < end) {
        char buf[256];
        DWORD r = 0;
        if (!ReadFile(h, buf, sizeof buf, &r, nullptr)) break;
        got.append(buf, r);
    }
    CloseHandle(h);
    std::string hexOut;
    for (unsigned char c : got) {
        char b[4];
        std::snprintf(b, sizeof b, "%02x", c);
        hexOut += b;
    }
    PrintRecord("serial", {{"sent", std::to_string(n)}, {"read", hexOut}});
    return kOk;
}

}  // namespace

int RunFixture(const std::vector<std::wstring>& args) {
    if (!args.empty() && args[0] == L"app") return RunApp(args.size() > 1 ? args[1] : L"HELIOTAB-FIXTURE");
    if (args.size() == 4 && args[0] == L"msgbox") {
        int r = MessageBoxW(nullptr, args[1].c_str(), args[2].c_str(), _wtoi(args[3].c_str()));
        PrintRecord("answer", {{"value", std::to_string(r)}});
        return kOk;
    }
    if (args.size() == 4 && args[0] == L"serial") return RunSerial(args);
    std::fprintf(stderr, "uidriver: fixture app [TITLE] | fixture msgbox TEXT TITLE STYLE | fixture serial N HEX MS\n");
    return kUsage;
}

}  // namespace uidriver
