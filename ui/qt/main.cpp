#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "templates/http_get.h"
#include "templates/template_addresses.h"
#include "ui/qt/closing_signals.h"
#include "ui/qt/preview_file.h"
#include "ui/qt/qt_generator_window.h"

int main(int argc, char** argv) {
    // Before any thread exists: the fetch worker starts with the window.
    zelvo::initHttpClient();
    QApplication app(argc, argv);
    // Shutdown, logout and Ctrl+C close the window as Esc does; a signal that arrives before the
    // window is shown waits for the event loop.
    zelvo::ClosingSignals closingSignals([] { QApplication::closeAllWindows(); });

    zelvo::QtGeneratorWindow window(
        {{std::string(zelvo::compiledTemplateBaseAddress), std::string(zelvo::compiledPreviewTemplateHost)},
         zelvo::programDirectory()});
    window.show();
    app.exec();

    // The fetch worker may still be inside a request: end without joining it or running the
    // destructors that it could still be using.
    std::fflush(nullptr);
    std::_Exit(0);
}
