/* Dialog templates and control ids of the plug-in's dialogs and pages. Read by the C++ code
   and by the resource compiler, so it holds nothing but #defines. Every left-to-right template
   has a mirrored twin for right-to-left systems, made from the same definition. */
#ifndef KV_RESOURCES_DIALOG_IDS_H
#define KV_RESOURCES_DIALOG_IDS_H

/* Templates. */
#define IDD_HOLD 3006
#define IDD_HOLD_RTL 3500
#define IDD_COPIES 3042
#define IDD_COPIES_RTL 3503
#define IDD_JOB_ACCOUNTING 3044
#define IDD_JOB_ACCOUNTING_RTL 3505
#define IDD_TROUBLESHOOTING 3023
#define IDD_TROUBLESHOOTING_RTL 3501
#define IDD_WAYFER 3027
#define IDD_WAYFER_RTL 3502
#define IDD_ABOUT 3026

/* Buttons every job dialog has (IDOK and IDCANCEL are the system's 1 and 2). */
#define IDC_HELP_BUTTON 9

/* Print and Hold; Job Accounting shares the option group, the user ID and the password rows. */
#define IDC_OPTIONS_GROUP 1085
#define IDC_HOLD_MODE_LABEL 1073
#define IDC_HOLD_MODE 1074
#define IDC_HOLD_STORE 1169
#define IDC_HOLD_PUBLIC 1000
#define IDC_HOLD_AT_LABEL 1131
#define IDC_HOLD_DATE 1143
#define IDC_HOLD_TIME 1132
#define IDC_USER_ID_LABEL 1189
#define IDC_USER_ID 1191
#define IDC_USER_ID_HINT 1190
#define IDC_JOB_NAME_LABEL 1064
#define IDC_JOB_NAME 1066
#define IDC_JOB_NAME_HINT 1065
#define IDC_PASS_LABEL 1018
#define IDC_PASS 1020
#define IDC_PASS_HINT 1019
#define IDC_CONFIRM_LABEL 1348
#define IDC_CONFIRM 1349
#define IDC_CONFIRM_HINT 1021
#define IDC_PASS_RANGE_HINT 1353
#define IDC_CONFIRM_RANGE_HINT 1354

/* Color Copies Setting. */
#define IDC_COPIES_GROUP 1022
#define IDC_COLOR_LABEL 1356
#define IDC_COLOR_COPIES 1257
#define IDC_OF_LABEL 1261
#define IDC_TOTAL_COPIES 1262
#define IDC_GRAY_LABEL 1358
#define IDC_GRAY_COPIES 1259
#define IDC_GRAY_SPIN 1260

/* Troubleshooting page. */
#define IDC_TS_WAYFER_GROUP 1241
#define IDC_TS_WAYFER_TEXT 1242
#define IDC_TS_WAYFER_TOPIC 1243
#define IDC_TS_SETTINGS 1225
#define IDC_TS_DIAG_GROUP 1131
#define IDC_TS_DIAG_TEXT 1239
#define IDC_TS_DIAG_LIST 1238
#define IDC_TS_PRINT 1223
#define IDC_TS_WEB_GROUP 1224
#define IDC_TS_LINK1 1212
#define IDC_TS_LINK2 1213
#define IDC_TS_LINK3 1214
#define IDC_TS_LINK4 1215
#define IDC_TS_LINK5 1216
#define IDC_TS_LINK6 1217
#define IDC_TS_ABOUT 1229
#define IDC_TS_LOGO 1071
#define IDC_TS_HELP 1001

/* Status monitor settings. */
#define IDC_WF_ENABLE 1246
#define IDC_WF_INTERVAL 1244
#define IDC_WF_SPIN 1245
#define IDC_WF_INTERVAL_LABEL 1242

/* About. */
#define IDC_ABOUT_INFO 1002

#endif
