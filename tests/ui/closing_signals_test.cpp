#include "ui/qt/closing_signals.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>

#include "tests/support/silent_listener.h"
#include "ui/qt/qt_generator_window.h"
#include "window_test_support.h"

using zelvo::ClosingSignals;
using zelvo::QtGeneratorWindow;

// Each closing signal runs the window's closing steps on its own thread, as Esc does.
class ClosingSignalsTest : public QObject {
    Q_OBJECT

  private slots:
    void aSignalClosesTheWindow_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
        QTest::newRow("SIGINT") << SIGINT;
    }

    void aSignalClosesTheWindow() {
        QFETCH(int, signal);
        QTemporaryDir directory;
        const std::string address = "127.0.0.1:" + std::to_string(server_.port());
        QtGeneratorWindow window({{"http://" + address, address}, directory.path().toStdString()});
        window.show();
        QVERIFY(window.desktop().previewFile().write({'p'}));
        const QString preview = directory.filePath(QStringLiteral("yl.htm"));
        QVERIFY(QFile::exists(preview));

        // The handler that was there before comes back afterwards.
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        struct sigaction testsOwn {};
        QCOMPARE(::sigaction(signal, &ignore, &testsOwn), 0);
        {
            ClosingSignals closingSignals([&window] { window.close(); });
            QCOMPARE(::raise(signal), 0);
            // The handler did no more than note the signal: the closing waits for the event loop.
            QVERIFY(window.isVisible());
            QTRY_VERIFY(!window.isVisible());
            QVERIFY(window.behaviour().isClosed());
            QVERIFY(!QFile::exists(preview));
        }
        struct sigaction after {};
        QCOMPARE(::sigaction(signal, &testsOwn, &after), 0);
        QVERIFY(after.sa_handler == SIG_IGN);
    }

  private:
    SilentListener server_;
};

int main(int argc, char** argv) {
    return zelvo::test::runWindowTest<ClosingSignalsTest>(argc, argv);
}

#include "closing_signals_test.moc"
