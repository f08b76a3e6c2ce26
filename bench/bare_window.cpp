// The baselines of the start-up benchmark: the smallest Qt program that maps a window of the
// generator window's client size, and with "--chinese-caption" the same window showing one
// Chinese caption, which is what loading a CJK font costs on its own.

#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(738, 429);
    window.setWindowTitle(QStringLiteral("bare"));
    if (argc > 1 && std::strcmp(argv[1], "--chinese-caption") == 0) {
        auto* caption = new QLabel(QStringLiteral("全局配置"), &window);
        caption->move(10, 8);
    }
    window.show();
    return app.exec();
}
