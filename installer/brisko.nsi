; The Windows installers: Brisko into Program Files, a Start-menu shortcut and an uninstaller
; registered with Windows. Built on Debian with makensis (scripts/release), once for each
; program:
;   -DARCHITECTURE=x86  brisko-<version>-setup.exe, a 32-bit installer with the 32-bit
;                       brisko.exe, for Windows 2000/XP and 32-bit Windows (on 64-bit Windows it
;                       installs into Program Files (x86), as any 32-bit program's installer)
;   -DARCHITECTURE=x64  brisko64-<version>-setup.exe, itself a 64-bit program, with
;                       brisko64.exe, into the native Program Files and the 64-bit view of the
;                       registry; it starts on 64-bit Windows only
; The output depends only on this script, the program (its bytes and its file time, which
; scripts/release sets to the commit's) and the NSIS version: the stub's own PE header comes
; from the NSIS package, and the uninstaller is written from that stub at install time.
!ifndef VERSION
  !error "scripts/release gives the version: -DVERSION=x.y.z, from project() in CMakeLists.txt"
!endif
!ifndef ARCHITECTURE
  !define ARCHITECTURE x86
!endif
!if "${ARCHITECTURE}" == "x64"
  Target amd64-unicode
  !define DEFAULT_PROGRAM "brisko64.exe"
  !define PROGRAMS_FOLDER "$PROGRAMFILES64"
!else
  Unicode true
  !define DEFAULT_PROGRAM "brisko.exe"
  !define PROGRAMS_FOLDER "$PROGRAMFILES"
!endif
!ifndef PROGRAM
  !define PROGRAM "${DEFAULT_PROGRAM}"
!endif
!ifndef PROGRAM_FILE
  !define PROGRAM_FILE "${PROGRAM}"
!endif
!ifndef OUTFILE
  !define OUTFILE "brisko-${VERSION}-setup.exe"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brisko"

; A signed release (scripts/release with a certificate): the uninstaller is signed as it is
; made, before it goes into the installer, and the installer when it is done. A command that
; fails stops the build.
!ifdef SIGN
  !uninstfinalize '${SIGN} "%1"' = 0
  !finalize '${SIGN} "%1"' = 0
!endif

Name "Brisko ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "${PROGRAMS_FOLDER}\Brisko"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
Icon "..\assets\brisko.ico"
UninstallIcon "..\assets\brisko.ico"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Brisko"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Brisko ${VERSION} setup (${ARCHITECTURE})"
VIAddVersionKey "CompanyName" "Brisko"
VIAddVersionKey "LegalCopyright" "Brisko"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

!macro RegistryView
  ; A 64-bit installer writes the 64-bit view, where Windows lists 64-bit programs; it is
  ; its default view already, named here so that nobody has to know that.
  !if "${ARCHITECTURE}" == "x64"
    SetRegView 64
  !endif
!macroend

Section "Brisko"
  SetShellVarContext all
  !insertmacro RegistryView
  SetOutPath "$INSTDIR"
  File "/oname=${PROGRAM}" "${PROGRAM_FILE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\Brisko"
  CreateShortcut "$SMPROGRAMS\Brisko\Brisko.lnk" "$INSTDIR\${PROGRAM}"
  ; The way back from the last run: Brisko asks first and says what it put back.
  CreateShortcut "$SMPROGRAMS\Brisko\Undo the last Optimize.lnk" "$INSTDIR\${PROGRAM}" "/undo /ask"
  CreateShortcut "$SMPROGRAMS\Brisko\Uninstall Brisko.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Brisko"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Brisko"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  !insertmacro RegistryView
  Delete "$INSTDIR\${PROGRAM}"
  ; This runs in a copy of the uninstaller in the temp folder, which uninstall.exe started just
  ; before it ended. On a busy machine uninstall.exe may not have ended yet: it cannot be
  ; deleted, or its deletion waits for it to end, and the folder is not yet empty. Left
  ; alone, a silent uninstall (winget's, a fleet's) would leave the folder behind: try again
  ; for some ten seconds (which a folder the user put files into also waits, once).
  StrCpy $0 0
  remove_folder:
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    IfFileExists "$INSTDIR\*.*" 0 folder_removed
    IntOp $0 $0 + 1
    IntCmp $0 50 folder_removed
    Sleep 200
    Goto remove_folder
  folder_removed:
  Delete "$SMPROGRAMS\Brisko\Brisko.lnk"
  Delete "$SMPROGRAMS\Brisko\Undo the last Optimize.lnk"
  Delete "$SMPROGRAMS\Brisko\Uninstall Brisko.lnk"
  ; The settings saved before each run stay in the common application data folder's Brisko
  ; folder: they are the way back even without Brisko (the Registry Editor applies them).
  RMDir "$SMPROGRAMS\Brisko"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
