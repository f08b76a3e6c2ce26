#include "ui/qt/preview_file.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

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
        QVERIFY(directory_.isValid());
        openedUrls_.clear();
    }

    void pathIsTheDirectoryThenTheFileName() {
        QCOMPARE(PreviewFile("/opt/tool").path(), std::string("/opt/tool/yl.htm"));
        // The root directory is the empty string, so no doubled separator appears.
        QCOMPARE(PreviewFile("").path(), std::string("/yl.htm"));
    }

    void programDirectoryIsTheExecutablesDirectory() {
        const std::string directory = zelvo::programDirectory();
        QCOMPARE(QString::fromStdString(directory), QCoreApplication::applicationDirPath());
        QVERIFY(!directory.empty() && directory.back() != '/');
    }

    void writesExactlyTheBytes() {
        const PreviewFile file(directory_.path().toStdString());
        // GBK text with a zero byte inside: no byte-order mark, nothing appended or cut.
        const char page[] = "<p>\xC9\xFA\xB3\xC9</p>\0tail";
        QVERIFY(file.write(bytesOf(page, sizeof page - 1)));
        QCOMPARE(contentOf(file.path()), QByteArray(page, sizeof page - 1));
    }

    void shorterPageLeavesNothingOfTheFirst() {
        const PreviewFile file(directory_.path().toStdString());
        QVERIFY(file.write(bytesOf("a long first page", 17)));
        QVERIFY(file.write(bytesOf("short", 5)));
        QCOMPARE(contentOf(file.path()), QByteArray("short"));
    }

    void zeroBytesGiveAnEmptyFile() {
        const PreviewFile file(directory_.path().toStdString());
        QVERIFY(file.write(bytesOf("old", 3)));
        QVERIFY(file.write({}));
        QCOMPARE(contentOf(file.path()), QByteArray(""));
    }

    void removeDeletesAndIgnoresAMissingFile() {
        const PreviewFile file(directory_.path().toStdString());
        QVERIFY(file.write(bytesOf("page", 4)));
        file.remove();
        QVERIFY(!exists(file.path()));
        file.remove();
        QVERIFY(!exists(file.path()));
    }

    void unwritableDirectoryFailsQuietly_data() {
        QTest::addColumn<QString>("directory");
        QTest::newRow("missing directory") << directory_.filePath(QStringLiteral("missing"));
        QTest::newRow("a file in place of the directory") << directory_.filePath(QStringLiteral("plain"));
    }

    void unwritableDirectoryFailsQuietly() {
        QFETCH(QString, directory);
        QFile plain(directory_.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();

        const PreviewFile file(directory.toStdString());
        QVERIFY(!file.write(bytesOf("page", 4)));
        QVERIFY(!exists(file.path()));
        file.remove();
        QCOMPARE(contentOf(plain.fileName().toStdString()), QByteArray(""));
    }

    // A read-only yl.htm keeps its content. Root writes whatever the mode says, so as root the
    // write is tried by a child that has given up root first.
    void readOnlyFileFailsQuietly() {
        const PreviewFile file(directory_.path().toStdString());
        QVERIFY(file.write(bytesOf("old", 3)));
        QCOMPARE(::chmod(file.path().c_str(), 0444), 0);
        QCOMPARE(::chmod(directory_.path().toLocal8Bit().constData(), 0755), 0);

        bool written = false;
        if (::geteuid() != 0) {
            written = file.write(bytesOf("new", 3));
        } else {
            const pid_t child = ::fork();
            if (child == 0) {
                const bool droppedRoot = ::setgid(65534) == 0 && ::setuid(65534) == 0;
                ::_exit(!droppedRoot ? 2 : file.write(bytesOf("new", 3)) ? 1 : 0);
            }
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFEXITED(status));
            QVERIFY2(WEXITSTATUS(status) != 2, "could not give up root");
            written = WEXITSTATUS(status) == 1;
        }
        QVERIFY(!written);
        QCOMPARE(contentOf(file.path()), QByteArray("old"));
        file.remove();
    }

    void neverWritesThroughOrDeletesTheTargetOfALink() {
        const PreviewFile file(directory_.path().toStdString());
        const std::string target = directory_.filePath(QStringLiteral("elsewhere")).toStdString();
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
        const PreviewFile file(directory_.path().toStdString());
        file.open();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

        QCOMPARE(openedUrls_.size(), 1);
        QCOMPARE(openedUrls_.front(), QUrl::fromLocalFile(directory_.filePath(QStringLiteral("yl.htm"))));
    }

  private:
    QTemporaryDir directory_;
    QList<QUrl> openedUrls_;
};

QTEST_MAIN(PreviewFileTest)
#include "preview_file_test.moc"
