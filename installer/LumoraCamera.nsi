; The setup program of Lumora Camera: one 32-bit program that installs the
; 32-bit filter and media source on every Windows and, on 64-bit Windows, the
; 64-bit ones beside them, registers each with the regsvr32 of its
; architecture, registers the virtual camera that shows the media source to
; Media Foundation applications (Windows 11 and later; skipped, and logged,
; elsewhere), and writes the uninstaller and the entry in the
; installed-programs list.
;
; Built by installer/CMakeLists.txt (target "setup") or scripts/package.sh:
;   makensis -DVERSION=1.2.3 -DBIN32=<i686 bin> -DBIN64=<x86_64 bin> -DOUTFILE=<setup.exe> LumoraCamera.nsi
; BIN32 and BIN64 each hold ZorvikFilter.dll, LumoraMediaSource.dll,
; ZorvikSDK.dll (the simulated camera) and lumoracap.exe of their architecture; LICENSES holds
; libyuv-LICENSE.txt, the licence of the conversion library in the filter.
;
; Command line (any mix; /S last but one is fine, NSIS reads it anywhere):
;   /S                  silent: no windows, the result is the exit code and
;                       the log "Lumora Camera setup <date> <time>.log", a new
;                       file in the temporary folder of the user who runs it
;   /SIMULATED          install the simulated camera (the default where no
;                       camera library is in place)
;   /VENDOR32=FILE      copy the camera maker's 32-bit ZorvikSDK.dll from FILE
;   /VENDOR64=FILE      copy the camera maker's 64-bit ZorvikSDK.dll from FILE
;                       (a relative FILE is taken from the working folder)
;
; Exit codes of the setup program and of the uninstaller (setup.exe /S, and the
; quiet uninstall command "<32-bit folder>\uninstall.exe" /S _?=<32-bit folder>):
;   0 done; 1 cancelled by the user; 2 failed, nothing changed (a file could
;   not be written, a registration failed); 3 the camera's files are in use,
;   nothing changed (close the programs using the camera); 4 administrator
;   rights needed; 5 bad command line; 6 (uninstaller) Lumora Camera is not installed.
;
; The media source and the virtual camera serve Media Foundation applications;
; the filter works without them. So a media source that cannot be registered
; (a Windows without Media Foundation, such as an N edition without its media
; feature) and a virtual camera that cannot be made are logged as warnings,
; and setup still ends with 0; before Windows 11 (build 22000) the log says
; the virtual camera was skipped. "lumoracap vcam register", run as
; administrator, makes it later. The uninstaller removes the virtual camera
; before unregistering the media sources, and their class keys even when
; their own unregistration fails.
;
; What is kept where:
;   $PROGRAMFILES32\Lumora Camera   ZorvikFilter.dll, LumoraMediaSource.dll, ZorvikSDK.dll, lumoracap.exe (32-bit),
;                                   uninstall.exe, libyuv-LICENSE.txt
;   $PROGRAMFILES64\Lumora Camera   ZorvikFilter.dll, LumoraMediaSource.dll, ZorvikSDK.dll, lumoracap.exe (64-bit),
;                                   libyuv-LICENSE.txt
;   HKLM\Software\Classes\CLSID\${MEDIA_SOURCE_CLSID} (each view)  the media source, written by its DllRegisterServer
;   HKLM\${UNINSTALL_KEY} (32-bit view)  the installed-programs entry, and
;       which camera library each folder got (CameraLibrary32/64: "simulated",
;       "vendor" copied in by setup, "kept" a vendor library that was there)
; The user's settings file "Lumora Camera.config" (temporary folder) and the
; media source's (%ProgramData%\Lumora Camera) are never touched.

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma
AllowSkipFiles off

!ifndef VERSION | BIN32 | BIN64 | OUTFILE | LICENSES
  !error "Define VERSION, BIN32, BIN64, OUTFILE and LICENSES (see the head of this file)"
!endif

