#include "HidrawErrors.h"

#include "motion/IOReturn.h"

#include <cerrno>

namespace hollerbox {

std::int32_t ioReturnForOpenError(int error)
{
    switch (error) {
    case EBUSY:
        return IOReturn::exclusiveAccess;
    case EACCES:
    case EPERM:
        return IOReturn::notPrivileged;
    case ENOENT:
    case ENODEV:
        return IOReturn::noDevice;
    default:
        return IOReturn::error;
    }
}

std::int32_t ioReturnForRequestError(int error)
{
    switch (error) {
    case ENOTTY:
    case EOPNOTSUPP:
    case ENOSYS:
    case EPIPE: // the device stalled the request: it has no such report
        return IOReturn::unsupported;
    case EINVAL:
        return IOReturn::badArgument;
    case ETIMEDOUT:
        return IOReturn::timeout;
    case EIO:
        return IOReturn::ioError;
    case EBADF:
        return IOReturn::notOpen;
    default:
        return ioReturnForOpenError(error);
    }
}

} // namespace hollerbox
