#include "platform/Errors.h"

#include <cerrno>

namespace keelson {

std::string SystemErrorText(int code) {
    if (code == kReadBeyondEndOfFile) {
        return "Read beyond end of file";
    }
    if (code == kDiskFull) {
        return "Disk full";
    }
#ifdef _WIN32
    switch (code) {
        case 2:  // ERROR_FILE_NOT_FOUND
            return "File not found";
        case 3:    // ERROR_PATH_NOT_FOUND
        case 123:  // ERROR_INVALID_NAME
        case 161:  // ERROR_BAD_PATHNAME
        case 206:  // ERROR_FILENAME_EXCED_RANGE: a name longer than 255
            return "Invalid filename";
        case 4:  // ERROR_TOO_MANY_OPEN_FILES
            return "Too many open files";
        case 5:   // ERROR_ACCESS_DENIED
        case 19:  // ERROR_WRITE_PROTECT
        case 32:  // ERROR_SHARING_VIOLATION
            return "File access denied";
        case 39:   // ERROR_HANDLE_DISK_FULL
        case 112:  // ERROR_DISK_FULL
            return "Disk full";
        default:
            break;
    }
#else
    switch (code) {
        case ENOENT:
            return "File not found";
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
        case EINVAL:
            return "Invalid filename";
        case EMFILE:
        case ENFILE:
            return "Too many open files";
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
            return "File access denied";
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return "Disk full";
        default:
            break;
    }
#endif
    return "I/O error " + std::to_string(code);
}

}  // namespace keelson
