/* Resource and control identifiers, shared by the .rc files and the code.
   Plain #defines only: windres reads this file too. */
#ifndef OSTREL_CONTROL_IDS_H
#define OSTREL_CONTROL_IDS_H

/* Dialog templates and the icon */
#define IDD_MAIN 1001
#define IDD_COM_PORT_SETUP 1002
#define IDD_UPLOADER 1003
#define IDD_HELP 1004
#define IDI_APP 8001

/* Main window (1001): frame, status row and command buttons */
#define IDC_GROUP_MESSAGE_EDITOR 4056
#define IDC_GROUP_SETTINGS 4055
#define IDC_USER1 4068
#define IDC_USER2 4069
#define IDC_MSG_BYTES_LEFT 4058
#define IDC_POT_VALUE 4060
#define IDC_SUPPLY_VOLTAGE 4070
#define IDC_AUX_VALUE 4075
#define IDC_FILE_NAME 4057
#define IDC_STATUS_FIELD 4061
#define IDC_STATUS_LINE 4059
#define IDC_READ 4013
#define IDC_WRITE 4012
#define IDC_TEST 4011
#define IDC_FW_UPDATE 4010
#define IDC_SET_COM_PORT 4009
#define IDC_COM_PORT 4074
/* windows.h names a cursor IDC_HELP; this program means its Help button. */
#ifdef IDC_HELP
#undef IDC_HELP
#endif
#define IDC_HELP 4094
#define IDC_READ_CONFIG_FILE 4092
#define IDC_WRITE_CONFIG_FILE 4093
#define IDC_IC_LABEL 4079
#define IDC_EXIT 4
#define IDC_SERIAL_NUMBER 4095
#define IDC_SERIAL_NUMBER_LABEL 4096

/* Main window: settings panel */
#define IDC_MAX_WPM 4025
#define IDC_MAX_WPM_LABEL 4026
#define IDC_MIN_WPM 4027
#define IDC_MIN_WPM_LABEL 4028
#define IDC_CMD_WPM 4029
#define IDC_CMD_WPM_LABEL 4099
#define IDC_CUR_WPM 4033
#define IDC_CUR_WPM_LABEL 4032
#define IDC_RATIO 4031
#define IDC_RATIO_LABEL 4034
#define IDC_KEY_COMP 4035
#define IDC_KEY_COMP_LABEL 4036
#define IDC_PDL_SAMPLE 4037
#define IDC_PDL_SAMPLE_LABEL 4038
#define IDC_WEIGHT 4039
#define IDC_WEIGHT_LABEL 4040
#define IDC_LEAD_IN 4041
#define IDC_LEAD_IN_LABEL 4042
#define IDC_TAIL 4043
#define IDC_TAIL_LABEL 4044
#define IDC_FARNS 4045
#define IDC_FARNS_LABEL 4046
#define IDC_LTR_SPC 4047
#define IDC_LTR_SPC_LABEL 4048
#define IDC_SIDETONE_FREQ 4073
#define IDC_SIDETONE_FREQ_LABEL 4078
#define IDC_KEYER_MODE 4049
#define IDC_KEYER_MODE_LABEL 4050
#define IDC_PADDLE_HANG 4054
#define IDC_PADDLE_HANG_LABEL 4076
#define IDC_OUTPUT_CONFIG 4053
#define IDC_OUTPUT_CONFIG_LABEL 4077
#define IDC_SWAP 4014
#define IDC_AUTO_SPACE 4015
#define IDC_CT_SPACE 4016
#define IDC_CUT_0 4017
#define IDC_CUT_9 4018
#define IDC_PDL_TONE_ONLY 4019
#define IDC_PDL_WD_OFF 4020
#define IDC_PADDLE_MUTE 4021
#define IDC_FAST_CMD 4022
#define IDC_TUNE_50 4023
#define IDC_SO2R 4024
#define IDC_CALLSIGN_USER1 4071
#define IDC_CALLSIGN_USER2 4072
#define IDC_CALLSIGN_LABEL 4052
#define IDC_RESET_DEFAULTS 4051

/* Main window: message editor */
#define IDC_MSG1 4001
#define IDC_MSG2 4002
#define IDC_MSG3 4003
#define IDC_MSG4 4004
#define IDC_MSG5 4005
#define IDC_MSG6 4006
#define IDC_MSG7 4080
#define IDC_MSG8 4081
#define IDC_MSG9 4082
#define IDC_MSG10 4083
#define IDC_MSG11 4084
#define IDC_MSG12 4085
#define IDC_MSG1_LABEL 4062 /* 4062..4067: "Msg 1".."Msg 6" */
#define IDC_MSG7_LABEL 4086 /* 4086..4091: "Msg 7".."Msg 12" */
#define IDC_MESSAGE_BANK1 4007
#define IDC_MESSAGE_BANK2 4008

/* Comm Port Setup (1002) */
#define IDC_COM_PORT_LIST 4026
#define IDC_COM_PORT_OK 1 /* IDOK */
#define IDC_COM_PORT_EXIT 403

/* Uploader (1003) */
#define IDC_UPLOADER_STATUS 4036
#define IDC_UPLOADER_PROGRESS 4032
#define IDC_UPLOADER_LOG 4034
#define IDC_UPLOADER_PATH 4038
#define IDC_UPLOADER_LOAD 2 /* IDCANCEL: Escape acts as this button */
#define IDC_UPLOADER_PROGRAM 4028
#define IDC_UPLOADER_EXIT 4040

/* Help (1004) */
#define IDC_HELP_VERSION 4030
#define IDC_HELP_OS 4042
#define IDC_HELP_FILE 4044
#define IDC_HELP_OK 1 /* IDOK */

#endif
