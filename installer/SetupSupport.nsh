; Helpers of LumoraCamera.nsi: the log, failing with an exit code, the
; administrator check, regsvr32 of each architecture, telling the simulated
; camera from a vendor's library, the in-use check, and placing files so that
; a failed install can put the previous ones back.

!include "StrFunc.nsh"
${StrStr}

Var LogFile
Var KeptFiles      ; "|<path>|..." of the files renamed to <path>.previous by this run
Var PlacedFiles    ; "|<path>|..." of the files written by this run

; Each run writes what it does to a log in the user's temporary folder, so
; that a silent run can be understood afterwards.
!macro StartLog NAME TITLE
  ClearErrors
  FileOpen $LogFile "$TEMP\${NAME}" w
  ${IfNot} ${Errors}
    FileWriteUTF16LE /BOM $LogFile "${TITLE}$\r$\n"
  ${Else}
    StrCpy $LogFile ""
  ${EndIf}
!macroend

!macro Log TEXT
  DetailPrint "${TEXT}"
  ${If} $LogFile != ""
    FileWriteUTF16LE $LogFile "${TEXT}$\r$\n"
  ${EndIf}
!macroend

; Logs the reason, shows it (not in silent mode), sets the exit code and
; aborts: in .onInit the program ends, in a section the install fails and
; .onInstFailed / un.onUninstFailed undo this run's changes.
!macro FailSetup CODE TEXT
  !insertmacro Log "${TEXT}"
  MessageBox MB_OK|MB_ICONSTOP "${TEXT}" /SD IDOK
  SetErrorLevel ${CODE}
  Abort "${TEXT}"
!macroend

!macro RequireAdministrator
  UserInfo::GetAccountType
  Pop $R0
  ${If} $R0 != "Admin"
    !insertmacro FailSetup ${EXIT_NOT_ADMIN} "${PRODUCT} is installed and removed by an administrator: run this program as administrator."
  ${EndIf}
!macroend

; Helpers both the setup program and the uninstaller use.
!macro DefineSharedFunctions UN

; Runs the regsvr32 of an architecture: Push <dll path>, Push "" or "/u",
; Push "32" or "64"; Call; Pop the exit code (or "error" when it did not run).
; The setup program is 32-bit: its system folder is the 32-bit one, and the
; 64-bit regsvr32 is reached with file system redirection turned off.
Function ${UN}RunRegsvr32
  Exch $2 ; architecture
  Exch 1
  Exch $1 ; "" or "/u"
  Exch 2
  Exch $0 ; path
  Push $3
  ClearErrors
  ${If} $2 == "64"
    ${DisableX64FSRedirection}
    ExecWait '"$WINDIR\System32\regsvr32.exe" /s $1 "$0"' $3
    ${EnableX64FSRedirection}
  ${Else}
    ExecWait '"$SYSDIR\regsvr32.exe" /s $1 "$0"' $3
  ${EndIf}
  ${If} ${Errors}
    StrCpy $3 "error"
  ${EndIf}
  !insertmacro Log "regsvr32 $1 ($2-bit) $0: $3"
  StrCpy $0 $3
  Pop $3
  Exch 2
  Pop $1
  Pop $2
  Exch $0
FunctionEnd

