// Symbolic ids of heliotab.exe's resources and of the main window's controls.
//
// Main window (class "HELIOTAB_frmMain", caption "HELIOTAB"), owned by the
// hidden application window (class "ThunderRT6Main", text "HELIOTAB").
// The end-to-end UI driver finds controls with GetDlgItem(main, IDC_MAIN_...)
// (the toolbar, panel and combo are nested: see below).
//
//   1000 picLogo            owner-drawn STATIC, child of main
//   1001 clbMain            ReBarWindow32, child of main
//   1002 tlbMain            ToolbarWindow32, child of clbMain
//   1003 picRevisione       "HELIOTAB_Panel", child of tlbMain
//   1004 lblRevisione       STATIC, child of picRevisione
//   1005 cboRevisione       COMBOBOX (drop-down list), child of picRevisione;
//                           its WM_COMMAND notifications may be sent to
//                           picRevisione or to main, both are handled
//   1010 fraVehicleSpecs    1011-1013 lblAutoMarca/Modello/Targa, 1014-1016 lblDatiVeicolo(0..2)
//   1020 fraOperatorSpecs   1021 lblNomeOperatore, 1022 lblDatiOperatore
//   1030 fraFARSpecs        1031-1036 lblAppMarca/Modello/Omologazione/NSerie/Versione/Scadenza,
//                           1040-1045 lblDatiApp(0..5)
//   1050 sbrMain            msctls_statusbar32, parts 0 Stato, 1 PortaCOM, 2 date, 3 time
//
// Toolbar buttons are commands 1101-1105 (Test, Ferma, Opzioni, Info, Esci):
// WM_COMMAND with that id to the main window (or to clbMain, which passes it on).
// Tray menu commands 1201-1204 are WM_COMMAND to the main window as well.
#pragma once

#define IDI_HELIOTAB 101    // program icon (window, tray)
#define IDB_CAPTION 201     // caption image of the options dialog and the about box
#define IDB_TOOLBAR 202     // toolbar images, 24 x 24 each, magenta mask
#define IDB_TOOLBAR_HOT 203 // the same, highlighted

#define IDC_MAIN_LOGO 1000
#define IDC_MAIN_REBAR 1001
#define IDC_MAIN_TOOLBAR 1002
#define IDC_MAIN_PANEL_REVISIONE 1003
#define IDC_MAIN_LBL_REVISIONE 1004
#define IDC_MAIN_CBO_REVISIONE 1005

#define IDC_MAIN_FRA_VEHICLE 1010
#define IDC_MAIN_LBL_AUTO_MARCA 1011
#define IDC_MAIN_LBL_AUTO_MODELLO 1012
#define IDC_MAIN_LBL_AUTO_TARGA 1013
#define IDC_MAIN_DATI_VEICOLO_0 1014
#define IDC_MAIN_DATI_VEICOLO_1 1015
#define IDC_MAIN_DATI_VEICOLO_2 1016

#define IDC_MAIN_FRA_OPERATOR 1020
#define IDC_MAIN_LBL_NOME_OPERATORE 1021
#define IDC_MAIN_DATI_OPERATORE 1022

#define IDC_MAIN_FRA_FAR 1030
#define IDC_MAIN_LBL_APP_MARCA 1031
#define IDC_MAIN_LBL_APP_MODELLO 1032
#define IDC_MAIN_LBL_APP_OMOLOGAZIONE 1033
#define IDC_MAIN_LBL_APP_NSERIE 1034
#define IDC_MAIN_LBL_APP_VERSIONE 1035
#define IDC_MAIN_LBL_APP_SCADENZA 1036
#define IDC_MAIN_DATI_APP_0 1040
#define IDC_MAIN_DATI_APP_1 1041
#define IDC_MAIN_DATI_APP_2 1042
#define IDC_MAIN_DATI_APP_3 1043
#define IDC_MAIN_DATI_APP_4 1044
#define IDC_MAIN_DATI_APP_5 1045

#define IDC_MAIN_STATUSBAR 1050

#define IDC_MAIN_TB_PANEL 1100 // the separator that makes room for picRevisione
#define IDC_MAIN_TB_TEST 1101
#define IDC_MAIN_TB_FERMA 1102
#define IDC_MAIN_TB_OPZIONI 1103
#define IDC_MAIN_TB_INFO 1104
#define IDC_MAIN_TB_ESCI 1105

#define IDM_TRAY_VISUALIZZA 1201
#define IDM_TRAY_OPZIONI 1202
#define IDM_TRAY_INFO 1203
#define IDM_TRAY_CHIUDI 1204

// Options dialog frmOpzioni (a "#32770" dialog owned by the main window,
// titled with language id 401). Its controls, by GetDlgItem(dialog, id):
#define IDC_OPZ_IMG_CAPTION 1301  // imgCaption, STATIC SS_BITMAP (bitmap 201)
#define IDC_OPZ_LBL_CAPTION 1302  // lblCaption
#define IDC_OPZ_LBL_FORMMOVE 1303 // lblFormMove: dragging the dialog
#define IDC_OPZ_LOGO 1304         // picLogo, owner-drawn STATIC
#define IDC_OPZ_FRA_OPZIONI 1305
#define IDC_OPZ_CHK_AOT 1306
#define IDC_OPZ_CHK_AUTOAVVIO 1307
#define IDC_OPZ_CHK_CHIUDI 1308
#define IDC_OPZ_CHK_ESCCHIUDI 1309
#define IDC_OPZ_CHK_STAMPAREPORT 1310
#define IDC_OPZ_FRA_LANGUAGE 1311 // frmLanguage
#define IDC_OPZ_CBO_LANGUAGE 1312 // COMBOBOX (drop-down list)
#define IDC_OPZ_FRA_SERIALE 1313
#define IDC_OPZ_LBL_COMPORT 1314
#define IDC_OPZ_CMD_SCANSIONE 1315
#define IDC_OPZ_CMD_CONFERMA 1316
#define IDC_OPZ_CMD_ANNULLA 1317 // IDCANCEL (Esc) does the same

// About box frmInfo (a #32770 dialog whose window text is lblCaption's).
#define IDC_INFO_FRA_CAPTION 1401
#define IDC_INFO_IMG_CAPTION 1402
#define IDC_INFO_LBL_CAPTION 1403
#define IDC_INFO_LBL_FORM_MOVE 1404
#define IDC_INFO_IMG_ICON 1405
#define IDC_INFO_LBL_TITLE 1406
#define IDC_INFO_LBL_VERSION 1407
#define IDC_INFO_LBL_REVISION 1408
#define IDC_INFO_LBL_DIR_VERSION 1409
#define IDC_INFO_LBL_NET_VERSION 1410
#define IDC_INFO_LBL_DESCRIPTION 1411
#define IDC_INFO_LBL_DISCLAIMER 1412
#define IDC_INFO_CMD_SYSINFO 1413
// cmdOK is IDOK: Enter and Esc.
