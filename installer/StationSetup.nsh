; What heliotab.nsi's pages and sections do: the command-line options, the
; checks of every choice, closing a running copy, unpacking through a staging
; folder, HELIOTAB.ini, the autostart entry and the Add/Remove entry.

; --- options and checks ------------------------------------------------------

; $0: a port as typed -> $0: the port as the program writes it (decimal, no
; leading zeros), or "" when it is not a whole number from 0 to 255.
Function NormalisePort
  IntOp $1 $0 + 0
  ; IntOp also reads "0x10", "010" and "3a": only a number that reads back
  ; as typed is a number.
  ${If} "$1" != "$0"
  ${OrIf} $1 < 0
  ${OrIf} $1 > 255
    StrCpy $0 ""
  ${EndIf}
FunctionEnd

; $0: the exchange directory as typed -> without quotes, with one final '\'.
Function NormaliseAccDir
  ; A quoted path keeps its quotes when they are not the option's ends.
  StrCpy $1 $0 1
  ${If} $1 == '"'
    StrCpy $0 $0 "" 1
  ${EndIf}
  StrCpy $1 $0 1 -1
  ${If} $1 == '"'
    StrCpy $0 $0 -1
  ${EndIf}
  StrCpy $1 $0 1 -1
  ${If} $1 != "\"
  ${AndIf} $0 != ""
    StrCpy $0 "$0\"
  ${EndIf}
FunctionEnd

; $0 = 1 when $INSTDIR is a folder the operator's account may write: not a
; drive's root, not under Program Files or Windows (see the README).
Function CheckInstallDir
  StrCpy $0 1
  StrLen $1 $INSTDIR
  ${If} $1 <= 3
    StrCpy $0 0
  ${EndIf}
  !macro REFUSE_UNDER DIR
    StrLen $1 "${DIR}\"
    StrCpy $2 "$INSTDIR\" $1
    ${If} $2 == "${DIR}\"
      StrCpy $0 0
    ${EndIf}
  !macroend
  !insertmacro REFUSE_UNDER "$PROGRAMFILES32"
  !insertmacro REFUSE_UNDER "$PROGRAMFILES64"
  !insertmacro REFUSE_UNDER "$WINDIR"
  ; The same folders by their short names (C:\PROGRA~1).
  GetFullPathName /SHORT $3 "$PROGRAMFILES32"
  !insertmacro REFUSE_UNDER "$3"
  GetFullPathName /SHORT $3 "$PROGRAMFILES64"
  !insertmacro REFUSE_UNDER "$3"
  GetFullPathName /SHORT $3 "$WINDIR"
  !insertmacro REFUSE_UNDER "$3"
FunctionEnd

; Stops the run: a message (silent: none) and the exit code.
!macro FAIL CODE TEXT
  MessageBox MB_ICONSTOP|MB_OK "${TEXT}" /SD IDOK
  SetErrorLevel ${CODE}
!macroend

; /AUTOSTART=1 and the like: 1 selects the section, 0 clears it.
!macro SWITCH_OPTION NAME SECTION
  ClearErrors
  ${GetOptions} $R0 "/${NAME}=" $0
  ${IfNot} ${Errors}
    ${If} $0 == 1
      !insertmacro SelectSection ${SECTION}
    ${ElseIf} $0 == 0
      !insertmacro UnselectSection ${SECTION}
    ${Else}
      !insertmacro FAIL ${EXIT_BAD_OPTION} "$(MsgBadOption) /${NAME}=$0"
      Quit
    ${EndIf}
  ${EndIf}
!macroend

Function ReadOptions
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/PORT=" $0
  ${IfNot} ${Errors}
    Call NormalisePort
    ${If} $0 == ""
      !insertmacro FAIL ${EXIT_BAD_OPTION} "$(MsgBadPort)"
      Quit
    ${EndIf}
    StrCpy $Port $0
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/ACCDIR=" $0
  ${IfNot} ${Errors}
    ${If} $0 == ""
      !insertmacro FAIL ${EXIT_BAD_OPTION} "$(MsgNoAccDir)"
      Quit
    ${EndIf}
    Call NormaliseAccDir
    StrCpy $AccDir $0
  ${EndIf}
  !insertmacro SWITCH_OPTION AUTOSTART ${SecAutostart}
  !insertmacro SWITCH_OPTION STARTMENU ${SecStartMenu}
  !insertmacro SWITCH_OPTION DESKTOP ${SecDesktop}
  !insertmacro SWITCH_OPTION TRAINING ${SecTraining}