; Push <path>; Call; Pop 1 when the file is the simulated camera built with
; Lumora Camera (its version resource names the product "Lumora Camera"),
; 0 for any other file (a camera maker's library). Reads the resource as
; data, so a 64-bit library is read by this 32-bit program too.
Function ${UN}IsOurCameraLibrary
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  StrCpy $5 0
  System::Call 'version::GetFileVersionInfoSizeW(w r0, *i 0) i .r1'
  ${If} $1 > 0
    System::Alloc $1
    Pop $2
    System::Call 'version::GetFileVersionInfoW(w r0, i 0, i r1, p r2) i .r3'
    ${If} $3 <> 0
      System::Call 'version::VerQueryValueW(p r2, w "\StringFileInfo\040904B0\ProductName", *p .r3, *i .r4) i .r1'
      ${If} $1 <> 0
      ${AndIf} $4 > 0
        System::Call 'kernel32::lstrcpynW(w .r4, p r3, i ${NSIS_MAX_STRLEN}) p'
        ${If} $4 == "${PRODUCT}"
          StrCpy $5 1
        ${EndIf}
      ${EndIf}
    ${EndIf}
    System::Free $2
  ${EndIf}
  StrCpy $0 $5
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Call; Pop the first of the installed files that a running program holds
; (a capture program with the filter loaded, lumoracap), or "". A file in
; use cannot be opened for writing.
Function ${UN}FindFileInUse
  Push $0
  Push $1
  Push $2
  StrCpy $0 ""
  ${ForEach} $1 0 1 + 1
    ${If} $1 == 0
      StrCpy $2 $Folder32
    ${Else}
      StrCpy $2 $Folder64
    ${EndIf}
    ${If} $2 != ""
    ${AndIf} $0 == ""
      !insertmacro _FirstFileInUse "$2\ZorvikFilter.dll"
      !insertmacro _FirstFileInUse "$2\lumoracap.exe"
      ; A maker's library is never replaced (and may be read-only); a
      ; program using it holds the filter too.
      ${If} $0 == ""
      ${AndIf} ${FileExists} "$2\ZorvikSDK.dll"
        Push "$2\ZorvikSDK.dll"
        Call ${UN}IsOurCameraLibrary
        Pop $R9
        ${If} $R9 == 1
          !insertmacro _FirstFileInUse "$2\ZorvikSDK.dll"
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ${Next}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Asks the user to close what holds the files until none does; a silent run,
; or a user who cancels, ends with EXIT_IN_USE before anything changed.
Function ${UN}WaitUntilNotInUse
  Push $0
  ${Do}
    Call ${UN}FindFileInUse
    Pop $0
    ${If} $0 == ""
      ${Break}
    ${EndIf}
    !insertmacro Log "In use by a running program: $0"
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} is in use:$\r$\n$0$\r$\n$\r$\nClose every program that uses the camera (capture programs, video calls, lumoracap), then press Retry." /SD IDCANCEL IDRETRY retry
    !insertmacro FailSetup ${EXIT_IN_USE} "${PRODUCT} is in use by a running program ($0): close every program that uses the camera and run this again. Nothing was changed."
    retry:
  ${Loop}
  Pop $0
FunctionEnd

!macroend

!macro _FirstFileInUse PATH
  ${If} $0 == ""
  ${AndIf} ${FileExists} "${PATH}"
    ClearErrors
    FileOpen $R9 "${PATH}" a
    ${If} ${Errors}
      StrCpy $0 "${PATH}"
    ${Else}
      FileClose $R9
    ${EndIf}
  ${EndIf}
!macroend

!insertmacro DefineSharedFunctions ""
!insertmacro DefineSharedFunctions "un."

; ---------------------------------------------------------------------------
; Setup program only

; Push <path or "">; Push <PE machine>; Call; Pop "" when the path is empty
; or names a Windows DLL of that machine, else the reason it is not one.
Function CheckVendorLibrary
  Exch $1 ; machine
  Exch
  Exch $0 ; path
  Push $2
  ${If} $0 == ""
    StrCpy $0 ""
  ${ElseIfNot} ${FileExists} "$0"
    StrCpy $0 "$0 does not exist."
  ${Else}
    Push $0
    Call ReadPeMachine
    Pop $2
    ${If} $2 <> $1
      ${If} $1 = ${MACHINE_I386}
        StrCpy $0 "$0 is not a 32-bit Windows library."
      ${Else}
        StrCpy $0 "$0 is not a 64-bit Windows library."
      ${EndIf}
    ${Else}
      StrCpy $0 ""
    ${EndIf}
  ${EndIf}
  Pop $2
  Exch
  Pop $1
  Exch $0
FunctionEnd

!macro _ReadLittleEndian HANDLE BYTES RESULT
  StrCpy ${RESULT} 0
  StrCpy $R8 0
  ${DoWhile} $R8 < ${BYTES}
    FileReadByte ${HANDLE} $R7
    IntOp $R6 $R8 * 8
    IntOp $R7 $R7 << $R6
    IntOp ${RESULT} ${RESULT} | $R7
    IntOp $R8 $R8 + 1
  ${Loop}
!macroend

