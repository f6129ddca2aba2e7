; The Flickhold installer: Program Files, a Start menu shortcut and an entry
; in the list of installed programs; /S installs and uninstalls silently.
;   makensis -DVERSION=1.0.0.0 -DEXE=Flickhold.exe -DDOCS=folder -DOUTFILE=setup.exe [-DWIN64] flickhold.nsi
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!ifdef WIN64
  Target amd64-unicode
  InstallDir "$PROGRAMFILES64\Flickhold"
!else
  InstallDir "$PROGRAMFILES\Flickhold"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Flickhold"

Name "Flickhold"
OutFile "${OUTFILE}"
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1042 "ProductName" "Flickhold"
VIAddVersionKey /LANG=1042 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1042 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1042 "FileDescription" "Flickhold Setup"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Korean.nlf"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Flickhold"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=Flickhold.exe" "${EXE}"
  File "/oname=README-ko.txt" "${DOCS}\README-ko.txt"
  File "/oname=README-en.txt" "${DOCS}\README-en.txt"
  File "/oname=LICENSE.txt" "${DOCS}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\Flickhold"
  CreateShortcut "$SMPROGRAMS\Flickhold\Flickhold.lnk" "$INSTDIR\Flickhold.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Flickhold"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Flickhold developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Flickhold.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$INSTDIR\Flickhold.exe"
  Delete "$INSTDIR\README-ko.txt"
  Delete "$INSTDIR\README-en.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Flickhold\Flickhold.lnk"
  RMDir "$SMPROGRAMS\Flickhold"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
