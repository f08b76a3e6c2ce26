// Prints what one generation with the window's default settings makes of the bundled templates:
// expected_generation SITE_DIR USER_CODE_FILE CODE_OUT PAGE_OUT
// The end-to-end test compares the real program's clipboard and preview file with these.

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <variant>

#include "generator/code_generator.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: expected_generation SITE_DIR USER_CODE_FILE CODE_OUT PAGE_OUT\n";
        return 2;
    }
    const std::string site = argv[1];
    zelvo::TemplateTexts templates;
    templates[zelvo::TemplateSlot::tmb] = readFile(site + "/gjx/qpdmsc/tmb.txt");
    templates[zelvo::TemplateSlot::jsb] = readFile(site + "/gjx/qpdmsc/jsb.txt");
    templates[zelvo::TemplateSlot::previewJsb] = readFile(site + "/zhongdaili/gongyongshuju/yl/jsb.txt");
    templates[zelvo::TemplateSlot::previewTmb] = readFile(site + "/zhongdaili/gongyongshuju/yl/tmb.txt");

    const auto result = zelvo::CodeGenerator::generate({}, readFile(argv[2]), templates);
    const auto* generated = std::get_if<zelvo::GeneratedCode>(&result);
    if (!generated) {
        std::cerr << "the bundled code template is empty\n";
        return 1;
    }
    writeFile(argv[3], generated->generatedCode);
    writeFile(argv[4], generated->previewPage);
    return 0;
}