; Push <path>; Call; Pop the machine field of the file's PE header, 0 when
; the file is not a PE image.
Function ReadPeMachine
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $R6
  Push $R7
  Push $R8
  StrCpy $3 0
  ClearErrors
  FileOpen $1 "$0" r
  ${IfNot} ${Errors}
    !insertmacro _ReadLittleEndian $1 2 $2
    ${If} $2 = 0x5A4D ; "MZ"
      FileSeek $1 0x3C SET
      !insertmacro _ReadLittleEndian $1 4 $2
      ${If} $2 > 0
      ${AndIf} $2 < 0x100000
        FileSeek $1 $2 SET
        !insertmacro _ReadLittleEndian $1 4 $2
        ${If} $2 = 0x4550 ; "PE\0\0"
          !insertmacro _ReadLittleEndian $1 2 $3
        ${EndIf}
      ${EndIf}
    ${EndIf}
    ${If} ${Errors}
      StrCpy $3 0
    ${EndIf}
    FileClose $1
  ${EndIf}
  StrCpy $0 $3
  Pop $R8
  Pop $R7
  Pop $R6
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Push <path>; Call: renames an existing file to <path>.previous, kept until
; the install succeeded (DeletePreviousFiles) or failed (RestorePreviousFiles).
Function KeepPrevious
  Exch $0
  ${If} ${FileExists} "$0"
    Delete "$0.previous"
    ClearErrors
    Rename "$0" "$0.previous"
    ${If} ${Errors}
      !insertmacro FailSetup ${EXIT_FAILED} "$0 could not be replaced (renaming it failed). Nothing was changed."
    ${EndIf}
    StrCpy $KeptFiles "$KeptFiles|$0|"
  ${EndIf}
  Pop $0
FunctionEnd

; Writes one file of the build into a folder, keeping the previous one.
!macro PlaceFile SOURCE NAME FOLDER
  CreateDirectory "${FOLDER}"
  Push "${FOLDER}\${NAME}"
  Call KeepPrevious
  SetOutPath "${FOLDER}"
  ClearErrors
  File "/oname=${NAME}" "${SOURCE}\${NAME}"
  ${If} ${Errors}
    !insertmacro FailSetup ${EXIT_FAILED} "${FOLDER}\${NAME} could not be written. Nothing was changed."
  ${EndIf}
  StrCpy $PlacedFiles "$PlacedFiles|${FOLDER}\${NAME}|"
!macroend

; The camera library of one folder. A library in place that is not the
; simulated camera is the camera maker's and is never replaced; otherwise the
; vendor library given is copied in, or else the simulated camera installed
; (or brought to this version). RESULT tells which: simulated, vendor (copied
; by a setup program, removed by the uninstaller) or kept (was there).
!macro PlaceCameraLibrary SOURCE FOLDER VENDOR PREVIOUS RESULT
  StrCpy $R5 "${FOLDER}\ZorvikSDK.dll"
  StrCpy $R4 "none"
  ${If} ${FileExists} "$R5"
    Push "$R5"
    Call IsOurCameraLibrary
    Pop $R4
  ${EndIf}
  ${If} $R4 == 0
    ${If} ${PREVIOUS} == "vendor"
      StrCpy ${RESULT} "vendor"
    ${Else}
      StrCpy ${RESULT} "kept"
    ${EndIf}
    !insertmacro Log "$R5 is a camera maker's library: kept as it is."
    ${If} ${VENDOR} != ""
      !insertmacro Log "${VENDOR} was not copied: a camera maker's library is already in place."
    ${ElseIf} $WantSimulated == 1
      !insertmacro Log "The simulated camera was not installed there: a camera maker's library is in place."
    ${EndIf}
  ${ElseIf} ${VENDOR} != ""
    CreateDirectory "${FOLDER}"
    Push "$R5"
    Call KeepPrevious
    ClearErrors
    CopyFiles /SILENT /FILESONLY "${VENDOR}" "$R5"
    ${If} ${Errors}
    ${OrIfNot} ${FileExists} "$R5"
      !insertmacro FailSetup ${EXIT_FAILED} "${VENDOR} could not be copied to $R5. Nothing was changed."
    ${EndIf}
    StrCpy $PlacedFiles "$PlacedFiles|$R5|"
    StrCpy ${RESULT} "vendor"
    !insertmacro Log "Camera maker's library copied from ${VENDOR}."
  ${Else}
    !insertmacro PlaceFile "${SOURCE}" "ZorvikSDK.dll" "${FOLDER}"
    StrCpy ${RESULT} "simulated"
    !insertmacro Log "Simulated camera installed as $R5."
  ${EndIf}
!macroend

!macro _RestoreFile FOLDER NAME
  ${StrStr} $R1 $KeptFiles "|${FOLDER}\${NAME}|"
  ${StrStr} $R2 $PlacedFiles "|${FOLDER}\${NAME}|"
  ${If} $R1 != ""
    Delete "${FOLDER}\${NAME}"
    Rename "${FOLDER}\${NAME}.previous" "${FOLDER}\${NAME}"
  ${ElseIf} $R2 != ""
    Delete "${FOLDER}\${NAME}"
  ${EndIf}
