#pragma once

// Resource identifiers of the Windows program. Plain macros, because the
// resource generator (built for the build machine) and the program share them.

#define IDD_MAIN_WINDOW 102
#define IDS_FIRST 103  // the string table: 103 to 109
#define IDS_LAST 109
#define IDI_APPLICATION_ICON 128