FunctionEnd

; Once the folder is known: an upgrade keeps HELIOTAB.ini, and "start with
; Windows" starts as the entry is now.
Function ReadStationState
  StrCpy $Upgrade 0
  ${If} ${FileExists} "$INSTDIR\HELIOTAB.ini"
    StrCpy $Upgrade 1
  ${EndIf}
  ReadRegStr $0 HKLM "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $0 == "$INSTDIR\heliotab.exe"
    !insertmacro SelectSection ${SecAutostart}
  ${EndIf}
  ; So is the training component, so that an upgrade replaces it too.
  ${If} ${FileExists} "$INSTDIR\Training\farsim.exe"
    !insertmacro SelectSection ${SecTraining}
  ${EndIf}
FunctionEnd

Function .onInit
  SetRegView 64
  StrCpy $LANGUAGE ${LANG_ITALIAN}
  StrCpy $AccDir "${DEFAULT_ACC_DIR}"
  StrCpy $Port ""
  ${GetTime} "" "L" $0 $1 $2 $3 $4 $5 $6
  StrCpy $Stamp "$2-$1-$0_$4$5$6"
  ${If} ${Silent}
    Call CheckInstallDir
    ${If} $0 != 1
      !insertmacro FAIL ${EXIT_BAD_OPTION} "$(MsgProtectedDir)"
      Quit
    ${EndIf}
    Call ReadStationState
  ${Else}
    !insertmacro MUI_LANGDLL_DISPLAY
  ${EndIf}
  Call ReadOptions
FunctionEnd

; --- wizard pages ------------------------------------------------------------

Function DirectoryLeave
  Call CheckInstallDir
  ${If} $0 != 1
    MessageBox MB_ICONEXCLAMATION|MB_OK "$(MsgProtectedDir)"
    Abort
  ${EndIf}
  Call ReadStationState
FunctionEnd

Function StationPage
  ; An upgrade keeps HELIOTAB.ini: nothing to ask.
  ${If} $Upgrade == 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "$(PageTitle)" "$(PageSubtitle)"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 24u "$(PageAccDir)"
  Pop $0
  ${NSD_CreateText} 0 26u 100% 12u "$AccDir"
  Pop $AccField
  ${NSD_CreateLabel} 0 50u 100% 24u "$(PagePort)"
  Pop $0
  ${NSD_CreateNumber} 0 76u 40u 12u "$Port"
  Pop $PortField
  nsDialogs::Show
FunctionEnd

Function StationPageLeave
  ${NSD_GetText} $PortField $0
  ${If} $0 != ""
    Call NormalisePort
    ${If} $0 == ""
      MessageBox MB_ICONEXCLAMATION|MB_OK "$(MsgBadPort)"
      Abort
    ${EndIf}
  ${EndIf}
  StrCpy $Port $0
  ${NSD_GetText} $AccField $0
  ${If} $0 == ""
    MessageBox MB_ICONEXCLAMATION|MB_OK "$(MsgNoAccDir)"
    Abort
  ${EndIf}
  Call NormaliseAccDir
  StrCpy $AccDir $0
FunctionEnd

; --- a running copy ----------------------------------------------------------

; An installer never replaces a running exe: a running copy is asked to close
; as its tray menu's "Chiudi" does (an armed test asks its operator first);
; when it is still running after 15 s, the setup stops.
!macro RUNNING_PROGRAM UN
  ; $0 = 1 while a copy runs: its single-instance mutex or its hidden window exists.
  Function ${UN}ProgramRunning
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${APP_MUTEX}") p .r0'
    ${If} $0 != 0
      System::Call 'kernel32::CloseHandle(p r0)'
      StrCpy $0 1
      Return
    ${EndIf}
    FindWindow $0 "ThunderRT6Main" "${MAIN_TITLE}"
    ${If} $0 != 0
      StrCpy $0 1
    ${EndIf}
  FunctionEnd

  Function ${UN}CloseRunningProgram
    StrCpy $1 0 ; tenths of a second waited
    StrCpy $2 0 ; 1 once asked to close
    ${Do}
      Call ${UN}ProgramRunning
      ${IfThen} $0 == 0 ${|} ${ExitDo} ${|}
      FindWindow $0 "${MAIN_CLASS}" "${MAIN_TITLE}"
      ${If} $2 == 0
      ${AndIf} $0 != 0
        System::Call 'user32::PostMessageW(p r0, i ${WM_COMMAND}, p ${IDM_TRAY_CHIUDI}, p 0)'
        StrCpy $2 1
      ${EndIf}
      ${If} $1 >= 150
        !insertmacro FAIL ${EXIT_RUNNING} "$(MsgRunning)"
        Abort
      ${EndIf}
      Sleep 100
      IntOp $1 $1 + 1
    ${Loop}
  FunctionEnd
