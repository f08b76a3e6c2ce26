#include "ui/qt/preview_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QUrl>
#include <cerrno>
#include <utility>

namespace zelvo {

namespace {

constexpr char separator = '/';
constexpr char fileName[] = "yl.htm";

}  // namespace

std::string programDirectory() {
    std::string directory = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
    while (!directory.empty() && directory.back() == separator) {
        directory.pop_back();
    }
    return directory;
}

PreviewFile::PreviewFile(std::string directory) : directory_(std::move(directory)) {}

std::string PreviewFile::path() const {
    return directory_ + separator + fileName;
}

bool PreviewFile::write(const Bytes& bytes) const {
    // O_NOFOLLOW: a link planted at the path must not redirect the write elsewhere.
    const int fd = ::open(path().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    std::size_t written = 0;
    bool complete = true;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            complete = false;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        complete = false;
    }
    return complete;
}

void PreviewFile::open() const {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path()))));
}

void PreviewFile::remove() const {
    ::unlink(path().c_str());
}

}  // namespace zelvo
