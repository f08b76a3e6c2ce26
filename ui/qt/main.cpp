#include <QApplication>
#include <QClipboard>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "templates/http_get.h"
#include "templates/template_addresses.h"
#include "ui/qt/closing_signals.h"
#include "ui/qt/preview_file.h"
#include "ui/qt/qt_generator_window.h"

int main(int argc, char** argv) {
    // Before any thread exists: the fetch worker starts with the window.
    zelvo::initHttpClient();
    auto app = std::make_unique<QApplication>(argc, argv);
    // Ties the window to the installed menu entry, whose icon the desktop then shows for it.
    QGuiApplication::setDesktopFileName(QStringLiteral("zelvo-fullscreen"));
    // Shutdown, logout and Ctrl+C close the window as Esc does; a signal that arrives before the
    // window is shown waits for the event loop.
    const zelvo::ClosingSignals closingSignals([] { QApplication::closeAllWindows(); });

    auto window = std::make_unique<zelvo::QtGeneratorWindow>(zelvo::GeneratorWindowSetup{
        {std::string(zelvo::compiledTemplateBaseAddress), std::string(zelvo::compiledPreviewTemplateHost)},
        zelvo::programDirectory()});
    window->show();
    app->exec();

    // The generated code on the clipboard is what the user closed the window for: on X11 it lives
    // in this process, and only the application object's end hands it to a clipboard manager
    // (CLIPBOARD_MANAGER/SAVE_TARGETS, which Qt gives up on after 5 s). The window is closed, so
    // its closing steps have run and the fetch is abandoned: the worker hands nothing to Qt any
    // more, and nothing it still uses goes with the window or the application object. The signal
    // handlers stay: a SIGTERM during the hand-over must not end the program with a signal.
    if (QGuiApplication::clipboard()->ownsClipboard()) {
        window.reset();
        app.reset();
    }

    // The fetch worker may still be inside a request: end without joining it or running the
    // static destructors that it could still be using.
    std::fflush(nullptr);
    std::_Exit(0);
}
