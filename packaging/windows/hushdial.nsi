; Hushdial's Windows installer: one machine-wide install into Program Files, a Start-menu entry, an
; entry in the list of installed programs, and an uninstaller that leaves nothing to start at logon.
; makensis -DVERSION=1.0.0 -DEXE=path\to\Hushdial.exe -DICON=path\to\hushdial.ico -DOUT=setup.exe [-DARCH=x86] hushdial.nsi
; ARCH x64 (the default): a 64-bit installer for the 64-bit program, which needs no 32-bit layer to
; run; a 32-bit Windows refuses to start it with its own message. ARCH x86: a 32-bit installer for the
; 32-bit program, for Windows XP SP3 and every later Windows, 32- or 64-bit.
!ifndef ARCH
  !define ARCH "x64"
!endif
!if "${ARCH}" == "x86"
  Target x86-unicode
!else
  Target amd64-unicode
!endif
!include "x64.nsh"
!include "WinMessages.nsh"

!ifndef VERSION
  !error "VERSION must be defined"
!endif
!ifndef EXE
  !error "EXE must name the Hushdial.exe to install"
!endif

!define PRODUCT "Hushdial"
!define PUBLISHER "Brightfen"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Hushdial"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${PRODUCT}"
OutFile "${OUT}"
!if "${ARCH}" == "x86"
  ; Program Files on a 32-bit Windows, Program Files (x86) on a 64-bit one.
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!endif
RequestExecutionLevel admin
SetCompressor /SOLID lzma
!ifdef ICON
  Icon "${ICON}"
  UninstallIcon "${ICON}"
!endif
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright 2021-2026 Brightfen"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The registry view the installed program itself uses, so that the uninstaller finds the machine-wide
; start-up entry where the program wrote it (a 32-bit program on a 64-bit Windows writes the 32-bit
; view).
!if "${ARCH}" == "x86"
  !define REG_VIEW 32
!else
  !define REG_VIEW 64
!endif

Function .onInit
  SetRegView ${REG_VIEW}
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView ${REG_VIEW}
  SetShellVarContext all
FunctionEnd

Section "Hushdial"
  SetOutPath "$INSTDIR"
  File "/oname=Hushdial.exe" "${EXE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Hushdial.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Hushdial.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; A running copy would keep its file; it ends when asked to close.
  FindWindow $0 "HushdialMainWindow"
  StrCmp $0 0 +3
    SendMessage $0 ${WM_CLOSE} 0 0
    Sleep 1000
  ; Both start-up entries the program may have written, machine-wide and the user's own.
  DeleteRegValue HKLM "${RUN_KEY}" "Hushdial.exe"
  DeleteRegValue HKCU "${RUN_KEY}" "Hushdial.exe"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\Hushdial.exe"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
