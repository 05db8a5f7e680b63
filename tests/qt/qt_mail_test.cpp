// The whole mail path through the Qt widgets against Dovecot.
#include "app/application.h"
#include "app/shell_menus.h"
#include "fake/fake_interface_table.h"
#include "fake/fake_settings_file.h"
#include "qt/qt_control_widgets.h"
#include "qt/qt_desktop.h"
#include "qt_test_support.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kestrel::testing {
namespace {

using enum ControlName;

// The mail path through the Qt widgets: an account typed into the form, its mail listed from
// Dovecot, a line deleted on the server, the mail client started from a desktop file.
class QtMailTest : public ::testing::Test {
  protected:
    QtDesktop qt;
    Desktop ports = qt.Ports();
    FakeInterfaceTable rows;
    FakeSettingsFile file, totals, announced;
    std::unique_ptr<Application> app;
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kestrel-qt-mail-" + std::to_string(getpid()));

    void SetUp() override {
        const char* dovecot = std::getenv("KESTREL_DOVECOT");
        if (!dovecot)
            GTEST_SKIP() << "run through ctest, whose fixture starts Dovecot";
        rows.rows = {{"lo", 0, 0}};
        file.content = "500,400,1,1,";
        app = std::make_unique<Application>(Platform{ports, rows, file, totals, announced}, "");
        ports.services.LoadResources();
        ports.window.CreateMainWindow(*app);

        app->OnCommand(CmdConfigMail, 0, false);
        QTest::keyClicks(qt.Widget(HostEdit), dovecot);
        QTest::keyClicks(qt.Widget(UserEdit), "erin");
        QTest::keyClicks(qt.Widget(PasswordEdit), "erinpw");
        QTest::mouseClick(qt.Widget(ActiveCheck), Qt::LeftButton);
        QApplication::processEvents();
        ASSERT_TRUE(ports.controls.IsChecked(ActiveCheck));
        QTest::mouseClick(qt.Widget(OkButton), Qt::LeftButton);
        QApplication::processEvents();
        ASSERT_EQ(ports.window.WindowRect().width, 100);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    ListBox& MailList() { return *dynamic_cast<ListBox*>(qt.Widget(MailListBox)); }
    void OpenList() {
        QTest::mouseClick(qt.Widget(MailMarkBox), Qt::LeftButton);
        ASSERT_TRUE(Eventually([&] { return qt.Widget(MailListBox)->isVisible(); }));
    }
    void ChooseForLine(int line, const QString& item) {
        ChooseInNextMenu(item);
        QTest::mouseClick(MailList().viewport(), Qt::LeftButton, {},
                          MailList().visualItemRect(MailList().item(line)).center());
    }
    std::vector<std::string> Displays() { return MailList().Lines(); }
};

TEST_F(QtMailTest, ListsDeletesAndStartsTheMailClient) {
    ASSERT_NO_FATAL_FAILURE(OpenList());
    const std::vector<std::string> three{"plain@example.org: Plain message",
                                         "\"Müller, Jörg\" : Grüße aus Köln",
                                         "Folded Sender : A subject that goes .."};
    Eventually([&] { return Displays().size() >= three.size(); }, 15000); // the mail thread
    ASSERT_EQ(Displays(), three);
    EXPECT_EQ(MailList().item(1)->text(),
              QString::fromStdU16String(u"\"M\u00FCller, J\u00F6rg\" : Gr\u00FC\u00DFe aus K\u00F6ln"))
        << "only the text is drawn";

    ChooseForLine(0, "delete");
    ASSERT_TRUE(Eventually([&] { return Displays().size() == 2; }, 15000));
    EXPECT_EQ(Displays(), (std::vector<std::string>{three[1], three[2]}));

    // The mail client: xdg-mime names a desktop file whose Exec line is a script of ours.
    std::filesystem::create_directories(dir / "bin");
    std::filesystem::create_directories(dir / "share/applications");
    const auto marker = dir / "started.txt";
    std::ofstream(dir / "bin/xdg-mime") << "#!/bin/sh\necho kestrel-test-mail.desktop\n";
    std::ofstream(dir / "bin/mailer") << "#!/bin/sh\necho \"$@\" > " << marker << ".new && mv "
                                      << marker << ".new " << marker << "\n";
    for (const char* program : {"bin/xdg-mime", "bin/mailer"})
        std::filesystem::permissions(dir / program, std::filesystem::perms::owner_all);
    std::ofstream(dir / "share/applications/kestrel-test-mail.desktop")
        << "[Desktop Entry]\nType=Application\nName=Mailer\nExec=\""
        << (dir / "bin/mailer").string() << "\" -compose %u\n";
    const std::string path = std::getenv("PATH");
    setenv("PATH", ((dir / "bin").string() + ":" + path).c_str(), 1);
    setenv("XDG_DATA_HOME", (dir / "share").c_str(), 1);
    ChooseForLine(1, "eMail-Client");
    const bool started = Eventually([&] { return std::filesystem::exists(marker); }, 10000);
    setenv("PATH", path.c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    ASSERT_TRUE(started);
    std::string arguments;
    std::getline(std::ifstream(marker), arguments);
    EXPECT_EQ(arguments, "-compose");
    EXPECT_TRUE(MailList().Lines().empty()) << "the list is cleared";
}

} // namespace
} // namespace kestrel::testing
