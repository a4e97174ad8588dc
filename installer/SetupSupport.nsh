; Helpers of LumoraCamera.nsi: the log, failing with an exit code, the
; administrator check, regsvr32 of each architecture, the media source and
; the virtual camera (warnings, never failures), telling the simulated
; camera from a vendor's library, the in-use check, and placing files so that
; a failed install can put the previous ones back, and taking its files out
; of the deletions pending for the next restart.
;
; Failures inside the install section say what failed, not "Nothing was
; changed": .onInstFailed says that, once it has put back what was there.

!include "StrFunc.nsh"
${StrStr}

Var LogFile
Var KeptFiles      ; "|<path>|..." of the files renamed to <path>.previous by this run
Var PlacedFiles    ; "|<path>|..." of the files written by this run
Var RestoreFailures ; steps of the rollback that failed
Var VirtualCamera   ; what became of the virtual camera, for the finish page

; Each run writes what it does to a log of its own in the temporary folder
; of the user who runs it, so that a silent run can be understood afterwards
; (OpenNewLog names and makes the file).
!macro StartLog NAME TITLE
  Push "${NAME}"
  !ifdef __UNINSTALL__
    Call un.OpenNewLog
  !else
    Call OpenNewLog
  !endif
  ${If} $LogFile != ""
    FileWriteUTF16LE /BOM $LogFile "${TITLE}$\r$\n"
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

