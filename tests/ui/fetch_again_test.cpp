// The window against a real loopback server that fails its first fetch: a later press of the
// generate button fetches again and, once the template is there, generates.

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <memory>

#include "generator/code_generator.h"
#include "tests/support/test_http_server.h"
#include "ui/qt/qt_generator_window.h"
#include "window_test_support.h"

using namespace std::chrono_literals;
using zelvo::TemplateSlot;
using zelvo::Text;
using zelvo::test::TestHttpServer;

namespace {

constexpr char tmbPath[] = "/gjx/qpdmsc/tmb.txt";
constexpr char jsbPath[] = "/gjx/qpdmsc/jsb.txt";
constexpr char previewJsbPath[] = "/zhongdaili/gongyongshuju/yl/jsb.txt";
constexpr char previewTmbPath[] = "/zhongdaili/gongyongshuju/yl/tmb.txt";

}  // namespace

class FetchAgainTest : public QObject {
    Q_OBJECT

  private slots:
    void aPressAfterAFailedFetchFetchesAgainOnce() {
        TestHttpServer server;
        const auto notFound = zelvo::test::errorPage("404 Not Found", "<html>not here</html>");
        const std::string jsbTemplate = "<div>" + std::string(zelvo::codeMarker) + "</div>";
        // Both code templates fail in the first sequence and its repeat, then arrive.
        server.serve(tmbPath,
                     {notFound, notFound, zelvo::test::ok("<p>" + std::string(zelvo::codeMarker) + "</p>")});
        server.serve(jsbPath, {notFound, notFound, zelvo::test::ok(jsbTemplate)});
        server.serve(previewJsbPath, zelvo::test::ok("537206418"));
        server.serve(previewTmbPath, zelvo::test::ok("537206418"));

        QTemporaryDir directory;
        zelvo::QtGeneratorWindow window(
            {{server.baseAddress(), server.host()}, directory.path().toStdString()});
        window.show();
        QVERIFY(server.waitForRequests(6, 10s));
        QTRY_VERIFY(!window.desktop().isTemplateFetchRunning());
        QCOMPARE(window.behaviour().templates().get(TemplateSlot::jsb), Text());

        auto* button = zelvo::test::findControl<QPushButton>(window, u"按钮3");
        auto* status = zelvo::test::findControl<QLabel>(window, u"透明标签生成结果");
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(status->text(), QStringLiteral("正在读取服务器文件，请稍候数秒再试，不影响您配置代码！"));
        QVERIFY(server.waitForRequests(10, 10s));
        QTRY_COMPARE(window.behaviour().templates().get(TemplateSlot::jsb), jsbTemplate);
        QTRY_VERIFY(!window.desktop().isTemplateFetchRunning());
        const std::vector<std::string> targets = server.targets();
        QCOMPARE(targets.size(), std::size_t{10});  // no repeat: the second tmb arrived
        QCOMPARE(std::vector<std::string>(targets.begin() + 6, targets.end()),
                 (std::vector<std::string>{tmbPath, jsbPath, previewJsbPath, previewTmbPath}));

        zelvo::test::findControl<QPlainTextEdit>(window, u"编辑框4")
            ->setPlainText(QStringLiteral("<b>x</b>"));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(zelvo::test::findControl<QPlainTextEdit>(window, u"编辑框6")->toPlainText(),
                 QStringLiteral("<div><b>x</b></div>"));
        QCOMPARE(server.targets().size(), std::size_t{10});
    }
};

int main(int argc, char** argv) {
    return zelvo::test::runWindowTest<FetchAgainTest>(argc, argv);
}

#include "fetch_again_test.moc"