!macroend
!insertmacro RUNNING_PROGRAM ""
!insertmacro RUNNING_PROGRAM "un."

; --- installing ----------------------------------------------------------------

; $0: a file's path below the folder. Moves it from the staging folder into
; place. With $1 = 1 the station may have changed the installed one (a mask,
; Language.ini): when its time is not the one this setup left, it is kept
; beside as "<name>.<date>_<time>".
Function PlaceFile
  ${If} ${FileExists} "$INSTDIR\$0"
    ReadRegStr $2 HKLM "${UNINST_KEY}" "Installed $0"
    GetFileTime "$INSTDIR\$0" $3 $4
    ${If} $1 == 1
    ${AndIf} $2 != "$3 $4"
      Rename "$INSTDIR\$0" "$INSTDIR\$0.$Stamp"
      DetailPrint "$(MsgKeptCopy) $0.$Stamp"
    ${Else}
      Delete "$INSTDIR\$0"
    ${EndIf}
  ${EndIf}
  ClearErrors
  Rename "${STAGE}\$0" "$INSTDIR\$0"
  ${If} ${Errors}
    !insertmacro FAIL ${EXIT_FILES} "$(MsgFilesFailed) $INSTDIR\$0"
    Abort
  ${EndIf}
  GetFileTime "$INSTDIR\$0" $3 $4
  WriteRegStr HKLM "${UNINST_KEY}" "Installed $0" "$3 $4"
FunctionEnd

!macro PLACE NAME STATION_MAY_CHANGE
  StrCpy $0 "${NAME}"
  StrCpy $1 ${STATION_MAY_CHANGE}
  Call PlaceFile
!macroend

Function BeginStaging
  Call CloseRunningProgram
  ; Everything is unpacked beside the folder's files first: a disk that is
  ; full or read-only stops the setup here, with nothing replaced.
  SetErrorLevel ${EXIT_FILES}
  RMDir /r "${STAGE}"
  ClearErrors
  CreateDirectory "${STAGE}"
  ${If} ${Errors}
    !insertmacro FAIL ${EXIT_FILES} "$(MsgFilesFailed) $INSTDIR"
    Abort
  ${EndIf}
  SetOutPath "${STAGE}"
FunctionEnd

Function PlaceFiles
  ClearErrors
  WriteUninstaller "${STAGE}\uninstall.exe"
  ${If} $Upgrade == 0
    ; The program's own keys, written by the same profile functions it uses.
    ${If} $Port != ""
      WriteINIStr "${STAGE}\HELIOTAB.ini" "Impostazioni" "Porta Seriale" "$Port"
    ${EndIf}
    WriteINIStr "${STAGE}\HELIOTAB.ini" "Percorsi" "Files .ACC" "$AccDir"
  ${EndIf}
  ${If} ${Errors}
    !insertmacro FAIL ${EXIT_FILES} "$(MsgFilesFailed) $INSTDIR"
    Abort
  ${EndIf}

  ${If} $Upgrade == 0
    ClearErrors
    CreateDirectory "$AccDir"
    ${If} ${Errors}
    ${OrIfNot} ${FileExists} "$AccDir*.*"
      !insertmacro FAIL ${EXIT_ACC_DIR} "$(MsgAccDirFailed) $AccDir"
      Abort
    ${EndIf}
    !insertmacro PLACE "HELIOTAB.ini" 0
  ${EndIf}

  SetOutPath "$INSTDIR"
  !insertmacro PLACE "heliotab.exe" 0
  !insertmacro PLACE "heliocheck.exe" 0
  !insertmacro PLACE "uninstall.exe" 0
  !insertmacro PLACE "Language.ini" 1
  !insertmacro PLACE "Accettazione.msk" 1
  !insertmacro PLACE "Veicoli_Leggeri.msk" 1
  !insertmacro PLACE "Veicoli_Pesanti.msk" 1
  ${If} ${SectionIsSelected} ${SecTraining}
    CreateDirectory "$INSTDIR\Training\DIR_FAR"
    !insertmacro PLACE "Training\farsim.exe" 0
    !insertmacro PLACE "Training\demogen.exe" 0
  ${EndIf}
  DeleteRegValue HKLM "${UNINST_KEY}" "Installed HELIOTAB.ini"
  RMDir /r "${STAGE}"
  Call WriteUninstallEntry
  SetErrorLevel 0
