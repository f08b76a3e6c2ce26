#include <windows.h>

#include <string>

#include "templates/http_get.h"
#include "templates/template_addresses.h"
#include "ui/win32/preview_file.h"
#include "ui/win32/win32_generator_window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    // Before any thread exists: the fetch worker starts with the window.
    zelvo::initHttpClient();

    zelvo::Win32GeneratorWindow window(
        {{std::string(zelvo::compiledTemplateBaseAddress), std::string(zelvo::compiledPreviewTemplateHost)},
         zelvo::programDirectory()});
    if (window.open(showCommand)) {
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    // The fetch worker may still be inside a request: end without joining it or running the
    // destructors that it could still be using.
    ExitProcess(0);
}