!macroend

; Push <folder>; Call: puts back the files this run replaced and removes the
; ones it added; the folder goes when nothing else is in it.
Function RestorePreviousFiles
  Exch $0
  Push $R1
  Push $R2
  !insertmacro _RestoreFile $0 "ZorvikFilter.dll"
  !insertmacro _RestoreFile $0 "lumoracap.exe"
  !insertmacro _RestoreFile $0 "ZorvikSDK.dll"
  !insertmacro _RestoreFile $0 "libyuv-LICENSE.txt"
  RMDir "$0"
  Pop $R2
  Pop $R1
  Pop $0
FunctionEnd

; Push <folder>; Call: the previous files are no longer needed. One that a
; program still holds (renamed while in use) goes at the next restart.
Function DeletePreviousFiles
  Exch $0
  Delete /REBOOTOK "$0\ZorvikFilter.dll.previous"
  Delete /REBOOTOK "$0\lumoracap.exe.previous"
  Delete /REBOOTOK "$0\ZorvikSDK.dll.previous"
  Delete /REBOOTOK "$0\libyuv-LICENSE.txt.previous"
  Pop $0
FunctionEnd

; ---------------------------------------------------------------------------
; Uninstaller only

!macro _UnDelete PATH
  ClearErrors
  Delete "${PATH}"
  ${If} ${Errors}
    Delete /REBOOTOK "${PATH}"
    !insertmacro Log "${PATH} is removed at the next restart."
  ${EndIf}
!macroend

; Push <folder>; Push <CameraLibrary record>; Call: deletes the filter,
; lumoracap and the camera library that a setup program put there; a camera
; maker's library that was there before (or was put there by hand over the
; simulated camera) stays.
Function un.RemoveFolderFiles
  Exch $1 ; record
  Exch
  Exch $0 ; folder
  Push $2
  ${If} $0 != ""
    !insertmacro _UnDelete "$0\ZorvikFilter.dll"
    !insertmacro _UnDelete "$0\lumoracap.exe"
    !insertmacro _UnDelete "$0\libyuv-LICENSE.txt"
    StrCpy $2 0
    ${If} ${FileExists} "$0\ZorvikSDK.dll"
      ${If} $1 == "vendor"
        StrCpy $2 1
      ${ElseIf} $1 == "simulated"
        Push "$0\ZorvikSDK.dll"
        Call un.IsOurCameraLibrary
        Pop $2
      ${EndIf}
      ${If} $2 == 1
        !insertmacro _UnDelete "$0\ZorvikSDK.dll"
      ${Else}
        !insertmacro Log "$0\ZorvikSDK.dll is a camera maker's library that setup did not install: kept."
      ${EndIf}
    ${EndIf}
    Delete /REBOOTOK "$0\ZorvikFilter.dll.previous"
    Delete /REBOOTOK "$0\lumoracap.exe.previous"
    Delete /REBOOTOK "$0\ZorvikSDK.dll.previous"
    Delete /REBOOTOK "$0\libyuv-LICENSE.txt.previous"
  ${EndIf}
  Pop $2
  Pop $0
  Pop $1
FunctionEnd


; Removes uninstall.exe and the folders that are empty now. The running
; uninstaller is a copy in the temporary folder, which goes at the next
; restart; run from the folder itself, uninstall.exe goes at the next restart.
Function un.RemoveSelf
  ; Out of the folders, so that they can be removed.
  SetOutPath $TEMP
  ClearErrors
  Delete "$Folder32\uninstall.exe"
  ${If} ${Errors}
    Delete /REBOOTOK "$Folder32\uninstall.exe"
    !insertmacro Log "$Folder32\uninstall.exe is removed at the next restart."
  ${EndIf}
  ${If} "$EXEDIR" != "$Folder32"
    Delete /REBOOTOK "$EXEPATH"
  ${EndIf}
  ${If} $Folder64 != ""
    RMDir "$Folder64"
    ${If} ${FileExists} "$Folder64\*.*"
      !insertmacro Log "$Folder64 is kept: it holds files setup did not install."
    ${EndIf}
  ${EndIf}
  RMDir "$Folder32"
  ${If} ${FileExists} "$Folder32\*.*"
    !insertmacro Log "$Folder32 is kept: it holds files setup did not install."
  ${EndIf}
FunctionEnd
