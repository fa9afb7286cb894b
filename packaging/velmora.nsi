; The installer of Velmora: a per-user install without administrator rights.
; Built by scripts/package with makensis -DBIN=<folder of the binaries> -DOUT=<installer file>.
Unicode true
Target amd64-unicode  ; a 64-bit installer for the 64-bit program
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "LogicLib.nsh"
!include "WinMessages.nsh"

!define VERSION "4.6.3"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora"
!define SYNCHRONIZE 0x00100000

Name "Velmora ${VERSION}"
OutFile "${OUT}"
InstallDir "$LOCALAPPDATA\Programs\Velmora"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Velmora"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Velmora ${VERSION} Setup"
VIAddVersionKey "LegalCopyright" "Velmora"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var WasRunning

; A hook library may still be loaded in programs its hook reached, until they
; end: moved aside into %TEMP% (a loaded library can be renamed, not deleted).
; Each copy gets a name of its own, as copies of earlier updates may still be
; loaded; those no program holds any more go first.
!macro RemoveHookLibrary NAME SUFFIX
  Delete "$INSTDIR\${NAME}.dll"
  ${If} ${FileExists} "$INSTDIR\${NAME}.dll"
    Delete "$TEMP\${NAME}.${SUFFIX}*.dll"
    StrCpy $2 0
    ${Do}
      IntOp $2 $2 + 1
    ${LoopWhile} ${FileExists} "$TEMP\${NAME}.${SUFFIX}.$2.dll"
    Rename "$INSTDIR\${NAME}.dll" "$TEMP\${NAME}.${SUFFIX}.$2.dll"
  ${EndIf}
!macroend

; Asks a running Velmora to close, which shows every window it hid, and waits
; (10 s at most) until its process has ended, so that none of its files is in
; use. One that does not end stops Setup before it changes anything (exit
; code 2).
!macro CloseVelmora
  StrCpy $WasRunning 0
  FindWindow $0 "TFOrvane" ""
  ${If} $0 <> 0
    StrCpy $WasRunning 1
    ; The process is opened before it is asked to close, so that its id cannot
    ; pass to another process meanwhile.
    System::Call "user32::GetWindowThreadProcessId(p r0, *i .r1)"
    System::Call "kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r2"
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    ${If} $2 <> 0
      System::Call "kernel32::WaitForSingleObject(p r2, i 10000) i .r3"
      System::Call "kernel32::CloseHandle(p r2)"
    ${Else}
      ; Not to be opened (ended already, say): its window going stands in.
      StrCpy $3 1
      StrCpy $1 0
      ${DoWhile} $1 < 100
        FindWindow $0 "TFOrvane" ""
        ${If} $0 = 0
          StrCpy $3 0
          ${ExitDo}
        ${EndIf}
        Sleep 100
        IntOp $1 $1 + 1
      ${Loop}
    ${EndIf}
    ${If} $3 <> 0
      MessageBox MB_OK|MB_ICONSTOP "Velmora ${VERSION} is still running and does not close.$\r$\nNothing has been changed. Close Velmora, then run this again." /SD IDOK
      SetErrorLevel 2
      Abort
    ${EndIf}
  ${EndIf}
!macroend

Section "Velmora"
  !insertmacro CloseVelmora
  SetOutPath "$INSTDIR"
  !insertmacro RemoveHookLibrary LibOrvane replaced
  !insertmacro RemoveHookLibrary LibOrvane32 replaced
  File "${BIN}/Velmora.exe"
  File "${BIN}/LibOrvane.dll"
  File "${BIN}/LibOrvane32.dll"
  File "${BIN}/VelmoraHook32.exe"
  File "${BIN}/velmora.chm"
  File "${BIN}/README.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Velmora.lnk" "$INSTDIR\Velmora.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Velmora"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Velmora"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Velmora.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ; An update over a running Velmora starts the new one.
  ${If} $WasRunning == 1
    Exec '"$INSTDIR\Velmora.exe"'
  ${EndIf}
SectionEnd

Section "Uninstall"
  !insertmacro CloseVelmora
  Delete "$INSTDIR\Velmora.exe"
  Delete "$INSTDIR\VelmoraHook32.exe"
  !insertmacro RemoveHookLibrary LibOrvane uninstalled
  !insertmacro RemoveHookLibrary LibOrvane32 uninstalled
  Delete "$INSTDIR\velmora.chm"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\Velmora.vlm"
  Delete "$INSTDIR\uninstall.exe"
  ; The closed Velmora may still be ending in this folder: try again for 5 s.
  StrCpy $1 0
  ${Do}
    RMDir "$INSTDIR"
    ${IfNot} ${FileExists} "$INSTDIR\*.*"
      ${ExitDo}
    ${EndIf}
    Sleep 200
    IntOp $1 $1 + 1
  ${LoopUntil} $1 >= 25
  Delete "$SMPROGRAMS\Velmora.lnk"
  DeleteRegValue HKCU "Software\Microsoft\Windows\CurrentVersion\Run" "Velmora"
  DeleteRegKey HKCU "SOFTWARE\Velmora"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
