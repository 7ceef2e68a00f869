/* Resource and control identifiers, shared by the C++ sources and the
   resource script, so plain #defines only. */
#ifndef LUNVEX_RESOURCE_H
#define LUNVEX_RESOURCE_H

/* Dialog template */
#define IDD_MAIN                1

/* Controls of IDD_MAIN. The numbers double as the registry value names of
   the stored settings, and the code relies on their runs: each browse button
   is one above its edit field, each time picker one above its date picker,
   61..67 are the date-window controls, and 51..53, 54..56 and 14..15 are
   consecutive. Do not renumber. */
#define IDC_STATIC              (-1)
#define IDC_SOURCE              10
#define IDC_BROWSE_SOURCE       11
#define IDC_DEST                12
#define IDC_BROWSE_DEST         13
#define IDC_SUBFOLDERS          14
#define IDC_DELETE_EXTRA        15
#define IDC_RESULTS             31
#define IDC_SYNC                32
#define IDC_COPY_ALL            51
#define IDC_COPY_EXISTING       52
#define IDC_COPY_MISSING        53
#define IDC_TIME_NEWER          54
#define IDC_TIME_DIFFERENT      55
#define IDC_TIME_IGNORE         56
#define IDC_DATE_FILTER         60
#define IDC_DATE_KIND           61
#define IDC_FROM_LABEL          62
#define IDC_FROM_DATE           63
#define IDC_FROM_TIME           64
#define IDC_TO_LABEL            65
#define IDC_TO_DATE             66
#define IDC_TO_TIME             67

/* Strings: results column titles, then the date-kind names in the order of
   the IDC_DATE_KIND items */
#define IDS_COL_DATE            1
#define IDS_COL_TIME            2
#define IDS_COL_FILE            3
#define IDS_KIND_MODIFIED       4
#define IDS_KIND_CREATED        5
#define IDS_KIND_ACCESSED       6

/* Why a run was refused, each at its REFUSED_* number past the base: the
   dialog's row in the resource module's language, and the log's line,
   English in every build. Each base starts a block of 16 strings, so that
   a block holds one language only. */
#define IDS_REFUSED             16
#define IDS_LOG_REFUSED         32

/* Images, always loaded from the program's own module: the icon, and the
   status pictures in strips of 16 (IDB_STATUS) to 32 pixels */
#define IDI_APP                 1
#define IDB_STATUS              1
#define IDB_STATUS_20           2
#define IDB_STATUS_24           3
#define IDB_STATUS_28           4
#define IDB_STATUS_32           5

#endif /* LUNVEX_RESOURCE_H */
