#include "ui/qt/preview_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDesktopServices>
#include <QUrl>
#include <cerrno>
#include <cstdlib>
#include <utility>

namespace zelvo {

namespace {

constexpr char separator = '/';
constexpr char fileName[] = "yl.htm";
constexpr char privateFolderPrefix[] = "zelvo-fullscreen-";

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Closes now; false when closing reports an error (a write that did not reach the disk).
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

  private:
    int fd_;
};

struct WriteOutcome {
    bool opened = false;  // the file at the path now holds (some of) these bytes
    bool complete = false;
};

// Writes `bytes` into the regular file `name` under `directory`, creating it or cutting it to
// zero length first; anything else found at the name is left as it is.
WriteOutcome writeRegularFile(int directory, const char* name, mode_t mode, const Bytes& bytes) {
    // O_NONBLOCK: a FIFO planted at the path would otherwise block the window in open() until some
    // reader came. O_NOFOLLOW: a link planted at the path must not redirect the write elsewhere.
    // No O_TRUNC: nothing is cut before fstat() has shown a regular file.
    FileDescriptor fd(
        ::openat(directory, name, O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode));
    struct stat status {};
    if (!fd || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode) || ::ftruncate(fd.get(), 0) != 0) {
        return {};
    }
    std::size_t written = 0;
    bool complete = true;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd.get(), bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            complete = false;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    return {true, fd.close() && complete};
}

// The private folder, when it is a directory of this user's that no one else may enter (created
// first when `create` says so); an invalid descriptor otherwise. The descriptor pins the checked
// folder, so a rename or a link swapped in after the check changes nothing.
FileDescriptor openPrivateFolder(const std::string& path, bool create) {
    if (create && ::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return FileDescriptor();
    }
    FileDescriptor folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status {};
    if (!folder || ::fstat(folder.get(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::geteuid() || (status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        return FileDescriptor();
    }
    return folder;
}

}  // namespace

std::optional<std::string> programDirectory() {
    // The kernel's own bytes: a folder name that is not valid in the locale's encoding (GBK bytes
    // from a Windows zip) must not be decoded and encoded again on its way to open().
    std::string path(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
        if (length <= 0) {
            return std::nullopt;
        }
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t lastSeparator = path.rfind(separator);
    if (path.front() != separator || lastSeparator == std::string::npos) {
        return std::nullopt;
    }
    path.resize(lastSeparator);
    return path;
}

std::string temporaryDirectory() {
    const char* configured = std::getenv("TMPDIR");
    std::string directory = configured != nullptr && configured[0] == separator ? configured : "/tmp";
    while (directory.size() > 1 && directory.back() == separator) {
        directory.pop_back();
    }
    return directory;
}

PreviewFile::PreviewFile(std::optional<std::string> directory, std::string temporaryDirectory)
    : directory_(std::move(directory)), temporaryDirectory_(std::move(temporaryDirectory)) {}

std::string PreviewFile::path() const {
    return directory_ ? *directory_ + separator + fileName : privatePath();
}

std::string PreviewFile::privateFolder() const {
    return temporaryDirectory_ + separator + privateFolderPrefix + std::to_string(::geteuid());
}

std::string PreviewFile::privatePath() const {
    return privateFolder() + separator + fileName;
}

std::string PreviewFile::openedPath() const {
    return written_.value_or(path());
}

bool PreviewFile::programDirectoryRefusesWrites() const {
    // Only a directory that exists and may not be written sends the file elsewhere; anything else
    // (no directory there at all) fails at the write itself, quietly.
    const std::string directory = directory_->empty() ? std::string(1, separator) : *directory_;
    struct stat status {};
    if (::stat(directory.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return false;
    }
    return ::faccessat(AT_FDCWD, directory.c_str(), W_OK | X_OK, AT_EACCESS) != 0 &&
           (errno == EACCES || errno == EROFS || errno == EPERM);
}

bool PreviewFile::write(const Bytes& bytes) {
    if (directory_ && !programDirectoryRefusesWrites()) {
        const WriteOutcome outcome = writeRegularFile(AT_FDCWD, path().c_str(), 0644, bytes);
        if (outcome.opened) {
            written_ = path();
        }
        return outcome.complete;
    }
    const FileDescriptor folder = openPrivateFolder(privateFolder(), true);
    if (!folder) {
        return false;
    }
    const WriteOutcome outcome = writeRegularFile(folder.get(), fileName, 0600, bytes);
    if (outcome.opened) {
        written_ = privatePath();
    }
    return outcome.complete;
}

void PreviewFile::open() const {
    // Percent-encoded from the raw bytes, so a folder name that is not UTF-8 reaches the handler
    // as the same bytes.
    const QByteArray localPath = QByteArray::fromStdString(openedPath());
    QDesktopServices::openUrl(QUrl::fromEncoded("file://" + localPath.toPercentEncoding("/")));
}

void PreviewFile::remove() const {
    if (directory_) {
        ::unlink(path().c_str());
    }
    if (!directory_ || written_ == privatePath()) {
        const FileDescriptor folder = openPrivateFolder(privateFolder(), false);
        if (folder) {
            ::unlinkat(folder.get(), fileName, 0);
        }
    }
}

}  // namespace zelvo
