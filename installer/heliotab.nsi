; heliotab-setup-<version>.exe: installs, upgrades and removes HELIOTAB at a
; station. Built by the Windows build (CMake target "installer"):
;   makensis -DBUILD_DIR=<build/win> installer/heliotab.nsi
; The choices it asks for (or takes from the command line when silent) are
; checked before anything is changed; the files are unpacked into a staging
; folder first, so a full or read-only disk leaves the station as it was.
; Pages, strings and sections are here; what they do is in StationSetup.nsh.

Unicode true
; 64-bit stubs: the program is 64-bit, and so are its registry views.
Target amd64-unicode
RequestExecutionLevel admin
ManifestSupportedOS all
SetCompressor /SOLID lzma
; A file that cannot be written stops the installation (never skipped).
AllowSkipFiles off

; makensis works in the script's folder.
!define SRC ".."
!ifndef BUILD_DIR
  !error "BUILD_DIR must name the Windows build folder (heliotab.exe, farsim.exe, demogen.exe)"
!endif
!searchparse /file "${SRC}/src/res/version.h" "#define HELIOTAB_VERSION_MAJOR " V_MAJOR
!searchparse /file "${SRC}/src/res/version.h" "#define HELIOTAB_VERSION_MINOR " V_MINOR
!searchparse /file "${SRC}/src/res/version.h" "#define HELIOTAB_VERSION_PATCH " V_PATCH
!searchparse /file "${SRC}/src/res/version.h" "#define HELIOTAB_VERSION_REVISION " V_REVISION
!define VERSION "${V_MAJOR}.${V_MINOR}.${V_PATCH}.${V_REVISION}"
!define PUBLISHER "HELIOTAB"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\HELIOTAB"
; The options dialog's autostart entry (src/dialogs/mdlRegAccess_win32.h).
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "HELIOTAB"
; The running program: its single-instance mutex, main window and the tray
; menu's close command (src/app/mdlEnumWindows_win32.h, frmMain_win32.h, res/resource.h).
!define APP_MUTEX "Local\HELIOTAB.SingleInstance"
!define MAIN_CLASS "HELIOTAB_frmMain"
!define MAIN_TITLE "HELIOTAB"
!define IDM_TRAY_CHIUDI 1204
!define DEFAULT_ACC_DIR "C:\MCTC\DIR_FAR\"
; New files are unpacked here first, beside the old ones.
!define STAGE "$INSTDIR\~setup"

; Exit codes of a silent run (also set when the wizard stops).
!define EXIT_BAD_OPTION 3
!define EXIT_ACC_DIR 4
!define EXIT_FILES 5
!define EXIT_RUNNING 6

Name "HELIOTAB"
OutFile "${BUILD_DIR}/heliotab-setup-${VERSION}.exe"
InstallDir "C:\HELIOTAB"
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
BrandingText "HELIOTAB ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "HELIOTAB"
VIAddVersionKey /LANG=0 "FileDescription" "HELIOTAB setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"
!include "nsDialogs.nsh"
!include "WinMessages.nsh"

Var AccDir     ; exchange directory, ending in '\'
Var Port       ; tester's COM port; empty: to be found in the options dialog
Var Upgrade    ; 1 when the folder already holds HELIOTAB.ini (kept as it is)
Var Stamp      ; date and time of this run, for the dated copies
Var AccField
Var PortField

!define MUI_ICON "${SRC}/src/res/heliotab.ico"
!define MUI_UNICON "${SRC}/src/res/heliotab.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
Page custom StationPage StationPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; Italian first: the default.
!insertmacro MUI_LANGUAGE "Italian"
!insertmacro MUI_LANGUAGE "English"

