#pragma once
// The object-store database calls of Windows CE, as far as the setup extension uses them:
// open a database by name, read its records one after the other with all properties,
// delete a record.
//
// On a desktop a database named NAME is the text file \Windows\NAME.cedb (UTF-8), one
// record a line: the record id in decimal, then each property, all separated by tabs.
// Every property reads back as a string (CEVT_LPWSTR); property ids count from 1, and a
// record's properties come back last first (the device promises no order).
#include <windows.h>

typedef DWORD CEOID;
typedef CEOID *PCEOID;
typedef DWORD CEPROPID;

typedef struct _CEGUID {
  DWORD Data1;
  DWORD Data2;
  DWORD Data3;
  DWORD Data4;
} CEGUID, *PCEGUID;

// The invalid volume GUID names the object store itself.
#define CREATE_INVALIDGUID(guid) FillMemory((guid), sizeof(CEGUID), 0xFF)

typedef struct _CEBLOB {
  DWORD dwCount;
  LPBYTE lpb;
} CEBLOB;

typedef union _CEVALUNION {
  short iVal;
  USHORT uiVal;
  long lVal;
  ULONG ulVal;
  FILETIME filetime;
  LPWSTR lpwstr;
  CEBLOB blob;
  BOOL boolVal;
  double dblVal;
} CEVALUNION;

typedef struct _CEPROPVAL {
  CEPROPID propid;
  WORD wLenData;
  WORD wFlags;
  CEVALUNION val;
} CEPROPVAL, *PCEPROPVAL;

typedef struct _SORTORDERSPECEX SORTORDERSPECEX;
typedef struct _CENOTIFYREQUEST CENOTIFYREQUEST;

#define CEVT_I2 2
#define CEVT_I4 3
#define CEVT_R8 5
#define CEVT_BOOL 11
#define CEVT_UI2 18
#define CEVT_UI4 19
#define CEVT_LPWSTR 31
#define CEVT_FILETIME 64
#define CEVT_BLOB 65

#define TypeFromPropID(propid) LOWORD(propid)

#define CEDB_AUTOINCREMENT 0x00000001
#define CEDB_ALLOWREALLOC 0x00000001

extern "C" {

// Opens the named database of the volume; INVALID_HANDLE_VALUE when it does not exist.
// The handle is closed with CloseHandle.
HANDLE WINAPI CeOpenDatabaseEx2(PCEGUID volume, PCEOID databaseId, LPWSTR name, SORTORDERSPECEX *sort,
                                DWORD flags, CENOTIFYREQUEST *request);

// Reads the record at the seek position with all its properties (propIds must be null) into
// *buffer and moves on to the next record. With CEDB_ALLOWREALLOC the buffer is allocated
// or grown on heap. Returns the record id, or 0 with ERROR_NO_MORE_ITEMS after the last.
CEOID WINAPI CeReadRecordPropsEx(HANDLE database, DWORD flags, LPWORD propCount, CEPROPID *propIds,
                                 LPBYTE *buffer, LPDWORD bufferSize, HANDLE heap);

BOOL WINAPI CeDeleteRecord(HANDLE database, CEOID record);

}  // extern "C"
