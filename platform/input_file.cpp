// Opening the demo's input files without blocking, and reading them with a bound.
#include "platform/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "a special file";
}

} // namespace

std::FILE* openInputFile(const char* path, std::size_t maxBytes, std::string* reason) {
    // O_NONBLOCK keeps the open of a FIFO without a writer from waiting; it is cleared again
    // once the file is known to be regular, where it has no effect anyway.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *reason = errno == ENOENT ? "not found" : std::strerror(errno);
        return nullptr;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        *reason = std::strerror(errno);
        close(fd);
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        *reason = std::string(kindOf(info.st_mode)) + ", not a regular file";
        close(fd);
        return nullptr;
    }
    if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
        *reason = "larger than " + std::to_string(maxBytes) + " bytes";
        close(fd);
        return nullptr;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        *reason = std::strerror(errno);
        close(fd);
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "rb");
    if (!file) {
        *reason = std::strerror(errno);
        close(fd);
    }
    return file;
}

bool readInputFile(std::FILE* file, std::size_t maxBytes, std::string* bytes,
                   std::string* reason) {
    bytes->clear();
    char buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        if (got > maxBytes - bytes->size()) {
            *reason = "larger than " + std::to_string(maxBytes) + " bytes";
            return false;
        }
        bytes->append(buffer, got);
    }
    if (std::ferror(file)) {
        *reason = std::string("read error: ") + std::strerror(errno);
        return false;
    }
    return true;
}

std::string printableToken(std::string_view text, std::size_t maxChars) {
    static const char kHex[] = "0123456789abcdef";
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == maxChars)
            return shown + "...";
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            shown.push_back(static_cast<char>(c));
        } else {
            shown += "\\x";
            shown.push_back(kHex[c >> 4]);
            shown.push_back(kHex[c & 15]);
        }
    }
    return shown;
}

} // namespace platform
