// Resource identifiers shared by the resource script and the window.
#pragma once

#define IDI_APP 1
#define IDB_LOGO 101
#define IDB_WORDMARK 102
#define IDB_POWER 103