!define PRODUCT "Lumora Camera"
!define PUBLISHER "Lumora"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\LumoraCamera"
!define FOLDER_NAME "Lumora Camera"
; The class id of LumoraMediaSource.dll, which the virtual camera names.
!define MEDIA_SOURCE_CLSID "{03BFB56A-A1B6-4745-AAB7-22A78DACED87}"
; The logs' names, before " <date> <time>.log" (see OpenNewLog).
!define SETUP_LOG "Lumora Camera setup"
!define UNINSTALL_LOG "Lumora Camera uninstall"

!define EXIT_FAILED 2
!define EXIT_IN_USE 3
!define EXIT_NOT_ADMIN 4
!define EXIT_BAD_COMMAND_LINE 5
!define EXIT_NOT_INSTALLED 6

; Machine field of a PE file header.
!define MACHINE_I386 0x014C
!define MACHINE_AMD64 0x8664

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES32\${FOLDER_NAME}"
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${PUBLISHER}"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"
!include "nsDialogs.nsh"

Var Folder32
Var Folder64
Var WantSimulated         ; 1 when /SIMULATED was given or chosen in the dialog
Var Vendor32              ; vendor library to copy, or empty
Var Vendor64
Var Library32             ; what the folder got: simulated, vendor, kept
Var Library64
Var PreviousVersion       ; empty on a fresh install
Var PreviousLibrary32
Var PreviousLibrary64
Var FinishText            ; what the finish page says about the camera libraries
; What this run changed, for the rollback in .onInstFailed.
Var Touched32             ; 1 once files of the folder were replaced
Var Touched64
Var RegisterTried32       ; 1 once regsvr32 ran on the new file
Var RegisterTried64
Var SourceTried32         ; 1 once regsvr32 ran on the new media source
Var SourceTried64
Var SourceRegistered      ; 1 when the native media source is registered
Var EntryTried            ; 1 once the installed-programs entry was written

!include "SetupSupport.nsh"
!include "CameraLibraryPage.nsh"

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_TITLE "${PRODUCT} ${VERSION} is installed"
!define MUI_FINISHPAGE_TEXT "$FinishText"
!insertmacro MUI_PAGE_WELCOME
Page custom CameraLibraryPageShow CameraLibraryPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------------------
; Install

Function .onInit
  SetRegView 32
  StrCpy $Folder32 "$PROGRAMFILES32\${FOLDER_NAME}"
  ${If} ${RunningX64}
    StrCpy $Folder64 "$PROGRAMFILES64\${FOLDER_NAME}"
  ${EndIf}
  !insertmacro StartLog "${SETUP_LOG}" "${PRODUCT} ${VERSION} setup"

  !insertmacro RequireAdministrator

  ; The command line. A vendor library must exist and be of its architecture.
  ${GetParameters} $R0
  StrCpy $WantSimulated 0
  ClearErrors
  ${GetOptions} $R0 "/SIMULATED" $R1
  ${IfNot} ${Errors}
    StrCpy $WantSimulated 1
  ${EndIf}
  ${GetOptions} $R0 "/VENDOR32=" $Vendor32
  ${GetOptions} $R0 "/VENDOR64=" $Vendor64
  Push $Vendor32
  Call FullPath
  Pop $Vendor32
  Push $Vendor64
  Call FullPath
  Pop $Vendor64
  ${If} $WantSimulated == 1
  ${AndIf} "$Vendor32$Vendor64" != ""
    !insertmacro FailSetup ${EXIT_BAD_COMMAND_LINE} "/SIMULATED and /VENDOR32 or /VENDOR64 exclude each other: choose one camera library."
  ${EndIf}
  ${If} $Vendor64 != ""
  ${AndIfNot} ${RunningX64}
    !insertmacro FailSetup ${EXIT_BAD_COMMAND_LINE} "/VENDOR64 was given, but this Windows is 32-bit and gets no 64-bit files."
  ${EndIf}
  Push $Vendor32
  Push ${MACHINE_I386}
  Call CheckVendorLibrary
  Pop $R1
  ${If} $R1 != ""
    !insertmacro FailSetup ${EXIT_BAD_COMMAND_LINE} "/VENDOR32: $R1"
  ${EndIf}
  Push $Vendor64
  Push ${MACHINE_AMD64}
  Call CheckVendorLibrary
  Pop $R1
  ${If} $R1 != ""
    !insertmacro FailSetup ${EXIT_BAD_COMMAND_LINE} "/VENDOR64: $R1"
  ${EndIf}

  ; A previous installation: its version and which camera library it put where.
  ReadRegStr $PreviousVersion HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ReadRegStr $PreviousLibrary32 HKLM "${UNINSTALL_KEY}" "CameraLibrary32"
  ReadRegStr $PreviousLibrary64 HKLM "${UNINSTALL_KEY}" "CameraLibrary64"
  ${If} $PreviousVersion != ""
    !insertmacro Log "Installed now: version $PreviousVersion; it is replaced."
  ${EndIf}
