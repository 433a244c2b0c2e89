#include "output/clsCommonDialog_win32.h"

#include <commdlg.h>
#include <winspool.h>

#include <cstring>
#include <utility>

#include "shared/AsciiText.h"
#include "win32/ScopedWin_win32.h"

namespace heliotab {

namespace {

using ScopedPrinter = Scoped<HANDLE, ClosePrinter>;

// What the spooler knows of one printer: driver, port, its default settings.
struct PrinterInfo {
    std::string driver, port;
    std::vector<BYTE> devMode;
};

bool ReadPrinterInfo(const std::string& name, PrinterInfo& info) {
    HANDLE raw = nullptr;
    if (name.empty() || !OpenPrinterA(const_cast<char*>(name.c_str()), &raw, nullptr))
        return false;
    ScopedPrinter printer(raw);
    DWORD needed = 0;
    GetPrinterA(raw, 2, nullptr, 0, &needed);
    if (needed == 0)
        return false;
    std::vector<BYTE> buffer(needed);
    if (!GetPrinterA(raw, 2, buffer.data(), needed, &needed))
        return false;
    const auto* p2 = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    info.driver = p2->pDriverName ? p2->pDriverName : "";
    info.port = p2->pPortName ? p2->pPortName : "";
    if (p2->pDevMode) {
        const BYTE* dm = reinterpret_cast<const BYTE*>(p2->pDevMode);
        info.devMode.assign(dm, dm + p2->pDevMode->dmSize + p2->pDevMode->dmDriverExtra);
    }
    return true;
}

ScopedGlobal GlobalCopy(const void* data, size_t size) {
    ScopedGlobal g(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    GlobalView<BYTE> view(g.Get());
    if (!view.Get())
        return ScopedGlobal();
    std::memcpy(view.Get(), data, size);
    return g;
}

// The dialog's device-mode block: the current printer's name (31 characters
// at most) and the settings the report cares about, each taken only when the
// printer reports it; copies from the dialog's own number.
ScopedGlobal DevModeBlock(const std::string& name, const std::vector<BYTE>& settings,
                          short copies) {
    DEVMODEA dm{};
    dm.dmSize = sizeof dm;
    dm.dmSpecVersion = DM_SPECVERSION;
    lstrcpynA(reinterpret_cast<char*>(dm.dmDeviceName), name.c_str(), 32);
    dm.dmFields = DM_COPIES;
    dm.dmCopies = copies;
    if (settings.size() >= offsetof(DEVMODEA, dmICMMethod)) {
        const auto* from = reinterpret_cast<const DEVMODEA*>(settings.data());
        const DWORD has = from->dmFields;
        auto take = [&](DWORD field, auto& to, auto value) {
            if (!(has & field))
                return;
            to = value;
            dm.dmFields |= field;
        };
        take(DM_ORIENTATION, dm.dmOrientation, from->dmOrientation);
        take(DM_PAPERSIZE, dm.dmPaperSize, from->dmPaperSize);
        take(DM_SCALE, dm.dmScale, from->dmScale);
        take(DM_DEFAULTSOURCE, dm.dmDefaultSource, from->dmDefaultSource);
        take(DM_PRINTQUALITY, dm.dmPrintQuality, from->dmPrintQuality);
        take(DM_COLOR, dm.dmColor, from->dmColor);
        take(DM_DUPLEX, dm.dmDuplex, from->dmDuplex);
    }
    return GlobalCopy(&dm, sizeof dm);
}

// Driver, device and port, each NUL-ended, after the offsets; not the default.
ScopedGlobal DevNamesBlock(const std::string& driver, const std::string& device,
                           const std::string& port) {
    std::vector<char> block(sizeof(DEVNAMES));
    auto add = [&](const std::string& s) {
        const WORD at = static_cast<WORD>(block.size());
        block.insert(block.end(), s.begin(), s.end());
        block.push_back('\0');
        return at;
    };
    DEVNAMES names{};
    names.wDriverOffset = add(driver);
    names.wDeviceOffset = add(device);
    names.wOutputOffset = add(port);
    names.wDefault = 0;
    std::memcpy(block.data(), &names, sizeof names);
    return GlobalCopy(block.data(), block.size());
}

// The name of the printer chosen in the dialog, in upper case.
std::string ChosenName(HGLOBAL devNames, HGLOBAL devMode) {
    if (GlobalView<DEVNAMES> names(devNames); names.Get())
        return UpperAscii(reinterpret_cast<const char*>(names.Get()) + names->wDeviceOffset);
    if (GlobalView<DEVMODEA> dm(devMode); dm.Get()) {
        char name[CCHDEVICENAME + 1] = "";
        std::memcpy(name, dm->dmDeviceName, CCHDEVICENAME);
        return UpperAscii(name);
    }
    return "";
}

} // namespace

std::vector<std::string> InstalledPrinters() {
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0, count = 0;
    EnumPrintersA(flags, nullptr, 4, nullptr, 0, &needed, &count);
    std::vector<std::string> names;
    if (needed == 0)
        return names;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersA(flags, nullptr, 4, buffer.data(), needed, &needed, &count))
        return names;
    const auto* info = reinterpret_cast<const PRINTER_INFO_4A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (info[i].pPrinterName)
            names.emplace_back(info[i].pPrinterName);
    return names;
}

std::string CurrentPrinterName(const CurrentPrinter& current) {
    if (!current.name.empty())
        return current.name;
    char name[256] = "";
    DWORD size = sizeof name;
    return GetDefaultPrinterA(name, &size) ? std::string(name) : std::string();
}

bool clsCommonDialog::ShowPrinter(CurrentPrinter& current) {
    ExtendedError = 0;
    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = Parent;
    pd.Flags = values.Flags();
    pd.nFromPage = static_cast<WORD>(values.FromPage());
    pd.nToPage = static_cast<WORD>(values.ToPage());
    pd.nMinPage = static_cast<WORD>(values.Min());
    pd.nMaxPage = static_cast<WORD>(values.Max());
    pd.nCopies = static_cast<WORD>(values.Copies());

    const std::string name = CurrentPrinterName(current);
    PrinterInfo info;
    ScopedGlobal devMode, devNames;
    if (ReadPrinterInfo(name, info)) {
        devMode = DevModeBlock(name, current.devMode.empty() ? info.devMode : current.devMode,
                               values.Copies());
        devNames = DevNamesBlock(info.driver, name, info.port);
    }
    pd.hDevMode = devMode.Release();
    pd.hDevNames = devNames.Release();

    const BOOL ok = PrintDlgA(&pd);
    // The dialog may have replaced both blocks; these are the ones to free.
    devMode.Reset(pd.hDevMode);
    devNames.Reset(pd.hDevNames);
    const ScopedDC printerDC(pd.hDC); // unused: only the choices are kept

    if (!ok) {
        ExtendedError = CommDlgExtendedError();
        return false;
    }
    values.SetFlags(pd.Flags);
    values.SetMin(static_cast<int16_t>(pd.nMinPage));
    values.SetMax(static_cast<int16_t>(pd.nMaxPage));
    values.SetFromPage(static_cast<int16_t>(pd.nFromPage));
    values.SetToPage(static_cast<int16_t>(pd.nToPage));
    values.SetCopies(static_cast<int16_t>(pd.nCopies));

    // The dialog's settings (copies, duplex, orientation, colour, paper
    // source, quality, size, scale) go with the printer chosen.
    std::vector<BYTE> settings;
    if (GlobalView<DEVMODEA> dm(devMode.Get()); dm.Get()) {
        const BYTE* bytes = reinterpret_cast<const BYTE*>(dm.Get());
        settings.assign(bytes, bytes + dm->dmSize + dm->dmDriverExtra);
    }
    TakePrinterChoice(current, name, ChosenName(devNames.Get(), devMode.Get()), InstalledPrinters(),
                      std::move(settings));
    return true;
}

} // namespace heliotab
