; The per-user Windows installer: no administrator rights, the program in
; %LOCALAPPDATA%\Programs\Moravel, a Start-menu entry, .zxp and .mxp opened by
; Moravel, and an uninstaller that takes all of it away again. /S runs either
; silently. scripts/windows/build.sh passes VERSION, SOURCE (the folder of
; files to install), OUTFILE and ICON.
; A 64-bit setup for a 64-bit program; it also runs where Wine has no 32-bit
; support (Debian's wine64 alone).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"

!define PRODUCT "Moravel"
!define PUBLISHER "Velkor"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Moravel"
!define PROGID_ZXP "Moravel.zxp"
!define PROGID_MXP "Moravel.mxp"

Name "Velkor ${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; The program keeps its own settings under Software\Velkor\Moravel: the
; installer leaves that key to it and remembers the folder in its uninstall entry.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
Icon "${ICON}"
UninstallIcon "${ICON}"
VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "Velkor ${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "Velkor ${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Velkor"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\moravel.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Explorer learns of a changed association only when told.
!define SHCNE_ASSOCCHANGED 0x08000000
!define SHCNF_IDLIST 0

!macro Associate EXT PROGID DESCRIPTION
    WriteRegStr HKCU "Software\Classes\.${EXT}" "" "${PROGID}"
    WriteRegStr HKCU "Software\Classes\${PROGID}" "" "${DESCRIPTION}"
    WriteRegStr HKCU "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\moravel.exe,0"
    WriteRegStr HKCU "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\moravel.exe" "%1"'
!macroend

!macro Unassociate EXT PROGID
    ; The extension's default is cleared only while it still names Moravel, so
    ; that another program's later claim survives the uninstall.
    ReadRegStr $0 HKCU "Software\Classes\.${EXT}" ""
    StrCmp $0 "${PROGID}" 0 +2
        DeleteRegKey HKCU "Software\Classes\.${EXT}"
    DeleteRegKey HKCU "Software\Classes\${PROGID}"
!macroend

Section "Moravel" SecMain
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    File /r "${SOURCE}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateShortCut "$SMPROGRAMS\Velkor Moravel.lnk" "$INSTDIR\moravel.exe" "" "$INSTDIR\moravel.exe" 0

    !insertmacro Associate "zxp" "${PROGID_ZXP}" "Dreamweaver extension package (ZXP)"
    !insertmacro Associate "mxp" "${PROGID_MXP}" "Dreamweaver extension package (MXP)"
    System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i ${SHCNF_IDLIST}, p 0, p 0)'

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Velkor ${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\moravel.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    Delete "$SMPROGRAMS\Velkor Moravel.lnk"
    !insertmacro Unassociate "zxp" "${PROGID_ZXP}"
    !insertmacro Unassociate "mxp" "${PROGID_MXP}"
    System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i ${SHCNF_IDLIST}, p 0, p 0)'
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ; Only what the installer put there: a folder the user chose may hold more.
    RMDir /r "$INSTDIR\platforms"
    RMDir /r "$INSTDIR\tls"
    RMDir /r "$INSTDIR\sqldrivers"
    RMDir /r "$INSTDIR\styles"
    RMDir /r "$INSTDIR\imageformats"
    Delete "$INSTDIR\*.exe"
    Delete "$INSTDIR\*.dll"
    Delete "$INSTDIR\README.txt"
    RMDir "$INSTDIR"
SectionEnd