FunctionEnd

Section "-Install"
  SetRegView 32
  StrCpy $Touched32 0
  StrCpy $Touched64 0
  StrCpy $RegisterTried32 0
  StrCpy $RegisterTried64 0
  StrCpy $SourceTried32 0
  StrCpy $SourceTried64 0
  StrCpy $SourceRegistered 0
  StrCpy $EntryTried 0

  ; Nothing is replaced while a program has the camera's files open: the
  ; user closes it first (or the silent install ends with EXIT_IN_USE), so
  ; that no folder ever holds a mix of two versions.
  Call WaitUntilNotInUse

  ; Files. Each replaced file is kept as <name>.previous until every step
  ; that can fail has succeeded, so that a failure can put the previous
  ; version back.
  !insertmacro Log "32-bit files: $Folder32"
  StrCpy $Touched32 1
  !insertmacro PlaceFile "${BIN32}" "ZorvikFilter.dll" $Folder32
  !insertmacro PlaceFile "${BIN32}" "LumoraMediaSource.dll" $Folder32
  !insertmacro PlaceFile "${BIN32}" "lumoracap.exe" $Folder32
  !insertmacro PlaceFile "${LICENSES}" "libyuv-LICENSE.txt" $Folder32
  !insertmacro PlaceCameraLibrary "${BIN32}" $Folder32 $Vendor32 $PreviousLibrary32 $Library32
  ${If} ${RunningX64}
    !insertmacro Log "64-bit files: $Folder64"
    StrCpy $Touched64 1
    !insertmacro PlaceFile "${BIN64}" "ZorvikFilter.dll" $Folder64
    !insertmacro PlaceFile "${BIN64}" "LumoraMediaSource.dll" $Folder64
    !insertmacro PlaceFile "${BIN64}" "lumoracap.exe" $Folder64
    !insertmacro PlaceFile "${LICENSES}" "libyuv-LICENSE.txt" $Folder64
    !insertmacro PlaceCameraLibrary "${BIN64}" $Folder64 $Vendor64 $PreviousLibrary64 $Library64
  ${EndIf}
  Call PlaceUninstaller

  ; Registration, each with the regsvr32 of its architecture. A failure
  ; fails the install; .onInstFailed undoes everything.
  StrCpy $RegisterTried32 1
  Push "$Folder32\ZorvikFilter.dll"
  Push ""
  Push "32"
  Call RunRegsvr32
  Pop $R0
  ${If} $R0 != 0
    !insertmacro FailSetup ${EXIT_FAILED} "The 32-bit filter could not be registered (regsvr32 ended with $R0)."
  ${EndIf}
  ${If} ${RunningX64}
    StrCpy $RegisterTried64 1
    Push "$Folder64\ZorvikFilter.dll"
    Push ""
    Push "64"
    Call RunRegsvr32
    Pop $R0
    ${If} $R0 != 0
      !insertmacro FailSetup ${EXIT_FAILED} "The 64-bit filter could not be registered (regsvr32 ended with $R0)."
    ${EndIf}
  ${EndIf}
  ; The media sources: a failure is a warning (see the head of this file).
  StrCpy $SourceTried32 1
  Push "32"
  Call RegisterMediaSource
  Pop $SourceRegistered
  ${If} ${RunningX64}
    StrCpy $SourceTried64 1
    Push "64"
    Call RegisterMediaSource
    Pop $SourceRegistered
  ${EndIf}

  StrCpy $EntryTried 1
  Call WriteUninstallEntry
  Pop $R0
  ${If} $R0 != 0
    !insertmacro FailSetup ${EXIT_FAILED} "The installed-programs entry (HKLM\${UNINSTALL_KEY}) could not be written."
  ${EndIf}

  ; Every step that can fail has succeeded: only now do the previous files
  ; go. What an uninstaller left to be deleted at the next restart is kept.
  Push $Folder32
  Call CancelPendingDeletes
  Push $Folder32
  Call DeletePreviousFiles
  ${If} ${RunningX64}
    Push $Folder64
    Call CancelPendingDeletes
    Push $Folder64
    Call DeletePreviousFiles
  ${EndIf}
  ; The virtual camera comes last: nothing after it can fail, so it is never
  ; left behind by a rollback.
  Call RegisterVirtualCamera
  !insertmacro Log "32-bit camera library: $Library32"
  StrCpy $FinishText "Capture applications now list $\"Lumora Camera$\" among their video devices.$\r$\n$\r$\n32-bit camera library: $Library32"
  ${If} ${RunningX64}
    !insertmacro Log "64-bit camera library: $Library64"
    StrCpy $FinishText "$FinishText$\r$\n64-bit camera library: $Library64"
  ${EndIf}
  StrCpy $FinishText "$FinishText$\r$\nVirtual camera: $VirtualCamera"

  !insertmacro Log "Installed ${PRODUCT} ${VERSION}."
