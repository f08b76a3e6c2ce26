#include "ui/qt/preview_file.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <chrono>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <memory>

using zelvo::Bytes;
using zelvo::PreviewFile;

namespace {

Bytes bytesOf(const char* data, std::size_t size) {
    return Bytes(data, data + size);
}

QByteArray contentOf(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return "<missing>";
    }
    return file.readAll();
}

// Without Qt, so that a forked child can use it.
std::string readAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "<missing>";
}

bool exists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

}  // namespace

class PreviewFileTest : public QObject {
    Q_OBJECT

  public slots:
    void recordOpenedUrl(const QUrl& url) { openedUrls_.append(url); }

  private slots:
    void init() {
        directory_ = std::make_unique<QTemporaryDir>();
        QVERIFY(directory_->isValid());
        openedUrls_.clear();
    }

    void pathIsTheDirectoryThenTheFileName() {
        QCOMPARE(PreviewFile("/opt/tool").path(), std::string("/opt/tool/yl.htm"));
        // The root directory is the empty string, so no doubled separator appears.
        QCOMPARE(PreviewFile("").path(), std::string("/yl.htm"));
    }

    void programDirectoryIsTheExecutablesDirectory() {
        const std::string directory = zelvo::programDirectory().value_or("<none>");
        QCOMPARE(QString::fromStdString(directory), QCoreApplication::applicationDirPath());
        QVERIFY(!directory.empty() && directory.back() != '/');
    }

    void writesExactlyTheBytes() {
        PreviewFile file(directory_->path().toStdString());
        // GBK text with a zero byte inside: no byte-order mark, nothing appended or cut.
        const char page[] = "<p>\xC9\xFA\xB3\xC9</p>\0tail";
        QVERIFY(file.write(bytesOf(page, sizeof page - 1)));
        QCOMPARE(contentOf(file.path()), QByteArray(page, sizeof page - 1));
    }

    void shorterPageLeavesNothingOfTheFirst() {
        PreviewFile file(directory_->path().toStdString());
        QVERIFY(file.write(bytesOf("a long first page", 17)));
        QVERIFY(file.write(bytesOf("short", 5)));
        QCOMPARE(contentOf(file.path()), QByteArray("short"));
    }

    void zeroBytesGiveAnEmptyFile() {
        PreviewFile file(directory_->path().toStdString());
        QVERIFY(file.write(bytesOf("old", 3)));
        QVERIFY(file.write({}));
        QCOMPARE(contentOf(file.path()), QByteArray(""));
    }

    void removeDeletesAndIgnoresAMissingFile() {
        PreviewFile file(directory_->path().toStdString());
        QVERIFY(file.write(bytesOf("page", 4)));
        file.remove();
        QVERIFY(!exists(file.path()));
        file.remove();
        QVERIFY(!exists(file.path()));
    }

    void unwritableDirectoryFailsQuietly_data() {
        QTest::addColumn<QString>("directory");
        QTest::newRow("missing directory") << directory_->filePath(QStringLiteral("missing"));
        QTest::newRow("a file in place of the directory") << directory_->filePath(QStringLiteral("plain"));
    }

