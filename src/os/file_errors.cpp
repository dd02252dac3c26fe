// The layer's last error (GetLastError's counterpart) and the errno mapping.
#include <cerrno>

#include "os/files.h"

namespace {

// Per thread, as GetLastError is.
thread_local int g_lastError = 0;

}  // namespace

int GetLastErrorCode() { return g_lastError; }
void SetLastErrorCode(int code) { g_lastError = code; }

int WinErrorFromErrno(int err, FailedCall call) {
  switch (err) {
    case ENOENT: return call == FailedCall::CreateInFolder || call == FailedCall::ListFolder ? kErrorPathNotFound
                                                                                            : kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES: case EPERM: case EROFS: return kErrorAccessDenied;
    case EBUSY: case ETXTBSY: return kErrorSharingViolation;
    case EEXIST: return call == FailedCall::MakeFolder ? kErrorAlreadyExists : kErrorFileExists;
    case EINVAL: return kErrorInvalidParameter;
    case ENOSPC: case EFBIG: return kErrorDiskFull;
#ifdef EDQUOT  // no quotas in the Windows C runtime
    case EDQUOT: return kErrorDiskFull;
#endif
    case EISDIR: return kErrorAccessDenied;
    case ENAMETOOLONG: return kErrorFilenameExcedRange;
    case ELOOP: return kErrorCantResolveFilename;
    default: return kErrorGenFailure;
  }
}