FunctionEnd

Function .onInstFailed
  ; Out of the staging folder first: a current directory cannot be removed.
  SetOutPath "$TEMP"
  RMDir /r "${STAGE}"
  ; A folder this setup made stays only if something else is in it.
  RMDir "$INSTDIR"
FunctionEnd

Function WriteUninstallEntry
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "HELIOTAB"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\heliotab.exe,0"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K /G=1" $0 $1 $2
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0
FunctionEnd

Function CreateStartMenuShortcuts
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  CreateDirectory "$SMPROGRAMS\HELIOTAB"
  CreateShortcut "$SMPROGRAMS\HELIOTAB\HELIOTAB.lnk" "$INSTDIR\heliotab.exe" "" \
      "$INSTDIR\heliotab.exe" 0
  CreateShortcut "$SMPROGRAMS\HELIOTAB\$(LnkUninstall).lnk" "$INSTDIR\uninstall.exe"
  ${If} ${SectionIsSelected} ${SecTraining}
    CreateShortcut "$SMPROGRAMS\HELIOTAB\$(LnkDemo).lnk" "$INSTDIR\Training\demogen.exe" \
        '"$INSTDIR\Training\DIR_FAR"'
  ${EndIf}
FunctionEnd

; The entry as the options dialog writes it: the program's path, unquoted.
Function ApplyAutostart
  ${If} ${SectionIsSelected} ${SecAutostart}
    WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" "$INSTDIR\heliotab.exe"
  ${Else}
    Call DeleteOwnAutostart
  ${EndIf}
FunctionEnd

; Only this copy's entry: one of a copy in another folder stays.
!macro DELETE_OWN_AUTOSTART UN
  Function ${UN}DeleteOwnAutostart
    ReadRegStr $0 HKLM "${RUN_KEY}" "${RUN_VALUE}"
    ${If} $0 == "$INSTDIR\heliotab.exe"
      DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro DELETE_OWN_AUTOSTART ""
!insertmacro DELETE_OWN_AUTOSTART "un."

; --- removing ------------------------------------------------------------------

Function un.onInit
  SetRegView 64
  StrCpy $LANGUAGE ${LANG_ITALIAN}
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/PURGE" $0
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecPurge}
  ${EndIf}
FunctionEnd

; The program's files, shortcuts, autostart entry and Add/Remove entry; never
; the exchange directory, result files or dated copies.
Function un.RemoveProgram
  Call un.CloseRunningProgram
  Delete "$INSTDIR\heliotab.exe"
  Delete "$INSTDIR\heliocheck.exe"
  Delete "$INSTDIR\Language.ini"
  Delete "$INSTDIR\Accettazione.msk"
  Delete "$INSTDIR\Veicoli_Leggeri.msk"
  Delete "$INSTDIR\Veicoli_Pesanti.msk"
  Delete "$INSTDIR\Training\farsim.exe"
  Delete "$INSTDIR\Training\demogen.exe"
  Delete "$INSTDIR\uninstall.exe"
  ; The journal is the program's support record; the archive (Archivio) holds
  ; result files and stays.
  Delete "$INSTDIR\HELIOTAB.log"
  Delete "$INSTDIR\HELIOTAB.?.log"
  SetShellVarContext all
  ; The folder is this setup's own; its shortcuts' names are in either language.
  Delete "$SMPROGRAMS\HELIOTAB\*.lnk"
  RMDir "$SMPROGRAMS\HELIOTAB"
  Delete "$DESKTOP\HELIOTAB.lnk"
  Call un.DeleteOwnAutostart
  DeleteRegKey HKLM "${UNINST_KEY}"
FunctionEnd
