// The Windows error codes (GetLastError values) that this layer reports and
// that the tool prints as "[%d]". One list, so that every module names them
// the same way.
#pragma once

constexpr int kErrorSuccess = 0;
constexpr int kErrorFileNotFound = 2;        // ERROR_FILE_NOT_FOUND
constexpr int kErrorPathNotFound = 3;        // ERROR_PATH_NOT_FOUND
constexpr int kErrorAccessDenied = 5;        // ERROR_ACCESS_DENIED
constexpr int kErrorNotEnoughMemory = 8;     // ERROR_NOT_ENOUGH_MEMORY
constexpr int kErrorInvalidData = 13;        // ERROR_INVALID_DATA
constexpr int kErrorWriteFault = 29;         // ERROR_WRITE_FAULT
constexpr int kErrorReadFault = 30;          // ERROR_READ_FAULT
constexpr int kErrorGenFailure = 31;         // ERROR_GEN_FAILURE
constexpr int kErrorSharingViolation = 32;   // ERROR_SHARING_VIOLATION
constexpr int kErrorLockViolation = 33;      // ERROR_LOCK_VIOLATION
constexpr int kErrorHandleEof = 38;          // ERROR_HANDLE_EOF
constexpr int kErrorFileExists = 80;         // ERROR_FILE_EXISTS
constexpr int kErrorInvalidParameter = 87;   // ERROR_INVALID_PARAMETER
constexpr int kErrorDiskFull = 112;          // ERROR_DISK_FULL
constexpr int kErrorInvalidName = 123;       // ERROR_INVALID_NAME
constexpr int kErrorDirNotEmpty = 145;       // ERROR_DIR_NOT_EMPTY
constexpr int kErrorAlreadyExists = 183;     // ERROR_ALREADY_EXISTS
constexpr int kErrorBadExeFormat = 193;      // ERROR_BAD_EXE_FORMAT
constexpr int kErrorFilenameExcedRange = 206;  // ERROR_FILENAME_EXCED_RANGE
constexpr int kErrorDirectory = 267;         // ERROR_DIRECTORY (not a folder)
constexpr int kErrorCantResolveFilename = 1921;  // ERROR_CANT_RESOLVE_FILENAME (a link loop)
constexpr int kErrorResourceDataNotFound = 1812;  // ERROR_RESOURCE_DATA_NOT_FOUND
