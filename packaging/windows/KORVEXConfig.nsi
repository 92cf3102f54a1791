; The KORVEXConfig installer. script/windows makes it from the staged install
; tree (cmake --install, the installer component included):
;   makensis -DVERSION=1.07 -DROOT=<source tree> -DLISTS=<folder> -DOUTFILE=<setup.exe> KORVEXConfig.nsi
; LISTS holds install.nsh and uninstall.nsh, the staged tree's files as File
; and Delete lines, so that the uninstaller removes exactly what was installed.
;
; Installs for every user under Program Files, adds a Start-menu entry and
; an entry in Apps & features, offers the program in Explorer's "Open with"
; for .cfg files (never as their default: other programs' .cfg files are
; not ours), and puts the folder (korvexctl.exe) on the installing user's
; PATH. Uninstalling removes all of it; the settings each user's program
; wrote under %LOCALAPPDATA%\KORVEXConfig stay.

; A 64-bit installer for a 64-bit program: it sees the 64-bit registry and
; Program Files as they are, with no 32-bit redirection to undo, and on a
; 32-bit Windows, where the program could not run either, it does not start.
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WinMessages.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KORVEXConfig"
; "Open with": the program as an application that opens .cfg files, and a
; file type of its own that .cfg files may be opened as, for every user.
!define CLASSES "Software\Classes"
!define APP_KEY "${CLASSES}\Applications\KORVEXConfig.exe"
!define PROGID "KORVEXConfig.cfg"
; NSIS strings hold this many characters; a longer PATH cannot be read whole.
!define STRING_ROOM 1023

Name "KORVEXConfig ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\KORVEXConfig"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText " "

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "KORVEXConfig"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "KORVEXConfig installer"
VIAddVersionKey "CompanyName" "The KORVEXConfig developers"
VIAddVersionKey "LegalCopyright" "MIT License"

!define MUI_ICON "${ROOT}/packaging/windows/KORVEXConfig.ico"
!define MUI_UNICON "${ROOT}/packaging/windows/KORVEXConfig.ico"
!insertmacro MUI_PAGE_LICENSE "${ROOT}/LICENSE"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var PathValue ; the user's PATH as read, then as it is to be written
Var Found     ; how many of its elements are the install folder

