; The Windows installer: brisko.exe into Program Files, a Start-menu shortcut and an
; uninstaller registered with Windows. Built on Debian with makensis (scripts/release).
; The output depends only on this script, brisko.exe (its bytes and its file time, which
; scripts/release sets to the commit's) and the NSIS version: the stub's own PE header comes
; from the NSIS package, and the uninstaller is written from that stub at install time.
Unicode true
!ifndef VERSION
  !define VERSION "6.0.6"
!endif
!ifndef BRISKO_EXE
  !define BRISKO_EXE "brisko.exe"
!endif
!ifndef OUTFILE
  !define OUTFILE "brisko-${VERSION}-setup.exe"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brisko"

Name "Brisko ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Brisko"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
Icon "..\assets\brisko.ico"
UninstallIcon "..\assets\brisko.ico"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Brisko"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Brisko ${VERSION} setup"
VIAddVersionKey "CompanyName" "Brisko"
VIAddVersionKey "LegalCopyright" "Brisko"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Brisko"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=brisko.exe" "${BRISKO_EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\Brisko"
  CreateShortcut "$SMPROGRAMS\Brisko\Brisko.lnk" "$INSTDIR\brisko.exe"
  CreateShortcut "$SMPROGRAMS\Brisko\Uninstall Brisko.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Brisko"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Brisko"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\brisko.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$INSTDIR\brisko.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Brisko\Brisko.lnk"
  Delete "$SMPROGRAMS\Brisko\Uninstall Brisko.lnk"
  RMDir "$SMPROGRAMS\Brisko"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