SectionEnd

; Called when the install was aborted (a failure above, or the user): puts
; back what was there before this run, and says whether it could.
Function .onInstFailed
  !insertmacro Log "Undoing the changes of this run."
  StrCpy $RestoreFailures 0
  ; Out of the folders, so that an empty one can be removed.
  SetOutPath $TEMP
  ${If} $SourceTried64 == 1
    Push "$Folder64\LumoraMediaSource.dll"
    Push "/u"
    Push "64"
    Call RunRegsvr32
    Pop $R0
  ${EndIf}
  ${If} $SourceTried32 == 1
    Push "$Folder32\LumoraMediaSource.dll"
    Push "/u"
    Push "32"
    Call RunRegsvr32
    Pop $R0
  ${EndIf}
  ${If} $RegisterTried64 == 1
    Push "$Folder64\ZorvikFilter.dll"
    Push "/u"
    Push "64"
    Call RunRegsvr32
    Pop $R0
  ${EndIf}
  ${If} $RegisterTried32 == 1
    Push "$Folder32\ZorvikFilter.dll"
    Push "/u"
    Push "32"
    Call RunRegsvr32
    Pop $R0
  ${EndIf}
  ${If} $Touched64 == 1
    Push $Folder64
    Call RestorePreviousFiles
  ${EndIf}
  ${If} $Touched32 == 1
    Push $Folder32
    Call RestorePreviousFiles
  ${EndIf}
  ${If} $EntryTried == 1
    Call RestoreUninstallEntry
  ${EndIf}
  ; An upgrade that failed leaves the previous version registered as it was.
  ${If} $PreviousVersion != ""
    ${If} $RegisterTried32 == 1
      Push "$Folder32\ZorvikFilter.dll"
      Push ""
      Push "32"
      Call RunRegsvr32
      Pop $R0
      ${If} $R0 != 0
        IntOp $RestoreFailures $RestoreFailures + 1
      ${EndIf}
    ${EndIf}
    ${If} $RegisterTried64 == 1
      Push "$Folder64\ZorvikFilter.dll"
      Push ""
      Push "64"
      Call RunRegsvr32
      Pop $R0
      ${If} $R0 != 0
        IntOp $RestoreFailures $RestoreFailures + 1
      ${EndIf}
    ${EndIf}
    ; The previous version's media sources, where it had them (a warning
    ; then as now, so not counted).
    ${If} $SourceTried32 == 1
    ${AndIf} ${FileExists} "$Folder32\LumoraMediaSource.dll"
      Push "$Folder32\LumoraMediaSource.dll"
      Push ""
      Push "32"
      Call RunRegsvr32
      Pop $R0
    ${EndIf}
    ${If} $SourceTried64 == 1
    ${AndIf} ${FileExists} "$Folder64\LumoraMediaSource.dll"
      Push "$Folder64\LumoraMediaSource.dll"
      Push ""
      Push "64"
      Call RunRegsvr32
      Pop $R0
    ${EndIf}
  ${EndIf}
  ${If} $RestoreFailures = 0
    ${If} $PreviousVersion != ""
      !insertmacro Log "Nothing was changed: version $PreviousVersion is installed as before."
    ${Else}
      !insertmacro Log "Nothing was changed: ${PRODUCT} is not installed."
    ${EndIf}
  ${Else}
    ${If} $PreviousVersion != ""
      StrCpy $R0 "Version $PreviousVersion could not be put back completely ($RestoreFailures steps failed, see above): run its setup program again."
    ${Else}
      StrCpy $R0 "What this run installed could not be removed completely ($RestoreFailures steps failed, see above): run this setup program again."
    ${EndIf}
    !insertmacro Log "$R0"
    MessageBox MB_OK|MB_ICONSTOP "$R0" /SD IDOK
  ${EndIf}