; Push <name>; Call: opens $LogFile as a new file in the temporary folder,
; "<name> <yyyy-mm-dd hh-mm-ss>.log" (" (2)" and up when that name is
; taken), or leaves it empty when none can be made. The file is always made
; new, never opened over a file or a link that is there: the temporary
; folder may be one every user can write (SYSTEM's is C:\Windows\Temp), and
; a name known in advance could have been planted there.
Function ${UN}OpenNewLog
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  System::Call '*(&i2, &i2, &i2, &i2, &i2, &i2, &i2, &i2) p .r1'
  System::Call 'kernel32::GetLocalTime(p r1)'
  System::Call '*$1(&i2 .r2, &i2 .r3, &i2, &i2 .r4, &i2 .r5, &i2 .r6, &i2 .r7)'
  System::Free $1
  IntFmt $3 "%02u" $3
  IntFmt $4 "%02u" $4
  IntFmt $5 "%02u" $5
  IntFmt $6 "%02u" $6
  IntFmt $7 "%02u" $7
  StrCpy $0 "$TEMP\$0 $2-$3-$4 $5-$6-$7"
  StrCpy $LogFile ""
  ${ForEach} $1 1 99 + 1
    ${If} $1 = 1
      StrCpy $2 "$0.log"
    ${Else}
      StrCpy $2 "$0 ($1).log"
    ${EndIf}
    ; GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW, FILE_ATTRIBUTE_NORMAL |
    ; FILE_FLAG_OPEN_REPARSE_POINT: any name that is there, a link too, fails.
    System::Call 'kernel32::CreateFileW(w r2, i 0x40000000, i 1, p 0, i 1, i 0x00200080, p 0) p .r3 ?e'
    Pop $4
    ${If} $3 <> -1
      StrCpy $LogFile $3
      ${Break}
    ${ElseIf} $4 <> 80 ; ERROR_FILE_EXISTS
    ${AndIf} $4 <> 183 ; ERROR_ALREADY_EXISTS
      ${Break}
    ${EndIf}
  ${Next}
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

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

; Push "register" or "unregister"; Call; Pop the exit code of lumoracap
; vcam (see its ExitCodes.h: 6 no virtual camera on this Windows, 7 access
; denied), or "error" when it did not run. The native architecture's
; lumoracap, since the frame server that loads the media source is native;
; run hidden, what it printed goes to the log.
Function ${UN}RunVirtualCameraCommand
  Exch $0 ; action
  Push $1
  Push $2
  StrCpy $2 $0
  ${If} ${RunningX64}
    StrCpy $1 "$Folder64\lumoracap.exe"
  ${Else}
    StrCpy $1 "$Folder32\lumoracap.exe"
  ${EndIf}
  nsExec::ExecToStack '"$1" vcam $2'
  Pop $0 ; exit code, "error" or "timeout"
  Pop $1 ; what it printed
  ${Do} ; without its last line end
    StrCpy $R0 $1 1 -1
    ${If} $R0 != "$\r"
    ${AndIf} $R0 != "$\n"
      ${Break}
    ${EndIf}
    StrCpy $1 $1 -1
  ${Loop}
  !insertmacro Log "lumoracap vcam $2: $0"
  ${If} $1 != ""
    !insertmacro Log "$1"
  ${EndIf}
  Pop $2
  Pop $1
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

; Push "32" or "64"; Call; Pop 1 when that folder's media source is
; registered, 0 (with a warning in the log) when regsvr32 failed.
Function RegisterMediaSource
  Exch $0
  ${If} $0 == "64"
    Push "$Folder64\LumoraMediaSource.dll"
  ${Else}
    Push "$Folder32\LumoraMediaSource.dll"
  ${EndIf}
  Push ""
  Push $0
  Call RunRegsvr32
  Pop $R0
  ${If} $R0 == 0
    StrCpy $0 1
  ${Else}
    !insertmacro Log "Warning: the $0-bit media source could not be registered (regsvr32 ended with $R0): Media Foundation applications do not see the camera. The DirectShow filter is installed."
    StrCpy $0 0
  ${EndIf}
  Exch $0
FunctionEnd

; Registers the virtual camera over the native media source (lumoracap vcam
; register) and logs what became of it; a failure is a warning.
Function RegisterVirtualCamera
  Push $0
  ${If} $SourceRegistered != 1
    StrCpy $VirtualCamera "not registered: the media source is not registered"
    !insertmacro Log "Warning: the virtual camera was not registered, because the media source is not registered."
  ${Else}
    Push "register"
    Call RunVirtualCameraCommand
    Pop $0
    ${If} $0 == 0
      StrCpy $VirtualCamera "registered: Media Foundation applications list $\"${PRODUCT}$\""
      !insertmacro Log "The virtual camera is registered: Media Foundation applications (the Camera app) list $\"${PRODUCT}$\"."
    ${ElseIf} $0 == 6
      StrCpy $VirtualCamera "skipped: it needs Windows 11 (build 22000 or later)"
      !insertmacro Log "The virtual camera was skipped: it needs Windows 11 (build 22000 or later). DirectShow applications see the camera through the filter."
    ${Else}
      StrCpy $VirtualCamera "not registered (see the setup log)"
      !insertmacro Log "Warning: the virtual camera could not be registered (lumoracap ended with $0). The DirectShow filter is installed; $\"lumoracap vcam register$\", run as administrator, tries again."
    ${EndIf}
  ${EndIf}
  Pop $0
FunctionEnd

; Push <path or "">; Call; Pop its full path ("" stays ""). A relative path
; is taken from the working folder the program started in, once, before
; SetOutPath changes that folder.
Function FullPath
  Exch $0
  Push $1
  Push $2
  ${If} $0 != ""
    System::Call 'kernel32::GetFullPathNameW(w r0, i ${NSIS_MAX_STRLEN}, w .r1, p 0) i .r2'
    ${If} $2 > 0
    ${AndIf} $2 < ${NSIS_MAX_STRLEN}
      StrCpy $0 $1
    ${EndIf}
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

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
      !insertmacro FailSetup ${EXIT_FAILED} "$0 could not be replaced (renaming it failed)."
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
  StrCpy $PlacedFiles "$PlacedFiles|${FOLDER}\${NAME}|"
  ClearErrors
  File "/oname=${NAME}" "${SOURCE}\${NAME}"
  ${If} ${Errors}
    !insertmacro FailSetup ${EXIT_FAILED} "${FOLDER}\${NAME} could not be written."
  ${EndIf}
!macroend

; Writes uninstall.exe into the 32-bit folder, keeping the previous one as
; the other files are kept.
Function PlaceUninstaller
  Push "$Folder32\uninstall.exe"
  Call KeepPrevious
  StrCpy $PlacedFiles "$PlacedFiles|$Folder32\uninstall.exe|"
  ClearErrors
  WriteUninstaller "$Folder32\uninstall.exe"
  ${If} ${Errors}
    !insertmacro FailSetup ${EXIT_FAILED} "The uninstaller could not be written to $Folder32."
  ${EndIf}
FunctionEnd

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
    StrCpy $PlacedFiles "$PlacedFiles|$R5|"
    ClearErrors
    CopyFiles /SILENT /FILESONLY "${VENDOR}" "$R5"
    ${If} ${Errors}
    ${OrIfNot} ${FileExists} "$R5"
      !insertmacro FailSetup ${EXIT_FAILED} "${VENDOR} could not be copied to $R5."
    ${EndIf}
    StrCpy ${RESULT} "vendor"
    !insertmacro Log "Camera maker's library copied from ${VENDOR}."
  ${Else}
    !insertmacro PlaceFile "${SOURCE}" "ZorvikSDK.dll" "${FOLDER}"
    StrCpy ${RESULT} "simulated"
    !insertmacro Log "Simulated camera installed as $R5."
  ${EndIf}
!macroend

; Puts back a file this run replaced, or removes one it added; a step that
; fails is logged and counted in $RestoreFailures.
!macro _RestoreFile FOLDER NAME
  ${StrStr} $R1 $KeptFiles "|${FOLDER}\${NAME}|"
  ${StrStr} $R2 $PlacedFiles "|${FOLDER}\${NAME}|"
  ClearErrors
  ${If} $R1 != ""
    ${If} ${FileExists} "${FOLDER}\${NAME}"
      Delete "${FOLDER}\${NAME}"
    ${EndIf}
    Rename "${FOLDER}\${NAME}.previous" "${FOLDER}\${NAME}"
    ${If} ${Errors}
      !insertmacro Log "${FOLDER}\${NAME} could not be put back from ${NAME}.previous."
      IntOp $RestoreFailures $RestoreFailures + 1
    ${EndIf}
  ${ElseIf} $R2 != ""
  ${AndIf} ${FileExists} "${FOLDER}\${NAME}"
    Delete "${FOLDER}\${NAME}"
    ${If} ${Errors}
      !insertmacro Log "${FOLDER}\${NAME} could not be removed."
      IntOp $RestoreFailures $RestoreFailures + 1
    ${EndIf}
  ${EndIf}
!macroend

; Push <folder>; Call: puts back the files this run replaced and removes the
; ones it added; the folder goes when nothing else is in it.
Function RestorePreviousFiles
  Exch $0
  Push $R1
  Push $R2
  !insertmacro _RestoreFile $0 "ZorvikFilter.dll"
  !insertmacro _RestoreFile $0 "LumoraMediaSource.dll"
  !insertmacro _RestoreFile $0 "lumoracap.exe"
  !insertmacro _RestoreFile $0 "ZorvikSDK.dll"
  !insertmacro _RestoreFile $0 "uninstall.exe"
  !insertmacro _RestoreFile $0 "libyuv-LICENSE.txt"
  RMDir "$0"
  Pop $R2
  Pop $R1
  Pop $0
FunctionEnd

; Push <folder>; Call: takes the folder and its files out of the deletions
; Windows makes at the next restart (PendingFileRenameOperations). An
; uninstaller run in place, or a file in use at uninstall, is deleted then;
; a version installed since must not lose its files to that. Renames, and
; deletions of other paths, stay. Called once the install has succeeded.
Function CancelPendingDeletes
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  Push $8
  Push $9
  Push $R0
  Push $R1
  Push $R2
  StrCpy $R1 "\??\$0"
  StrLen $9 "$R1\"
  ; HKEY_LOCAL_MACHINE, KEY_QUERY_VALUE | KEY_SET_VALUE
  System::Call 'advapi32::RegOpenKeyExW(p 0x80000002, w "SYSTEM\CurrentControlSet\Control\Session Manager", i 0, i 3, *p .r1) i .r2'
  ${If} $2 = 0
    System::Call 'advapi32::RegQueryValueExW(p r1, w "PendingFileRenameOperations", p 0, *i .r3, p 0, *i .r4) i .r2'
    ${If} $2 = 0
    ${AndIf} $3 = 7 ; REG_MULTI_SZ
    ${AndIf} $4 > 0
      IntOp $4 $4 + 4 ; room for the terminators a value may lack
      System::Alloc $4
      Pop $5 ; the value: pairs of "source", "target" ("" deletes)
      System::Alloc $4
      Pop $6 ; the pairs kept
      System::Call 'advapi32::RegQueryValueExW(p r1, w "PendingFileRenameOperations", p 0, p 0, p r5, *i r4 r4) i .r2'
      StrCpy $7 0 ; bytes read
      StrCpy $8 0 ; bytes kept
      ${DoWhile} $2 = 0
        ${IfNot} $7 < $4
          ${Break}
        ${EndIf}
        IntOp $3 $5 + $7
        System::Call 'kernel32::lstrlenW(p r3) i .r0'
        ${If} $0 = 0
          ${Break}
        ${EndIf}
        System::Call 'kernel32::lstrcpynW(w .R0, p r3, i ${NSIS_MAX_STRLEN}) p'
        ; The pair's bytes: source, its 0, target, its 0.
        IntOp $0 $0 + 1
        IntOp $0 $0 * 2
        IntOp $3 $3 + $0
        System::Call 'kernel32::lstrlenW(p r3) i .R2'
        IntOp $3 $R2 + 1
        IntOp $3 $3 * 2
        IntOp $0 $0 + $3
        StrCpy $3 $R0 $9
        ${If} $R2 = 0
        ${AndIf} $3 == "$R1\"
          !insertmacro Log "No longer deleted at the next restart: $R0"
        ${ElseIf} $R2 = 0
        ${AndIf} $R0 == $R1
          !insertmacro Log "No longer deleted at the next restart: $R0"
        ${Else}
          IntOp $3 $5 + $7
          IntOp $R0 $6 + $8
          System::Call 'kernel32::RtlMoveMemory(p R0, p r3, i r0)'
          IntOp $8 $8 + $0
        ${EndIf}
        IntOp $7 $7 + $0
      ${Loop}
      ${If} $2 = 0
      ${AndIf} $8 < $7
        ${If} $8 = 0
          System::Call 'advapi32::RegDeleteValueW(p r1, w "PendingFileRenameOperations") i .r2'
        ${Else}
          IntOp $R0 $6 + $8
          System::Call '*$R0(&i2 0)'
          IntOp $8 $8 + 2
          System::Call 'advapi32::RegSetValueExW(p r1, w "PendingFileRenameOperations", i 0, i 7, p r6, i r8) i .r2'
        ${EndIf}
        ${If} $2 <> 0
          !insertmacro Log "The deletions at the next restart could not be changed (error $2): files in $R1 may be deleted then."
        ${EndIf}
      ${EndIf}
      System::Free $6
      System::Free $5
    ${EndIf}
    System::Call 'advapi32::RegCloseKey(p r1)'
  ${EndIf}
  Pop $R2
  Pop $R1
  Pop $R0
  Pop $9
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Push <folder>; Call: the previous files are no longer needed (called once
; every step that can fail has succeeded). One that a program still holds
; (renamed while in use) goes at the next restart.
Function DeletePreviousFiles
  Exch $0
  Delete /REBOOTOK "$0\ZorvikFilter.dll.previous"
  Delete /REBOOTOK "$0\LumoraMediaSource.dll.previous"
  Delete /REBOOTOK "$0\lumoracap.exe.previous"
  Delete /REBOOTOK "$0\ZorvikSDK.dll.previous"
  Delete /REBOOTOK "$0\uninstall.exe.previous"
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
    !insertmacro _UnDelete "$0\LumoraMediaSource.dll"
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
    Delete /REBOOTOK "$0\LumoraMediaSource.dll.previous"
    Delete /REBOOTOK "$0\lumoracap.exe.previous"
    Delete /REBOOTOK "$0\ZorvikSDK.dll.previous"
    Delete /REBOOTOK "$0\uninstall.exe.previous"
    Delete /REBOOTOK "$0\libyuv-LICENSE.txt.previous"
  ${EndIf}
  Pop $2
  Pop $0
  Pop $1
FunctionEnd


; Removes the virtual camera (lumoracap vcam unregister) and logs how it
; went; a failure is a warning, the uninstall goes on.
Function un.RemoveVirtualCamera
  Push $0
  ${If} ${RunningX64}
    StrCpy $0 "$Folder64\lumoracap.exe"
  ${Else}
    StrCpy $0 "$Folder32\lumoracap.exe"
  ${EndIf}
  ${If} ${FileExists} "$0"
    Push "unregister"
    Call un.RunVirtualCameraCommand
    Pop $0
    ${If} $0 == 0
      !insertmacro Log "The virtual camera is removed."
    ${ElseIf} $0 == 6
      !insertmacro Log "No virtual camera to remove: this Windows has none (it needs Windows 11, build 22000 or later)."
    ${Else}
      !insertmacro Log "Warning: the virtual camera could not be removed (lumoracap ended with $0)."
    ${EndIf}
  ${EndIf}
  Pop $0
FunctionEnd

; Push "32" or "64"; Call: unregisters that folder's media source. When its
; own unregistration fails (or the file is gone) its class key is deleted
; here, so that no registration names a file the uninstall removes.
Function un.UnregisterMediaSource
  Exch $0
  Push $1
  Push $2
  ${If} $0 == "64"
    StrCpy $1 "$Folder64\LumoraMediaSource.dll"
    SetRegView 64
  ${Else}
    StrCpy $1 "$Folder32\LumoraMediaSource.dll"
  ${EndIf}
  StrCpy $2 "missing"
  ${If} ${FileExists} "$1"
    Push "$1"
    Push "/u"
    Push $0
    Call un.RunRegsvr32
    Pop $2
  ${EndIf}
  ${If} $2 != 0
    ClearErrors
    EnumRegKey $R0 HKLM "Software\Classes\CLSID\${MEDIA_SOURCE_CLSID}" 0
    ${IfNot} ${Errors}
      DeleteRegKey HKLM "Software\Classes\CLSID\${MEDIA_SOURCE_CLSID}"
      !insertmacro Log "Warning: the $0-bit media source did not unregister itself ($2): its class key was deleted."
    ${EndIf}
  ${EndIf}
  SetRegView 32
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Removes uninstall.exe and the folders that are empty now. Run in place
; (the quiet command: _?=<folder>), the uninstaller's own file cannot be
; deleted while it runs: it goes at the next restart, and the folder with it
; when nothing else is in it (a setup program run before then keeps its
; files, see CancelPendingDeletes). Started without _?=, the uninstaller
; runs from a copy NSIS made, and the file in the folder is deleted at once.
Function un.RemoveSelf
  Push $0
  ; Out of the folders, so that they can be removed.
  SetOutPath $TEMP
  StrCpy $0 0 ; 1 when uninstall.exe goes at the next restart
  ${If} $EXEDIR == $Folder32
    Delete /REBOOTOK "$EXEPATH"
    StrCpy $0 1
  ${Else}
    ClearErrors
    Delete "$Folder32\uninstall.exe"
    ${If} ${Errors}
      Delete /REBOOTOK "$Folder32\uninstall.exe"
      StrCpy $0 1
    ${EndIf}
    Delete /REBOOTOK "$EXEPATH"
  ${EndIf}
  ${If} $Folder64 != ""
    RMDir "$Folder64"
    ${If} ${FileExists} "$Folder64\*.*"
      !insertmacro Log "$Folder64 is kept: it holds files setup did not install."
    ${EndIf}
  ${EndIf}
  ${If} $0 = 1
    !insertmacro Log "$Folder32\uninstall.exe is removed at the next restart, and its folder with it when nothing else is in it."
    RMDir /REBOOTOK "$Folder32"
  ${Else}
    RMDir "$Folder32"
    ${If} ${FileExists} "$Folder32\*.*"
      !insertmacro Log "$Folder32 is kept: it holds files setup did not install."
    ${EndIf}
  ${EndIf}
  Pop $0
FunctionEnd
