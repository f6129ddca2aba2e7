; The Flickhold installer: Program Files, a Start menu shortcut and an entry
; in the list of installed programs; /S installs and uninstalls silently.
; It always installs into a Flickhold folder of its own, never over files it
; did not put there, and the uninstaller removes only what it installed.
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
; SYSTEM and Administrators may change the folder, everybody else only read
; it: the elevated uninstaller runs from there. Not inherited from above.
!define PRIVATE_SDDL "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"

!include LogicLib.nsh

Name "Flickhold"
OutFile "${OUTFILE}"
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1042 "ProductName" "Flickhold"
VIAddVersionKey /LANG=1042 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1042 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1042 "FileDescription" "Flickhold Setup"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Korean.nlf"

Page directory "" "" OwnFolderAfterChoice
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The full form of the path in $R0, back in $R0: "." and ".." resolved,
; and short names made long where the path exists, so that two paths compare
; as the places they name.
Function FullPath
  System::Call 'kernel32::GetFullPathNameW(w r10, i ${NSIS_MAX_STRLEN}, w .r11, p 0) i .r12'
  ${If} $R2 > 0
  ${AndIf} $R2 < ${NSIS_MAX_STRLEN}
    StrCpy $R0 $R1
  ${EndIf}
  System::Call 'kernel32::GetLongPathNameW(w r10, w .r11, i ${NSIS_MAX_STRLEN}) i .r12'
  ${If} $R2 > 0
  ${AndIf} $R2 < ${NSIS_MAX_STRLEN}
    StrCpy $R0 $R1
  ${EndIf}
  ; No trailing backslash, so that "C:\" + "\" reads as a prefix too.
  StrCpy $R1 "$R0" 1 -1
  ${If} $R1 == "\"
    StrCpy $R0 "$R0" -1
  ${EndIf}
FunctionEnd

; True in $0 when the install folder lies inside the Program Files folder
; named in $R3 (the names compared whole and without case).
Function InsideFolder
  StrCpy $0 0
  StrCpy $R0 "$INSTDIR"
  Call FullPath
  StrCpy $R4 "$R0\"
  StrCpy $R0 "$R3"
  Call FullPath
  StrCpy $R5 "$R0\"
  StrLen $R6 "$R5"
  StrCpy $R7 "$R4" $R6
  ${If} $R7 == $R5
    StrCpy $0 1
  ${EndIf}
FunctionEnd

; A chosen folder gets a Flickhold folder of its own inside it, so that the
; program's files never mix with what the folder already holds.
Function OwnFolder
  StrCpy $R0 "$INSTDIR"
  Call FullPath
  StrCpy $0 "$R0"
  ${Do}
    StrCpy $1 "$0" 1 -1
    ${If} $1 != "\"
      ${Break}
    ${EndIf}
    StrCpy $0 "$0" -1
  ${Loop}
  StrCpy $1 "$0" 10 -10
  ${If} $1 != "\Flickhold"
    StrCpy $0 "$0\Flickhold"
  ${EndIf}
  StrCpy $INSTDIR "$0"
FunctionEnd

Function .onInit
  Call OwnFolder
FunctionEnd

Function OwnFolderAfterChoice
  Call OwnFolder
FunctionEnd

; True in $0 when the folder holds anything and is not this program's own
; earlier installation.
Function FolderTaken
  StrCpy $0 0
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $1 == "$INSTDIR"
    Return
  ${EndIf}
  FindFirst $2 $3 "$INSTDIR\*.*"
  ${DoWhile} $3 != ""
    ${If} $3 != "."
    ${AndIf} $3 != ".."
      StrCpy $0 1
      ${Break}
    ${EndIf}
    FindNext $2 $3
  ${Loop}
  FindClose $2
FunctionEnd

Section "Flickhold"
  SetShellVarContext all
  Call FolderTaken
  ${If} $0 == 1
    MessageBox MB_OK|MB_ICONSTOP "$INSTDIR$\n$\n이 폴더에는 이미 다른 파일이 있습니다. 빈 폴더를 고르십시오." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  CreateDirectory "$INSTDIR"
  ; Program Files already keeps other users out; elsewhere the folder must too.
  StrCpy $R3 "$PROGRAMFILES"
  Call InsideFolder
  StrCpy $1 $0
  StrCpy $R3 "$PROGRAMFILES64"
  Call InsideFolder
  ${If} $1 == 0
  ${AndIf} $0 == 0
    System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${PRIVATE_SDDL}", i 1, *p .r5, p 0) i .r6'
    ${If} $6 == 0
    ${OrIf} $5 == 0
      MessageBox MB_OK|MB_ICONSTOP "$INSTDIR" /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    System::Call 'advapi32::SetFileSecurityW(w "$INSTDIR", i 4, p r5) i .r6'
    System::Call 'kernel32::LocalFree(p r5)'
    ${If} $6 == 0
      MessageBox MB_OK|MB_ICONSTOP "$INSTDIR" /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
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
