// kernel32: the file calls the program makes to look at a file and to give it times and
// attributes, on a POSIX file system.
//
// Names are taken literally: there are no wildcards, and a name may hold any byte but '/' and
// NUL. Symbolic links are followed, as an ordinary open follows them.
//
// Attributes map onto POSIX as Wine maps them: FILE_ATTRIBUTE_READONLY is a file with no write
// permission bit at all (for anyone), FILE_ATTRIBUTE_ARCHIVE a plain file, FILE_ATTRIBUTE_DIRECTORY
// a folder. The read-only attribute is judged from the permission bits alone, never from whether
// this process could write anyway (as root can), so it means the same thing for every user.
//
// Every handle passed in is checked: a null, stale or foreign handle, or one of the wrong kind,
// makes the call fail the way Windows fails it (FALSE, HFILE_ERROR), never undefined behaviour.
#pragma once

#include <cstdint>

#include "platform/windef.h"

using CHAR = char;
using LPCSTR = const char*;
using HFILE = int;

// 100 ns intervals since 1601-01-01 00:00 UTC, in two halves.
struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

inline constexpr DWORD MAX_PATH = 260;

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
};
static_assert(sizeof(WIN32_FIND_DATAA) == 320);

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

inline constexpr HFILE HFILE_ERROR = -1;
inline constexpr int OF_READ = 0x00;
inline constexpr int OF_WRITE = 0x01;
inline constexpr int OF_READWRITE = 0x02;
inline constexpr int OF_SHARE_COMPAT = 0x00;
inline constexpr int OF_SHARE_EXCLUSIVE = 0x10;
inline constexpr int OF_SHARE_DENY_WRITE = 0x20;
inline constexpr int OF_SHARE_DENY_READ = 0x30;
inline constexpr int OF_SHARE_DENY_NONE = 0x40;

// Finds the one file or folder of that name and fills *lpFindFileData: attributes, size, the
// final part of the name, and the three times. The creation time is the birth time where the
// file system reports one, else the time of the last status change (the nearest POSIX has).
// Returns a find handle for FindClose, or INVALID_HANDLE_VALUE when there is no such entry.
HANDLE FindFirstFileA(LPCSTR lpFileName, WIN32_FIND_DATAA* lpFindFileData);
// FALSE for anything but a live find handle.
BOOL FindClose(HANDLE hFindFile);

// Opens an existing plain file; never creates one. iReadWrite is OF_READ, OF_WRITE or
// OF_READWRITE, optionally with one OF_SHARE_* mode. POSIX has no share modes, so they are
// accepted and not enforced. Opening a read-only file for writing fails, as on Windows.
HFILE _lopen(LPCSTR lpPathName, int iReadWrite);
// 0 when the handle was open and is now closed; HFILE_ERROR otherwise.
HFILE _lclose(HFILE hFile);

// Sets the last-access and last-write times of a file opened for writing; a null pointer, or a
// time of 0, leaves that time as it is. Linux cannot set a file's creation time, so that one is
// always left. The handle is the one _lopen gave, passed as a HANDLE as Windows programs pass it.
BOOL SetFileTime(HANDLE hFile, const FILETIME* lpCreationTime, const FILETIME* lpLastAccessTime,
                 const FILETIME* lpLastWriteTime);
inline BOOL SetFileTime(HFILE hFile, const FILETIME* lpCreationTime,
                        const FILETIME* lpLastAccessTime, const FILETIME* lpLastWriteTime) {
    return SetFileTime(reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(hFile)), lpCreationTime,
                       lpLastAccessTime, lpLastWriteTime);
}

// Only FILE_ATTRIBUTE_READONLY has a POSIX meaning. Setting it clears every write bit; clearing
// it on a read-only file gives the owner write permission back, and group and others too where
// they may read and the umask allows. A folder's permissions are left alone (on Windows the flag
// does not stop anyone adding files to a folder). FALSE when there is no such file or its
// permissions cannot be changed.
BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes);
