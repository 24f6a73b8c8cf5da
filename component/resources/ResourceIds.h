#pragma once

// Resource identifiers of Voltwise.dll; shared by the resource script and the code that reads them.
#define IDS_PROJNAME 100
#define IDR_VOLTWISE 101
#define IDR_BATTERYREMAININGTIME 102
#define IDR_MANIFEST 2
#define IDR_TYPELIB 1
