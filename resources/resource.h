// Every resource and control id of the program. Also read by the resource compiler.
#pragma once

// Dialog templates. The configuration dialog's id is the one the screen-saver library opens.
#define IDD_CONFIGURE 2003
#define IDD_DEFAULTS 101
#define IDD_ABOUT 102

// Bitmaps.
#define IDB_ABOUT_PICTURE 105
#define IDB_BANNER 107
#define IDB_HALO 108

// The program's icon group. The saver window class asks for the library's id 100, which is not here.
#define IDI_NIMBREL 104

// Configuration dialog: trackbars.
#define IDC_BASE_RED 1005
#define IDC_BASE_GREEN 1007
#define IDC_BASE_BLUE 1008
#define IDC_SECONDARY_RED 1009
#define IDC_SECONDARY_GREEN 1010
#define IDC_SECONDARY_BLUE 1011
#define IDC_SPEED 1014
#define IDC_SIZE_MAX 1024
#define IDC_SIZE_MIN 1025
#define IDC_POINT_COUNT 1022
#define IDC_ROTATION_X 1016
#define IDC_ROTATION_Y 1017
#define IDC_ROTATION_Z 1018
#define IDC_SPREAD 1029

// Configuration dialog: tick boxes.
#define IDC_ANIM_RED 1031
#define IDC_ANIM_GREEN 1032
#define IDC_ANIM_BLUE 1033
#define IDC_ANIM_ROTATING 1036
#define IDC_ANIM_ROTATION_X 1037
#define IDC_ANIM_ROTATION_Y 1038
#define IDC_ANIM_ROTATION_Z 1021

// Configuration dialog: the sizing radio buttons, in the order of their Sizing values 0, 1, 2.
#define IDC_SIZING_MIN_TO_MAX 1026
#define IDC_SIZING_PING_PONG 1027
#define IDC_SIZING_SET_ON_MAX 1028

// Configuration dialog: the rest.
#define IDC_SET_DEFAULTS 1030
#define IDC_OPEN_ABOUT 1001
#define IDC_BANNER 1035
#define IDC_COUNT_TEXT 1023
// The saver, running as a preview of the settings being edited, in a window class of our own.
#define IDC_PREVIEW 1040
#define PREVIEW_PANE_CLASS "NimbrelPreviewPane"

// Defaults dialog: one tick box per default group.
#define IDC_RESET_COLORS 1006
#define IDC_RESET_MOVE 1015
#define IDC_RESET_POINT_SIZE 1013
#define IDC_RESET_POINT_COUNT 1012
#define IDC_RESET_ROTATION 1019
#define IDC_RESET_SPREAD 1020

// About dialog.
#define IDC_ABOUT_PICTURE 1034
