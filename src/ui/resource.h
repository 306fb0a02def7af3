// Resource identifiers shared by the resource script and the window.
#pragma once

#define IDI_APP 1
#define IDB_LOGO 101
#define IDB_WORDMARK 102
#define IDB_POWER 103
// The same pictures at 200 %, scaled down from for displays above 96 DPI.
#define IDB_LOGO_2X 111
#define IDB_WORDMARK_2X 112
#define IDB_POWER_2X 113
