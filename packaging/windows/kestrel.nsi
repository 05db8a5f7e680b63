; kestrel's Windows installer. Built by scripts/windows_packages.sh:
;   makensis -DVERSION=x.y.z -DEXE=path\to\kestrel.exe -DOUTFILE=path\to\setup.exe kestrel.nsi
; Silent: setup.exe /S [/AUTOSTART] [/D=folder], and uninstall.exe /S.

; 64-bit: the program is 64-bit, and a 32-bit installer would land in the 32-bit views of
; Program Files and the registry.
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef VERSION
  !error "pass -DVERSION=x.y.z"
!endif
!ifndef EXE
  !error "pass -DEXE=path to kestrel.exe"
!endif
; Windows wants four numbers in the file's version.
!ifndef FILEVERSION
  !define FILEVERSION "${VERSION}.0"
!endif
!ifndef OUTFILE
  !define OUTFILE "kestrel-${VERSION}-setup.exe"
!endif

!define NAME "kestrel"
!define PUBLISHER "the kestrel developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\kestrel"
!define LINK "kestrel.lnk"

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh
!include WinMessages.nsh

Name "${NAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\kestrel"
; Program Files and the machine's uninstall list need an administrator.
RequestExecutionLevel admin
ShowInstDetails nevershow
ShowUninstDetails nevershow
BrandingText "kestrel ${VERSION}"

VIProductVersion "${FILEVERSION}"
VIAddVersionKey "ProductName" "${NAME}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${NAME} ${VERSION} setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

; makensis works in this folder (unless -NOCD): relative paths start here.
!define MUI_ICON "../../res/HAUPTICON.ico"
!define MUI_UNICON "../../res/HAUPTICON.ico"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A running kestrel holds its program file; WM_CLOSE makes it save kestrel.ini and end.
!macro CloseKestrel
  StrCpy $R9 0
  ${Do}
    FindWindow $R8 "wndclass" "kestrel"
    ${If} $R8 = 0
      ${Break}
    ${EndIf}
    ${If} $R9 = 0
      SendMessage $R8 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    ${EndIf}
    Sleep 100
    IntOp $R9 $R9 + 1
  ${LoopUntil} $R9 >= 100
!macroend

; The shortcut starts kestrel in the user's own folder, where it keeps kestrel.ini.
!macro KestrelShortcut link
  SetOutPath "$APPDATA\kestrel"
  CreateShortcut "${link}" "$INSTDIR\kestrel.exe" "" "$INSTDIR\kestrel.exe" 0
  SetOutPath "$INSTDIR"
!macroend

Section "kestrel" SecProgram
  SectionIn RO
  SetShellVarContext current
  !insertmacro CloseKestrel
  SetOutPath "$INSTDIR"
  File "/oname=kestrel.exe" "${EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$APPDATA\kestrel"
  !insertmacro KestrelShortcut "$SMPROGRAMS\${LINK}"

  SetRegView 64
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kestrel.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "Start at login" SecAutostart
  SetShellVarContext current
  !insertmacro KestrelShortcut "$SMSTARTUP\${LINK}"
SectionEnd

; Deselected on a reinstall: the earlier choice is undone.
Section "-autostart off"
  SetShellVarContext current
  ${IfNot} ${SectionIsSelected} ${SecAutostart}
    Delete "$SMSTARTUP\${LINK}"
  ${EndIf}
SectionEnd

Function .onInit
  SetShellVarContext current
  ; A reinstall keeps autostart as it was; /AUTOSTART turns it on (for /S).
  ${If} ${FileExists} "$SMSTARTUP\${LINK}"
    !insertmacro SelectSection ${SecAutostart}
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/AUTOSTART" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecAutostart}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetShellVarContext current
  !insertmacro CloseKestrel
  Delete "$SMPROGRAMS\${LINK}"
  Delete "$SMSTARTUP\${LINK}"
  Delete "$INSTDIR\kestrel.exe"
  Delete "$INSTDIR\uninstall.exe"
  ; Not /r: whatever else someone put there stays. $APPDATA\kestrel (kestrel.ini and its
  ; backups) is the user's and stays too.
  RMDir "$INSTDIR"
  SetRegView 64
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