FunctionEnd

; The installed-programs entry as it was before this run: none on a fresh
; install; on an upgrade the values this run changes that tell the version
; and its camera libraries.
Function RestoreUninstallEntry
  ClearErrors
  ${If} $PreviousVersion == ""
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${Else}
    ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
    ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "CameraLibrary32"
    ReadRegStr $R2 HKLM "${UNINSTALL_KEY}" "CameraLibrary64"
    ClearErrors
    ${If} $R0 != $PreviousVersion
      WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" $PreviousVersion
    ${EndIf}
    ${If} $R1 != $PreviousLibrary32
      WriteRegStr HKLM "${UNINSTALL_KEY}" "CameraLibrary32" $PreviousLibrary32
    ${EndIf}
    ${If} $R2 != $PreviousLibrary64
      WriteRegStr HKLM "${UNINSTALL_KEY}" "CameraLibrary64" $PreviousLibrary64
    ${EndIf}
  ${EndIf}
  ${If} ${Errors}
    !insertmacro Log "The installed-programs entry could not be put back as it was."
    IntOp $RestoreFailures $RestoreFailures + 1
  ${EndIf}
FunctionEnd

; Call; Pop 0 when every value was written, 1 when one could not be.
Function WriteUninstallEntry
  ${GetSize} "$Folder32" "/S=0K" $R0 $R1 $R2
  ${If} ${RunningX64}
    ${GetSize} "$Folder64" "/S=0K" $R3 $R1 $R2
    IntOp $R0 $R0 + $R3
  ${EndIf}
  ClearErrors
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $R0
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$Folder32"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$Folder32\uninstall.exe"
  ; Started by itself, the uninstaller runs from a copy NSIS makes in the
  ; temporary folder (so that it can remove its own file) and its first
  ; process ends at once, without the result. The quiet command, which
  ; deployment tools run as an administrator or SYSTEM, runs uninstall.exe
  ; where it is (_?=): nothing is started from a folder that other users can
  ; write, and the caller gets the uninstaller's own exit code.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$Folder32\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$Folder32\uninstall.exe" /S _?=$Folder32'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegStr HKLM "${UNINSTALL_KEY}" "CameraLibrary32" "$Library32"
  ${If} ${RunningX64}
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation64" "$Folder64"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "CameraLibrary64" "$Library64"
  ${EndIf}
  ${If} ${Errors}
    Push 1
  ${Else}
    Push 0
  ${EndIf}
