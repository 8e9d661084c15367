#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "kvtreports/Host.h"
#include "platform/Beep.h"
#include "ui/Desktop.h"

namespace kvt::test {
namespace {

// What a console lends the plug-in: it records instead of showing.
class HostServices : public QObject {
    Q_OBJECT
public:
    HostServices() { setObjectName(kHostServicesObjectName); }
    QStringList events;

public slots:
    void beep(int frequency, int ms) { events << QString("Beep %1 %2").arg(frequency).arg(ms); }
    void showException(const QString& message) { events << "Error " + message; }
};

class DesktopTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application_ = ui::ensureApplication();
    }
    static void TearDownTestSuite() { application_.reset(); }

    static std::unique_ptr<QApplication> application_;
};

std::unique_ptr<QApplication> DesktopTest::application_;

TEST_F(DesktopTest, TheApplicationIsMadeOnlyWhenMissing) {
    ASSERT_NE(application_, nullptr);
    EXPECT_EQ(ui::ensureApplication(), nullptr);
}

TEST_F(DesktopTest, ErrorsAndBeepsGoToTheHostWhenItLendsItsServices) {
    HostServices services;
    services.setParent(QCoreApplication::instance());
    ui::installDesktopBeep();
    ui::showException(std::runtime_error("Сервер недоступен"));
    platform::Beep(500, 100);
    platform::setBeepService(nullptr);
    services.setParent(nullptr);
    EXPECT_EQ(services.events, (QStringList{"Error Сервер недоступен", "Beep 500 100"}));
}

TEST_F(DesktopTest, TheHostWindowIsFoundByItsNativeId) {
    QWidget window;
    window.show();
    ui::setApplicationHandle(static_cast<std::intptr_t>(window.winId()));
    EXPECT_EQ(ui::hostWindow(), &window);
    ui::setApplicationHandle(0);
    EXPECT_EQ(ui::hostWindow(), nullptr);
}

}  // namespace
}  // namespace kvt::test

#include "Desktop_test.moc"
