#include "OsErrors.h"

#include <cerrno>

#include "EngineError.h"

namespace sklad {

uint16_t EngineCodeForOsError(int osError) {
  switch (osError) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return err::InvalidPath;
    case EMFILE:
    case ENFILE:
      return err::TooManyFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case EAGAIN:  // a sharing or lock conflict
      return err::AccessDenied;
    case EBADF:
      return err::InvalidFileHandle;
    case ENOMEM:
      return err::OutOfMemory;
    case ENODEV:
    case ENXIO:
      return err::DeviceAccessDenied;
    case EXDEV:
      return err::TableMoved;
    default:
      return err::UnknownOsError;
  }
}

}  // namespace sklad
