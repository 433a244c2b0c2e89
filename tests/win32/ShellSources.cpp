// The window shell's sources, built into win32_tests as well: heliotab.exe
// links them without a library of their own. WinMain stays out.
#include "app/ApplyLanguage_win32.cpp"
#include "app/Clock_win32.cpp"
#include "app/MainView_win32.cpp"
#include "app/Pump_win32.cpp"
#include "app/StartupPaths_win32.cpp"
#include "app/clsSideLogo_win32.cpp"
#include "app/ctlTrayIcon_win32.cpp"
#include "app/frmMain_win32.cpp"
#include "app/mdlDraw_win32.cpp"
#include "app/mdlEnumWindows_win32.cpp"
#include "app/mdlMessageBox_win32.cpp"
#include "app/mdlTimer_win32.cpp"