FunctionEnd

; ---------------------------------------------------------------------------
; Uninstall. It runs in place with _?=<folder> (the quiet command), or from
; the copy NSIS makes (see WriteUninstallEntry); either way $INSTDIR is the
; 32-bit folder.

Var UnLibrary32
Var UnLibrary64
Var Unregistered32
Var Unregistered64

Function un.onInit
  SetRegView 32
  StrCpy $Folder32 "$INSTDIR"
  ${If} ${RunningX64}
    StrCpy $Folder64 "$PROGRAMFILES64\${FOLDER_NAME}"
  ${EndIf}
  !insertmacro StartLog "${UNINSTALL_LOG}" "${PRODUCT} ${VERSION} uninstall"
  !insertmacro RequireAdministrator
  ReadRegStr $PreviousVersion HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $PreviousVersion == ""
  ${AndIfNot} ${FileExists} "$Folder32\ZorvikFilter.dll"
    !insertmacro FailSetup ${EXIT_NOT_INSTALLED} "${PRODUCT} is not installed: nothing was removed."
  ${EndIf}
  ReadRegStr $UnLibrary32 HKLM "${UNINSTALL_KEY}" "CameraLibrary32"
  ReadRegStr $UnLibrary64 HKLM "${UNINSTALL_KEY}" "CameraLibrary64"
FunctionEnd

Section "Uninstall"
  SetRegView 32
  StrCpy $Unregistered32 0
  StrCpy $Unregistered64 0
  Call un.WaitUntilNotInUse

  ; Both registrations go first; if one cannot be removed the other is put
  ; back and nothing is deleted.
  ${If} ${RunningX64}
  ${AndIf} ${FileExists} "$Folder64\ZorvikFilter.dll"
    Push "$Folder64\ZorvikFilter.dll"
    Push "/u"
    Push "64"
    Call un.RunRegsvr32
    Pop $R0
    ${If} $R0 != 0
      !insertmacro FailSetup ${EXIT_FAILED} "The 64-bit filter could not be unregistered (regsvr32 ended with $R0). Nothing was removed."
    ${EndIf}
    StrCpy $Unregistered64 1
  ${EndIf}
  ${If} ${FileExists} "$Folder32\ZorvikFilter.dll"
    Push "$Folder32\ZorvikFilter.dll"
    Push "/u"
    Push "32"
    Call un.RunRegsvr32
    Pop $R0
    ${If} $R0 != 0
      !insertmacro FailSetup ${EXIT_FAILED} "The 32-bit filter could not be unregistered (regsvr32 ended with $R0). Nothing was removed."
    ${EndIf}
    StrCpy $Unregistered32 1
  ${EndIf}

  ; The virtual camera goes before the media source it names; then the
  ; media sources (a failure is a warning: their class keys go regardless).
  Call un.RemoveVirtualCamera
  ${If} ${RunningX64}
    Push "64"
    Call un.UnregisterMediaSource
  ${EndIf}
  Push "32"
  Call un.UnregisterMediaSource

  ${If} ${RunningX64}
    Push $Folder64
    Push $UnLibrary64
    Call un.RemoveFolderFiles
  ${EndIf}
  Push $Folder32
  Push $UnLibrary32
  Call un.RemoveFolderFiles
  Call un.RemoveSelf

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  !insertmacro Log "Removed ${PRODUCT}. The settings file $\"Lumora Camera.config$\" in the temporary folder of each user, and the media source's in %ProgramData%\${FOLDER_NAME}, are kept."
SectionEnd

Function un.onUninstFailed
  ${If} $Unregistered32 == 1
    Push "$Folder32\ZorvikFilter.dll"
    Push ""
    Push "32"
    Call un.RunRegsvr32
    Pop $R0
  ${EndIf}
  ${If} $Unregistered64 == 1
    Push "$Folder64\ZorvikFilter.dll"
    Push ""
    Push "64"
    Call un.RunRegsvr32
    Pop $R0
  ${EndIf}
FunctionEnd
