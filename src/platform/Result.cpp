#include "platform/Result.h"

#include <cerrno>
#include <cstring>

namespace quarlo {

const char* errorCodeName(ErrorCode code) {
    switch (code) {
    case ErrorCode::None:
        return "none";
    case ErrorCode::NoSpace:
        return "no space";
    case ErrorCode::ReadOnly:
        return "read-only";
    case ErrorCode::NotFound:
        return "not found";
    case ErrorCode::Permission:
        return "permission";
    case ErrorCode::Corrupt:
        return "corrupt";
    case ErrorCode::Network:
        return "network";
    case ErrorCode::Cancelled:
        return "cancelled";
    case ErrorCode::Other:
        break;
    }
    return "other";
}

ErrorCode errorCodeOfErrno(int error) {
    switch (error) {
    case 0:
        return ErrorCode::None;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ErrorCode::NoSpace;
    case EROFS:
        return ErrorCode::ReadOnly;
    case ENOENT:
    case ENOTDIR:
        return ErrorCode::NotFound;
    case EACCES:
    case EPERM:
        return ErrorCode::Permission;
    case EBADMSG:
        return ErrorCode::Corrupt;
    case ECANCELED:
        return ErrorCode::Cancelled;
    case ECONNREFUSED:
    case ECONNRESET:
    case ECONNABORTED:
    case ETIMEDOUT:
    case EHOSTUNREACH:
    case ENETUNREACH:
    case ENETDOWN:
        return ErrorCode::Network;
    default:
        return ErrorCode::Other;
    }
}

Status Status::fromErrno(int error, const std::string& message) {
    if (error == 0)
        return failure(message);
    return failure(message + ": " + std::strerror(error), errorCodeOfErrno(error));
}

} // namespace quarlo
