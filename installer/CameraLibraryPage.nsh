; The dialog page that chooses the camera library: the simulated camera, or
; the camera maker's ZorvikSDK.dll copied from files the user points at (one
; per architecture). A camera maker's library already in an installation
; folder is never replaced, whatever is chosen here; the page says so.
; Fills $WantSimulated, $Vendor32 and $Vendor64 as the command line does.

Var LibraryPage
Var SimulatedChoice
Var VendorChoice
Var Vendor32Field
Var Vendor64Field
Var Vendor32Browse
Var Vendor64Browse

; Push <folder>; Call; Pop a few words on the library in that folder.
Function DescribeLibraryInPlace
  Exch $0
  ${If} ${FileExists} "$0\ZorvikSDK.dll"
    Push "$0\ZorvikSDK.dll"
    Call IsOurCameraLibrary
    Pop $0
    ${If} $0 == 1
      StrCpy $0 "the simulated camera (brought to this version)"
    ${Else}
      StrCpy $0 "a camera maker's library (kept)"
    ${EndIf}
  ${Else}
    StrCpy $0 "none"
  ${EndIf}
  Exch $0
FunctionEnd

Function CameraLibraryPageShow
  !insertmacro MUI_HEADER_TEXT "Camera library" "The library through which the filter talks to the camera"
  nsDialogs::Create 1018
  Pop $LibraryPage
  ${If} $LibraryPage == error
    Abort
  ${EndIf}

  Push $Folder32
  Call DescribeLibraryInPlace
  Pop $R0
  StrCpy $R1 "In place now: 32-bit: $R0"
  ${If} ${RunningX64}
    Push $Folder64
    Call DescribeLibraryInPlace
    Pop $R0
    StrCpy $R1 "$R1; 64-bit: $R0"
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 20u "$R1."
  Pop $R0

  ${NSD_CreateRadioButton} 0 24u 100% 12u "&Simulated camera (to try Lumora Camera without the camera)"
  Pop $SimulatedChoice
  ${NSD_OnClick} $SimulatedChoice CameraLibraryChoiceChanged
  ${NSD_CreateRadioButton} 0 40u 100% 12u "&Camera maker's ZorvikSDK.dll, copied from:"
  Pop $VendorChoice
  ${NSD_OnClick} $VendorChoice CameraLibraryChoiceChanged

  ${NSD_CreateLabel} 12u 58u 40u 12u "32-bit:"
  Pop $R0
  ${NSD_CreateText} 52u 56u 180u 12u "$Vendor32"
  Pop $Vendor32Field
  ${NSD_CreateBrowseButton} 236u 55u 60u 14u "Browse..."
  Pop $Vendor32Browse
  ${NSD_OnClick} $Vendor32Browse BrowseVendor32
  ${NSD_CreateLabel} 12u 76u 40u 12u "64-bit:"
  Pop $R0
  ${NSD_CreateText} 52u 74u 180u 12u "$Vendor64"
  Pop $Vendor64Field
  ${NSD_CreateBrowseButton} 236u 73u 60u 14u "Browse..."
  Pop $Vendor64Browse
  ${NSD_OnClick} $Vendor64Browse BrowseVendor64

  ${NSD_CreateLabel} 0 96u 100% 40u "Where no library is given, the simulated camera is installed. A camera maker's library already in the installation folder is never replaced."
  Pop $R0

  ${If} "$Vendor32$Vendor64" != ""
    ${NSD_Check} $VendorChoice
  ${Else}
    ${NSD_Check} $SimulatedChoice
  ${EndIf}
  Call CameraLibraryChoiceChanged
  nsDialogs::Show
FunctionEnd

Function CameraLibraryChoiceChanged
  ${NSD_GetState} $VendorChoice $R0
  ${If} $R0 == ${BST_CHECKED}
    StrCpy $R0 1
  ${Else}
    StrCpy $R0 0
  ${EndIf}
  EnableWindow $Vendor32Field $R0
  EnableWindow $Vendor32Browse $R0
  ${IfNot} ${RunningX64}
    StrCpy $R0 0
  ${EndIf}
  EnableWindow $Vendor64Field $R0
  EnableWindow $Vendor64Browse $R0
FunctionEnd

!macro _BrowseVendor FIELD
  Pop $R0
  ${NSD_GetText} ${FIELD} $R0
  nsDialogs::SelectFileDialog open "$R0" "Camera library (ZorvikSDK.dll)|ZorvikSDK.dll|Libraries (*.dll)|*.dll"
  Pop $R0
  ${If} $R0 != ""
    ${NSD_SetText} ${FIELD} $R0
  ${EndIf}
!macroend

Function BrowseVendor32
  !insertmacro _BrowseVendor $Vendor32Field
FunctionEnd

Function BrowseVendor64
  !insertmacro _BrowseVendor $Vendor64Field
FunctionEnd

; Checks the files given before leaving the page; a wrong one keeps the page.
Function CameraLibraryPageLeave
  ${NSD_GetState} $SimulatedChoice $R0
  ${If} $R0 == ${BST_CHECKED}
    StrCpy $WantSimulated 1
    StrCpy $Vendor32 ""
    StrCpy $Vendor64 ""
    Return
  ${EndIf}
  StrCpy $WantSimulated 0
  ${NSD_GetText} $Vendor32Field $Vendor32
  ${NSD_GetText} $Vendor64Field $Vendor64
  ${IfNot} ${RunningX64}
    StrCpy $Vendor64 ""
  ${EndIf}
  Push $Vendor32
  Call FullPath
  Pop $Vendor32
  Push $Vendor64
  Call FullPath
  Pop $Vendor64
  ${If} "$Vendor32$Vendor64" == ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "Give the camera maker's ZorvikSDK.dll, or choose the simulated camera."
    Abort
  ${EndIf}
  Push $Vendor32
  Push ${MACHINE_I386}
  Call CheckVendorLibrary
  Pop $R0
  ${If} $R0 == ""
    Push $Vendor64
    Push ${MACHINE_AMD64}
    Call CheckVendorLibrary
    Pop $R0
  ${EndIf}
  ${If} $R0 != ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "$R0"
    Abort
  ${EndIf}
FunctionEnd