LangString SecProgram ${LANG_ITALIAN} "HELIOTAB (programma, lingue, maschere)"
LangString SecProgram ${LANG_ENGLISH} "HELIOTAB (program, languages, masks)"
LangString SecStartMenu ${LANG_ITALIAN} "Collegamenti nel menu Start"
LangString SecStartMenu ${LANG_ENGLISH} "Start menu shortcuts"
LangString SecDesktop ${LANG_ITALIAN} "Collegamento sul desktop"
LangString SecDesktop ${LANG_ENGLISH} "Desktop shortcut"
LangString SecAutostart ${LANG_ITALIAN} "Avvia con Windows"
LangString SecAutostart ${LANG_ENGLISH} "Start with Windows"
LangString SecTraining ${LANG_ITALIAN} "Addestramento (simulatore del provafari, cartella demo)"
LangString SecTraining ${LANG_ENGLISH} "Training (headlight tester simulator, demo folder)"
LangString SecPurge ${LANG_ITALIAN} "Elimina anche le impostazioni (HELIOTAB.ini)"
LangString SecPurge ${LANG_ENGLISH} "Also delete the settings (HELIOTAB.ini)"
LangString LnkUninstall ${LANG_ITALIAN} "Disinstalla HELIOTAB"
LangString LnkUninstall ${LANG_ENGLISH} "Uninstall HELIOTAB"
LangString LnkDemo ${LANG_ITALIAN} "Prenotazioni demo di oggi"
LangString LnkDemo ${LANG_ENGLISH} "Today's demo reservations"
LangString PageTitle ${LANG_ITALIAN} "Postazione"
LangString PageTitle ${LANG_ENGLISH} "Station"
LangString PageSubtitle ${LANG_ITALIAN} "Cartella di scambio e porta del provafari."
LangString PageSubtitle ${LANG_ENGLISH} "Exchange directory and the headlight tester's port."
LangString PageAccDir ${LANG_ITALIAN} "Cartella di scambio delle prenotazioni (.ACC) e dei risultati (.FAR); viene creata se manca:"
LangString PageAccDir ${LANG_ENGLISH} "Exchange directory of the reservations (.ACC) and results (.FAR); created when missing:"
LangString PagePort ${LANG_ITALIAN} "Porta COM del provafari (numero da 1 a 255). Lasciare vuoto per cercarla poi nelle Opzioni del programma:"
LangString PagePort ${LANG_ENGLISH} "The headlight tester's COM port (a number from 1 to 255). Leave it empty to find it later in the program's options:"
LangString MsgBadPort ${LANG_ITALIAN} "La porta COM deve essere un numero da 0 a 255."
LangString MsgBadPort ${LANG_ENGLISH} "The COM port must be a number from 0 to 255."
LangString MsgBadOption ${LANG_ITALIAN} "Opzione non valida:"
LangString MsgBadOption ${LANG_ENGLISH} "Invalid option:"
LangString MsgNoAccDir ${LANG_ITALIAN} "Indicare la cartella di scambio."
LangString MsgNoAccDir ${LANG_ENGLISH} "Please give the exchange directory."
LangString MsgAccDirFailed ${LANG_ITALIAN} "Impossibile creare la cartella di scambio:"
LangString MsgAccDirFailed ${LANG_ENGLISH} "The exchange directory cannot be created:"
LangString MsgProtectedDir ${LANG_ITALIAN} "HELIOTAB scrive le impostazioni e i risultati temporanei nella propria cartella, che deve quindi essere scrivibile dall'utente della postazione. Non può essere installato nei Programmi, nella cartella di Windows o nella radice di un disco. Scegliere un'altra cartella (ad esempio C:\HELIOTAB)."
LangString MsgProtectedDir ${LANG_ENGLISH} "HELIOTAB writes its settings and temporary results in its own folder, which the station's user must therefore be able to write. It cannot be installed under Program Files, in the Windows folder or in the root of a drive. Please choose another folder (for example C:\HELIOTAB)."
LangString MsgFilesFailed ${LANG_ITALIAN} "Impossibile scrivere i file nella cartella (disco pieno o di sola lettura?). Nulla è stato modificato:"
LangString MsgFilesFailed ${LANG_ENGLISH} "The files cannot be written into the folder (disk full or read-only?). Nothing was changed:"
LangString MsgRunning ${LANG_ITALIAN} "HELIOTAB è in esecuzione e non si è chiuso (forse un test è in corso). Chiudere HELIOTAB e avviare di nuovo il programma di installazione."
LangString MsgRunning ${LANG_ENGLISH} "HELIOTAB is running and did not close (a test may be in progress). Please close HELIOTAB and run the setup again."
LangString MsgKeptCopy ${LANG_ITALIAN} "File modificato nella postazione, conservato come:"
LangString MsgKeptCopy ${LANG_ENGLISH} "File changed at the station, kept as:"

; The two sections with files unpack them into the staging folder; "-Place"
; puts everything in place once all of it is there.
Section "!$(SecProgram)" SecProgram
  SectionIn RO
  Call BeginStaging
  File "${BUILD_DIR}/heliotab.exe"
  File "${BUILD_DIR}/heliocheck.exe"
  File "${SRC}/data/Language.ini"
  File "${SRC}/data/Accettazione.msk"
  File "${SRC}/data/Veicoli_Leggeri.msk"
  File "${SRC}/data/Veicoli_Pesanti.msk"
SectionEnd

Section /o "$(SecTraining)" SecTraining
  SetOutPath "${STAGE}\Training"
  File "${BUILD_DIR}/farsim.exe"
  File "${BUILD_DIR}/demogen.exe"
SectionEnd

Section "-Place"
  Call PlaceFiles
SectionEnd

Section "$(SecStartMenu)" SecStartMenu
  Call CreateStartMenuShortcuts
SectionEnd

Section "$(SecDesktop)" SecDesktop
  SetShellVarContext all
  CreateShortcut "$DESKTOP\HELIOTAB.lnk" "$INSTDIR\heliotab.exe" "" "$INSTDIR\heliotab.exe" 0
SectionEnd

Section /o "$(SecAutostart)" SecAutostart
SectionEnd

Section "-Autostart"
  Call ApplyAutostart
SectionEnd

Section "un.$(SecProgram)" UnSecProgram
  SectionIn RO
  Call un.RemoveProgram
SectionEnd

Section /o "un.$(SecPurge)" UnSecPurge
  Delete "$INSTDIR\HELIOTAB.ini"
SectionEnd

Section "-un.Folder"
  ; Only when empty: result files, dated copies and anything of the station's stay.
  RMDir "$INSTDIR\Training\DIR_FAR"
  RMDir "$INSTDIR\Training"
  RMDir "$INSTDIR"
SectionEnd

!include "StationSetup.nsh"