; Splits PathValue at ";" and drops every element that is the install folder
; (with or without a final "\", any case), counting them in Found. The rest,
; empty elements and the order included, is joined back as it was.
!macro DropInstallFolder un
Function ${un}DropInstallFolder
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  StrCpy $R0 $PathValue ; still to split
  StrCpy $R1 ""         ; kept, joined
  StrCpy $R4 0          ; elements kept so far
  StrCpy $Found 0
  ${Do}
    StrCpy $R2 0
    ${Do}
      StrCpy $R3 $R0 1 $R2
      ${If} $R3 == ""
      ${OrIf} $R3 == ";"
        ${ExitDo}
      ${EndIf}
      IntOp $R2 $R2 + 1
    ${Loop}
    StrCpy $R3 $R0 $R2 ; the element
    ${If} $R3 == "$INSTDIR"
    ${OrIf} $R3 == "$INSTDIR\"
      IntOp $Found $Found + 1
    ${Else}
      ${If} $R4 > 0
        StrCpy $R1 "$R1;"
      ${EndIf}
      StrCpy $R1 "$R1$R3"
      IntOp $R4 $R4 + 1
    ${EndIf}
    StrCpy $R3 $R0 1 $R2 ; ";" or the end
    IntOp $R2 $R2 + 1
    StrCpy $R0 $R0 "" $R2
  ${LoopUntil} $R3 == ""
  StrCpy $PathValue $R1
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd
!macroend
!insertmacro DropInstallFolder ""
!insertmacro DropInstallFolder "un."

; Reads the user's PATH into PathValue; the error flag is set when it cannot
; be rewritten safely (as long as a string can be, so maybe cut short).
!macro ReadUserPath
  ClearErrors
  ReadRegStr $PathValue HKCU "Environment" "Path"
  StrCpy $2 0 ; whether a PATH is there that could not be read
  ${If} ${Errors}
    ; No PATH at all, or one longer than a string holds (read as nothing):
    ; only the first may be written, or the user's PATH would be lost.
    StrCpy $PathValue ""
    StrCpy $0 0
    ${Do}
      EnumRegValue $1 HKCU "Environment" $0
      ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
      ${If} $1 == "Path" ; NSIS compares without case, as Windows names values
        StrCpy $2 1
        ${ExitDo}
      ${EndIf}
      IntOp $0 $0 + 1
    ${Loop}
  ${EndIf}
  ClearErrors
  StrLen $0 $PathValue
  ${If} $0 >= ${STRING_ROOM}
  ${OrIf} $2 == 1
    SetErrors
  ${EndIf}
!macroend

!macro PathTooLong what
  DetailPrint "Your PATH is too long to be changed here safely; it is left as it is."
  MessageBox MB_ICONINFORMATION|MB_OK "Your PATH is too long for this installer to change safely, so it is left as it is. ${what}" /SD IDOK
!macroend

!macro AnnounceEnvironment
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
!macroend

; Tells Explorer that the file types changed (SHCNE_ASSOCCHANGED).
!macro AnnounceAssociations
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

; Deletes an HKLM key the install may have made, but only when nothing is in
; it, neither a value (the default one included) nor a key: what other
; programs keep there, such as their own default for .cfg, stays.
; (DeleteRegKey /ifempty alone looks at keys, not at values.)
!macro DeleteKeyIfEmpty key
  ClearErrors
  EnumRegValue $0 HKLM "${key}" 0
  ${If} ${Errors}
    EnumRegKey $0 HKLM "${key}" 0
    ${IfThen} $0 == "" ${|} DeleteRegKey /ifempty HKLM "${key}" ${|}
  ${EndIf}
!macroend

Section "KORVEXConfig"
  SetShellVarContext all
  !include "${LISTS}/install.nsh"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\KORVEXConfig.lnk" "$INSTDIR\KORVEXConfig.exe" "" "$INSTDIR\KORVEXConfig.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "KORVEXConfig"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The KORVEXConfig developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\KORVEXConfig.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; "Open with", not the default: .cfg's own default value is never written.
  WriteRegStr HKLM "${APP_KEY}" "FriendlyAppName" "KORVEXConfig"
  WriteRegStr HKLM "${APP_KEY}\SupportedTypes" ".cfg" ""
  WriteRegStr HKLM "${APP_KEY}\DefaultIcon" "" "$INSTDIR\KORVEXConfig.exe,0"
  WriteRegStr HKLM "${APP_KEY}\shell\open\command" "" '"$INSTDIR\KORVEXConfig.exe" "%1"'
  WriteRegStr HKLM "${CLASSES}\${PROGID}" "" "KORVEX configuration file"
  WriteRegStr HKLM "${CLASSES}\${PROGID}\DefaultIcon" "" "$INSTDIR\KORVEXConfig.exe,0"
  WriteRegStr HKLM "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\KORVEXConfig.exe" "%1"'
  WriteRegStr HKLM "${CLASSES}\.cfg\OpenWithProgids" "${PROGID}" ""
  !insertmacro AnnounceAssociations

  ; korvexctl from any console: the folder on the PATH of the user installing.
  !insertmacro ReadUserPath
  ${If} ${Errors}
    !insertmacro PathTooLong "To use korvexctl from any console, add $INSTDIR to it yourself."
  ${Else}
    StrCpy $1 $PathValue
    Call DropInstallFolder
    ${If} $Found == 0
      ${If} $1 == ""
        StrCpy $PathValue "$INSTDIR"
      ${Else}
        StrCpy $PathValue "$1;$INSTDIR"
      ${EndIf}
      ; Kept expandable: a user's PATH may hold %USERPROFILE% and the like.
      WriteRegExpandStr HKCU "Environment" "Path" $PathValue
      !insertmacro AnnounceEnvironment
    ${EndIf}
  ${EndIf}
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\KORVEXConfig.lnk"
  !include "${LISTS}/uninstall.nsh"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  DeleteRegKey HKLM "${APP_KEY}"
  DeleteRegKey HKLM "${CLASSES}\${PROGID}"
  DeleteRegValue HKLM "${CLASSES}\.cfg\OpenWithProgids" "${PROGID}"
  !insertmacro DeleteKeyIfEmpty "${CLASSES}\.cfg\OpenWithProgids"
  !insertmacro DeleteKeyIfEmpty "${CLASSES}\.cfg"
  !insertmacro AnnounceAssociations

  !insertmacro ReadUserPath
  ${If} ${Errors}
    !insertmacro PathTooLong "Remove $INSTDIR from it yourself."
  ${Else}
    Call un.DropInstallFolder
    ${If} $Found > 0
      ${If} $PathValue == ""
        DeleteRegValue HKCU "Environment" "Path"
      ${Else}
        WriteRegExpandStr HKCU "Environment" "Path" $PathValue
      ${EndIf}
      !insertmacro AnnounceEnvironment
    ${EndIf}
  ${EndIf}
SectionEnd
