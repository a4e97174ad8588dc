// Identifiers of the module's resources: the property pages' dialog templates,
// their controls and the page titles. Shared by the resource script and the
// page code; the numbers are part of the module's resource layout.
#pragma once

// String table: page titles.
#define IDS_CAMERA_SET_TITLE 1 // "Camera Set"
#define IDS_FORMAT_TITLE 2     // "Format"

// Dialog templates.
#define IDD_CAMERA_SET_PAGE 102 // empty page window of the "Camera Set" page
#define IDD_CAMERA_SETTINGS 103 // settings dialog placed inside it
#define IDD_FORMAT_PAGE 104     // page window of the "Format" page

// Settings dialog (103): sliders.
#define IDC_AE_TARGET 1007
#define IDC_ISO 1008
#define IDC_EXPOSURE_TIME 1009
#define IDC_SATURATION 1012
#define IDC_CONTRAST 1013
#define IDC_GAMMA 1014
#define IDC_GAIN_B 1015
#define IDC_GAIN_G 1016
#define IDC_GAIN_R 1017
#define IDC_BLACK_LEVEL 1025 // disabled, no behaviour

// Settings dialog: value labels beside the sliders.
#define IDC_AE_TARGET_VALUE 1035
#define IDC_ISO_VALUE 1036
#define IDC_EXPOSURE_TIME_VALUE 1037
#define IDC_GAIN_R_VALUE 1038
#define IDC_GAIN_G_VALUE 1039
#define IDC_GAIN_B_VALUE 1040
#define IDC_GAMMA_VALUE 1041
#define IDC_CONTRAST_VALUE 1042
#define IDC_SATURATION_VALUE 1043
#define IDC_BLACK_LEVEL_VALUE 1044 // disabled, no behaviour

// Settings dialog: check boxes, radio buttons and push buttons.
#define IDC_RESTART 1000
#define IDC_AE_ENABLE 1006
#define IDC_AUTO_WHITE_BALANCE 1010
#define IDC_ENHANCEMENT_ENABLE 1011
#define IDC_SPEED_NORMAL 1018
#define IDC_SPEED_HIGH 1019
#define IDC_LIGHT_50HZ 1020 // hidden, no behaviour
#define IDC_LIGHT_60HZ 1021 // hidden, no behaviour
#define IDC_HFLIP 1022
#define IDC_VFLIP 1023
#define IDC_MONO 1024
#define IDC_DEFAULT 1034

// Format page (104): resolution radio buttons, one group 1045..1049.
#define IDC_RES_FULL 1045    // "3264 x 2448", resolution 0
#define IDC_RES_2BIN 1046    // hidden, resolution 1
#define IDC_RES_4BIN 1047    // hidden, resolution 2
#define IDC_RES_800X600 1048 // hidden, no resolution
#define IDC_RES_640X480 1049 // hidden, no resolution