    void unwritableDirectoryFailsQuietly() {
        QFETCH(QString, directory);
        QFile plain(directory_->filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();

        PreviewFile file(directory.toStdString());
        QVERIFY(!file.write(bytesOf("page", 4)));
        QVERIFY(!exists(file.path()));
        file.remove();
        QCOMPARE(contentOf(plain.fileName().toStdString()), QByteArray(""));
    }

    // A read-only yl.htm in a directory that may be written keeps its content.
    void readOnlyFileFailsQuietly() {
        PreviewFile file(directory_->path().toStdString());
        QVERIFY(file.write(bytesOf("old", 3)));
        QCOMPARE(::chmod(file.path().c_str(), 0444), 0);
        QCOMPARE(::chmod(directory_->path().toLocal8Bit().constData(), 0777), 0);

        const int written = asAnotherUser([&file] { return file.write(bytesOf("new", 3)) ? 1 : 0; });
        QCOMPARE(written, 0);
        QCOMPARE(contentOf(file.path()), QByteArray("old"));
        file.remove();
    }

    // Where the program's directory may not be written (an installed program), the page goes to a
    // folder of the user's own in the temporary directory, and opening and closing follow it.
    void anUnwritableDirectorySendsThePageToThePrivateFolder() {
        const std::string program = makeDirectory("program", 0555);
        const std::string temporary = makeDirectory("tmp", 01777);
        QCOMPARE(::chmod(directory_->path().toLocal8Bit().constData(), 0755), 0);

        const int failedStep = asAnotherUser([&] {
            PreviewFile file(program, temporary);
            if (!file.write(bytesOf("page", 4))) {
                return 1;
            }
            const std::string folder = file.privatePath().substr(0, file.privatePath().rfind('/'));
            struct stat status {};
            if (::lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
                (status.st_mode & 07777) != 0700 || status.st_uid != ::geteuid()) {
                return 2;
            }
            if (file.openedPath() != file.privatePath() || exists(file.path())) {
                return 3;
            }
            if (readAll(file.privatePath()) != "page") {
                return 4;
            }
            file.remove();
            return exists(file.privatePath()) ? 5 : 0;
        });
        QCOMPARE(failedStep, 0);
    }

    void withoutAProgramDirectoryTheFileIsOpenedInThePrivateFolder() {
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "recordOpenedUrl");
        PreviewFile file(std::nullopt, directory_->path().toStdString());
        QCOMPARE(file.path(), file.privatePath());
        QVERIFY(file.write(bytesOf("page", 4)));
        file.open();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

        QCOMPARE(contentOf(file.privatePath()), QByteArray("page"));
        QCOMPARE(openedUrls_, QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(file.privatePath()))});
        file.remove();
        QVERIFY(!exists(file.privatePath()));
    }

    // A private folder that someone else could have prepared is never written into.
    void aPrivateFolderThatIsNotOursIsRefused_data() {
        QTest::addColumn<QString>("planted");
        QTest::newRow("owned by another user") << QStringLiteral("other user");
        QTest::newRow("others may enter") << QStringLiteral("open to others");
        QTest::newRow("a link to a folder of ours") << QStringLiteral("link");
        QTest::newRow("a plain file") << QStringLiteral("file");
    }

    void aPrivateFolderThatIsNotOursIsRefused() {
        QFETCH(QString, planted);
        PreviewFile file(std::nullopt, directory_->path().toStdString());
        const std::string folder = file.privatePath().substr(0, file.privatePath().rfind('/'));
        const std::string ours = directory_->filePath(QStringLiteral("ours")).toStdString();
        if (planted == QStringLiteral("other user")) {
            if (::geteuid() != 0) {
                QSKIP("giving a folder to another user needs root");
            }
            QCOMPARE(::mkdir(folder.c_str(), 0700), 0);
            QCOMPARE(::chown(folder.c_str(), 65534, 65534), 0);
        } else if (planted == QStringLiteral("open to others")) {
            QCOMPARE(::mkdir(folder.c_str(), 0700), 0);
            QCOMPARE(::chmod(folder.c_str(), 0755), 0);
        } else if (planted == QStringLiteral("link")) {
            QCOMPARE(::mkdir(ours.c_str(), 0700), 0);
            QCOMPARE(::symlink(ours.c_str(), folder.c_str()), 0);
        } else {
            QFile plain(QString::fromStdString(folder));
            QVERIFY(plain.open(QIODevice::WriteOnly));
        }

        QVERIFY(!file.write(bytesOf("page", 4)));
        QVERIFY(!exists(file.privatePath()));
        QVERIFY(!exists(ours + "/yl.htm"));
        QCOMPARE(file.openedPath(), file.privatePath());
    }

    // A FIFO planted as yl.htm blocked the window thread in open() until a reader came; now the
    // write gives up at once and sends nothing into it.
    void aFifoAtThePathIsNeitherWaitedForNorWritten_data() {
        QTest::addColumn<bool>("withReader");
        QTest::newRow("no reader") << false;
        QTest::newRow("a reader waiting") << true;
    }

    void aFifoAtThePathIsNeitherWaitedForNorWritten() {
        QFETCH(bool, withReader);
        PreviewFile file(directory_->path().toStdString());
        QCOMPARE(::mkfifo(file.path().c_str(), 0600), 0);
        const int reader = withReader ? ::open(file.path().c_str(), O_RDONLY | O_NONBLOCK) : -1;
        QVERIFY(!withReader || reader >= 0);

        auto written = std::async(std::launch::async, [&file] { return file.write(bytesOf("page", 4)); });
        const bool returned = written.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        if (!returned) {
            // Let the blocked writer go, so that the test can end.
            ::close(::open(file.path().c_str(), O_RDONLY | O_NONBLOCK));
        }
        const bool result = written.get();
        char byte = 0;
        const ssize_t read = reader >= 0 ? ::read(reader, &byte, 1) : 0;
        if (reader >= 0) {
            ::close(reader);
        }

        QVERIFY2(returned, "the write waited for a reader of the FIFO");
        QVERIFY(!result);
        QVERIFY(read <= 0);
        struct stat status {};
        QCOMPARE(::lstat(file.path().c_str(), &status), 0);
        QVERIFY(S_ISFIFO(status.st_mode));
        file.remove();
    }

    // A folder name that is not UTF-8 (GBK bytes, as a Windows zip unpacks) is written to and
    // handed to the desktop as the same bytes.
    void aFolderNamedInGbkIsUsedByteForByte() {
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "recordOpenedUrl");
        const std::string folder = directory_->path().toStdString() + "/\xC8\xAB\xC6\xC1";  // 全屏
        QCOMPARE(::mkdir(folder.c_str(), 0755), 0);
        PreviewFile file(folder);
        QVERIFY(file.write(bytesOf("page", 4)));
        file.open();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

        QCOMPARE(readAll(folder + "/yl.htm"), std::string("page"));
        QCOMPARE(openedUrls_.size(), 1);
        QCOMPARE(openedUrls_.front().toEncoded(),
                 "file://" + QByteArray::fromStdString(folder).toPercentEncoding("/") + "/yl.htm");
        file.remove();
        QVERIFY(!exists(folder + "/yl.htm"));
    }

    void neverWritesThroughOrDeletesTheTargetOfALink() {
        PreviewFile file(directory_->path().toStdString());
        const std::string target = directory_->filePath(QStringLiteral("elsewhere")).toStdString();
        QFile original(QString::fromStdString(target));
        QVERIFY(original.open(QIODevice::WriteOnly));
        original.write("keep");
        original.close();
        QCOMPARE(::symlink(target.c_str(), file.path().c_str()), 0);

        QVERIFY(!file.write(bytesOf("page", 4)));
        QCOMPARE(contentOf(target), QByteArray("keep"));

        file.remove();
        QVERIFY(!exists(file.path()));
        QCOMPARE(contentOf(target), QByteArray("keep"));
    }

    void openAsksTheDesktopForTheFileEvenIfMissing() {
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "recordOpenedUrl");
        PreviewFile file(directory_->path().toStdString());
        file.open();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

        QCOMPARE(openedUrls_.size(), 1);
        QCOMPARE(openedUrls_.front(), QUrl::fromLocalFile(directory_->filePath(QStringLiteral("yl.htm"))));
    }

  private:
    std::string makeDirectory(const char* name, mode_t mode) {
        const std::string path = directory_->filePath(QString::fromLatin1(name)).toStdString();
        if (::mkdir(path.c_str(), 0700) != 0 || ::chmod(path.c_str(), mode) != 0) {
            qFatal("cannot make %s", path.c_str());
        }
        return path;
    }

    // Runs `step` as an ordinary user and returns its result (0 to 125). Root writes whatever the
    // modes say, so as root the step runs in a child that has given up root first.
    static int asAnotherUser(const std::function<int()>& step) {
        if (::geteuid() != 0) {
            return step();
        }
        const pid_t child = ::fork();
        if (child == 0) {
            const bool droppedRoot =
                ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
            ::_exit(droppedRoot ? step() : 126);
        }
        int status = 0;
        if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
            return 127;
        }
        return WEXITSTATUS(status);
    }

    std::unique_ptr<QTemporaryDir> directory_;
    QList<QUrl> openedUrls_;
};

QTEST_MAIN(PreviewFileTest)
#include "preview_file_test.moc"
