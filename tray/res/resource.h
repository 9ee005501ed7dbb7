// Resource identifiers of rmtray. Shared by the resource script and the code.
#pragma once

// Dialog templates
#define IDD_NODEVICES 107
#define IDD_TRAYWINDOW 129
#define IDD_PROPERTIES 204
#define IDD_SETTINGS_PAGE 205
// The status page's six layouts
#define IDD_STATUS_BOTH_BIOS 206
#define IDD_STATUS_BOTH 207
#define IDD_STATUS_WLAN_BIOS 208
#define IDD_STATUS_WLAN 209
#define IDD_STATUS_BT_BIOS 210
#define IDD_STATUS_BT 211

// Controls of the properties window: OK (1), Close/Cancel (2), Help (9)
// and the tab control
#define IDC_PROPS_HELP 9
#define IDC_PROPS_TAB 1006

// Controls of the settings page
#define IDC_SET_GROUP_APP 1000
#define IDC_SET_GROUP_BALLOONS 1001
#define IDC_SET_HIDE_TRAY 1002
#define IDC_SET_HIDE_BIOS 1003
#define IDC_SET_NO_BALLOONS 1004
#define IDC_SET_NO_FIRST_BALLOON 1005

// Controls of the status page (the same ids in every layout)
#define IDC_ST_GROUP_PANEL 1007
#define IDC_ST_GROUP_DEVICES 1008
#define IDC_ST_GROUP_BIOS 1009
#define IDC_ST_WLAN_LABEL 1010
#define IDC_ST_BT_LABEL 1011
#define IDC_ST_WLAN_BUTTON 1012
#define IDC_ST_BT_BUTTON 1013
#define IDC_ST_WLAN_STATE 1014
#define IDC_ST_BT_STATE 1015
#define IDC_ST_BIOS_WLAN_LABEL 1016
#define IDC_ST_BIOS_BT_LABEL 1017
#define IDC_ST_BIOS_LANSW_LABEL 1018
#define IDC_ST_BIOS_WLAN_VALUE 1019
#define IDC_ST_BIOS_BT_VALUE 1020
#define IDC_ST_BIOS_LANSW_VALUE 1021
#define IDC_ST_PICTURE 1022
#define IDC_ST_BOTH_BUTTON 1023
#define IDC_ST_SUMMARY_STATE 1024
#define IDC_ST_SUMMARY_REASON 1025

// Controls of the no-device notice
#define IDC_NODEV_DONTSHOW 1026
#define IDC_NODEV_TEXT 1027

// The tray icon's menu; its number is also the icon's identifier (uID)
#define IDR_TRAYMENU 201

// Commands of the tray window: 1 (IDOK) ends the program, 101 to 105 are
// the menu's items, 106 hides the icon for good
#define IDM_OPEN 101
#define IDM_TOGGLE_WLAN 102
#define IDM_TOGGLE_BLUETOOTH 103
#define IDM_ALL_ON 104
#define IDM_ALL_OFF 105
#define IDM_HIDE_ICON 106

// Icons: no radio on, at least one radio on
#define IDI_RADIO_OFF 202
#define IDI_RADIO_ON 203

// Strings named by their numbers
#define IDS_SYSTEM_STATUS 1
#define IDS_DEVICE_STATUS 2
#define IDS_PRODUCT_NAME 128
#define IDS_GUEST_NOT_SUPPORTED 129
#define IDS_NO_DEVICES 130
#define IDS_DO_NOT_SHOW_AGAIN 131
#define IDS_MENU_OPEN 57346
#define IDS_MENU_WLAN_ON 57347
#define IDS_MENU_WLAN_OFF 57348
#define IDS_MENU_BT_ON 57349
#define IDS_MENU_BT_OFF 57350
#define IDS_MENU_ALL_ON 57351
#define IDS_MENU_ALL_OFF 57352
#define IDS_TIP_WLAN_ON_LONG 57356
#define IDS_TIP_WLAN_OFF_LONG 57357
#define IDS_TIP_WLAN_DISABLED_LONG 57358
#define IDS_TIP_WLAN_ON 57359
#define IDS_TIP_WLAN_OFF 57360
#define IDS_TIP_WLAN_DISABLED 57361
#define IDS_TIP_BT_ON 57362
#define IDS_TIP_BT_OFF 57363
#define IDS_TIP_BT_DISABLED 57364
#define IDS_SETTINGS_APPLICATION 57369
#define IDS_SETTINGS_HIDE_TRAY 57370
#define IDS_SETTINGS_HIDE_BIOS 57371
#define IDS_SETTINGS_BALLOONS 57372
#define IDS_SETTINGS_NO_CHANGE_BALLOONS 57373
#define IDS_SETTINGS_NO_FIRST_BALLOON 57374
#define IDS_MACHINE_NOT_SUPPORTED 57390

// Texts of the properties window and the status page, in the string table
// under numbers of their own (the English texts; localised tables use the
// same numbers).
#define IDS_TAB_WIRELESS_STATUS 140
#define IDS_TAB_PROPERTIES 141
#define IDS_BUTTON_OK 142
#define IDS_BUTTON_CLOSE 143
#define IDS_BUTTON_CANCEL 144
#define IDS_BUTTON_HELP 145
#define IDS_WIRELESS_LAN 146
#define IDS_BLUETOOTH 147
#define IDS_BIOS_SETTINGS_GROUP 148
#define IDS_LAN_WLAN_SWITCHING 149
#define IDS_ENABLED 150
#define IDS_DISABLED 151
#define IDS_STATE_ON 152
#define IDS_STATE_OFF 153
#define IDS_TURN_ON 154
#define IDS_TURN_OFF 155
#define IDS_TURN_BOTH_ON 156
#define IDS_TURN_BOTH_OFF 157
#define IDS_REASON_BIOS_SETTINGS 158
#define IDS_REASON_WIRELESS_BUTTON 159
#define IDS_REASON_LAN_SWITCHING 160
#define IDS_REASON_USER_SELECTION 161
