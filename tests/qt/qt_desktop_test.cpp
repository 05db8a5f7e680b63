// The Qt front end, offscreen: the same application on the Qt desktop and on the fake one shows
// the same window, controls and pixels; the user's clicks reach the core as its commands; and the
// whole mail path runs through the Qt widgets against Dovecot.
#include "app/application.h"
#include "app/control_table.h"
#include "app/shell_menus.h"
#include "fake/fake_desktop.h"
#include "fake/fake_interface_table.h"
#include "fake/fake_settings_file.h"
#include "ports/argb_picture.h"
#include "qt/cp1252.h"
#include "qt/qt_control_widgets.h"
#include "qt/qt_desktop.h"

#include <QApplication>
#include <QFontInfo>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

namespace kestrel::testing {
namespace {

using enum ControlName;

// Runs the Qt loop until the condition holds, for at most the time given.
bool Eventually(const std::function<bool()>& condition, int ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Picks the item with this text in the next popup menu once it shows, as the keyboard does.
void ChooseInNextMenu(const QString& text) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, text] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* action : menu->actions()) {
            if (action->text() == text) {
                menu->setActiveAction(action);
                QTest::keyClick(menu, Qt::Key_Return);
            }
        }
        poll->deleteLater();
    });
    poll->start(10);
}

// Types each character as a key of its own, whatever the keyboard.
void Type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

// One application on the fake desktop and one on the Qt desktop, fed the same inputs.
class TwinTest : public ::testing::Test {
  protected:
    FakeDesktop fake;
    QtDesktop qt;
    Desktop fakePorts = fake.Ports();
    Desktop qtPorts = qt.Ports();
    FakeInterfaceTable fakeRows, qtRows;
    FakeSettingsFile fakeFile, qtFile;
    std::unique_ptr<Application> onFake, onQt;

    void Start(const std::optional<std::string>& settings,
               const std::vector<InterfaceRow>& rows = {{"lo", 0, 0}}) {
        fakeFile.content = qtFile.content = settings;
        fakeRows.rows = qtRows.rows = rows;
        fake.screen = qtPorts.window.ScreenSize();
        onFake = std::make_unique<Application>(Platform{fakePorts, fakeRows, fakeFile}, "");
        onQt = std::make_unique<Application>(Platform{qtPorts, qtRows, qtFile}, "");
        onFake->Run();
        qtPorts.services.LoadResources(); // Run without the instance lock and the loop
        qtPorts.window.CreateMainWindow(*onQt);
    }
    void Both(const std::function<void(Application&)>& step) {
        step(*onFake);
        step(*onQt);
        QApplication::processEvents();
    }
    void Tick(uint32_t inGrowth, uint32_t outGrowth) {
        for (FakeInterfaceTable* rows : {&fakeRows, &qtRows}) {
            rows->rows[0].inOctets += inGrowth;
            rows->rows[0].outOctets += outGrowth;
        }
        Both([](Application& app) { app.OnTimer(); });
    }

    void ExpectSameControls(const std::string& when) {
        SCOPED_TRACE(when);
        EXPECT_EQ(qtPorts.window.WindowRect(), fake.rect);
        for (const ControlSpec& row : ControlTable()) {
            SCOPED_TRACE(NameOf(row.name));
            QWidget* widget = qt.Widget(row.name);
            ASSERT_NE(widget, nullptr);
            EXPECT_EQ(widget->geometry(),
                      QRect(row.rect.left, row.rect.top, row.rect.width, row.rect.height));
            EXPECT_EQ(widget->isVisibleTo(qt.Window()), fake.Visible(row.name));
            EXPECT_EQ(qtPorts.controls.GetText(row.name, 256),
                      fakePorts.controls.GetText(row.name, 256));
            EXPECT_EQ(qtPorts.controls.IsChecked(row.name), fakePorts.controls.IsChecked(row.name));
            if (auto* list = dynamic_cast<ListBox*>(widget)) {
                EXPECT_EQ(list->Lines(), fake.control(row.name).items);
                EXPECT_EQ(qtPorts.lists.ListSelection(row.name),
                          fakePorts.lists.ListSelection(row.name));
            }
        }
    }
};

TEST_F(TwinTest, ControlsAreTheTablesAndFollowThePanelsAsOnTheFake) {
    Start(std::nullopt, {{"lo", 0, 0}, {"eth0", 0, 0}});
    ExpectSameControls("first start: the throughput panel");

    const std::pair<ControlKind, const char*> classes[] = {
        {ControlKind::PushButton, "QPushButton"},       {ControlKind::CheckBox, "QCheckBox"},
        {ControlKind::AutoRadioButton, "QRadioButton"}, {ControlKind::Static, "QLabel"},
        {ControlKind::ListBox, "QListWidget"},          {ControlKind::Edit, "QLineEdit"}};
    for (const ControlSpec& row : ControlTable()) {
        for (const auto& [kind, name] : classes) {
            if (kind == row.kind) {
                EXPECT_TRUE(qt.Widget(row.name)->inherits(name)) << NameOf(row.name);
            }
        }
        // "arial", 9 pixels, weight 800, through the face with Arial's metrics
        const QFontInfo font(qt.Widget(row.name)->font());
        EXPECT_EQ(font.family(), "Liberation Sans");
        EXPECT_EQ(font.pixelSize(), 9);
        EXPECT_EQ(font.weight(), 800);
    }

    Both([](Application& app) { app.OnCommand(5, 0, true); }); // ok
    ExpectSameControls("compact");
    Both([](Application& app) { app.OnCommand(CmdConfigMail, 0, false); });
    ExpectSameControls("the mail panel");
    Both([](Application& app) { app.OnCommand(21, 0, true); }); // account 2
    ExpectSameControls("account 2");
    Both([](Application& app) { app.OnCommand(CmdConfigKestrel, 0, false); });
    ExpectSameControls("the throughput panel again");
}

// Every drawn pixel of the graph, by the same line rule and fill; the texts in their colours.
TEST_F(TwinTest, TheGraphIsDrawnPixelForPixelAsOnTheFake) {
    Start("500,400,1,1,");
    const std::pair<uint32_t, uint32_t> ticks[] = {{1000, 500},
                                                   {60000, 2000},
                                                   {250000, 0},
                                                   {0, 250000},
                                                   {90000, 90000},
                                                   {4000000000u, 5},
                                                   {300000000u, 300000000u},
                                                   {7, 123456},
                                                   {0, 0},
                                                   {125000, 62500}};
    for (const auto& [in, out] : ticks)
        Tick(in, out);

    const QImage& drawn = qt.Drawn();
    int lit = 0;
    for (int y = 14; y < 63; ++y) {
        for (int x = 0; x < FakeDesktop::CanvasWidth; ++x) {
            const uint32_t expected =
                fake.Pixel(x, y) == FakeDesktop::Untouched ? 0u : 0xFF000000u | fake.Pixel(x, y);
            ASSERT_EQ(drawn.pixel(x, y), expected) << x << "," << y;
            lit += (expected & 0xFFFF00) != 0;
        }
    }
    EXPECT_GT(lit, 20) << "the lines themselves";

    // The strip: black cells, "i:" in green on the left, "o:" in red, the dark "@" on the right.
    auto count = [&](int left, int right, auto test) {
        int n = 0;
        for (int y = 0; y < 14; ++y)
            for (int x = left; x < right; ++x)
                n += test(QColor(drawn.pixel(x, y)));
        return n;
    };
    EXPECT_EQ(count(0, 100, [](QColor c) { return c.alpha() != 255; }), 0);
    EXPECT_GT(count(1, 40, [](QColor c) { return c.green() > 200 && c.red() < 60; }), 10);
    EXPECT_GT(count(40, 88, [](QColor c) { return c.red() > 200 && c.green() < 60; }), 10);
    EXPECT_GT(count(88, 100, [](QColor c) { return c.green() > 40 && c.red() == 0; }), 3);
}

TEST_F(TwinTest, TheTrayPictureIsTheGraphInTheWindowsColours) {
    Start("500,400,1,1,");
    ASSERT_NE(qt.TrayIcon(ThroughputIconId), nullptr);
    EXPECT_FALSE(qt.TrayIcon(ThroughputIconId)->icon().isNull()) << "the NO picture";
    for (uint32_t in : {20000u, 90000u, 10000u, 0u, 125000u})
        Tick(in, in / 2);

    const auto& raster = std::get<IconRaster>(fake.trayIcons.at(ThroughputIconId).picture);
    const std::array<uint32_t, 256> expected = ArgbPicture(raster);
    const QImage shown = qt.TrayIcon(ThroughputIconId)
                             ->icon()
                             .pixmap(16, 16)
                             .toImage()
                             .convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(shown.size(), QSize(16, 16));
    std::map<uint32_t, int> colours;
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(shown.pixel(i % 16, i / 16), expected[static_cast<size_t>(i)]) << i;
        ++colours[expected[static_cast<size_t>(i)]];
    }
    EXPECT_GT(colours[0xFF000000], 0);
    EXPECT_GT(colours[0xFF00FF00] + colours[0xFFFFFF00], 0) << "the incoming graph";
    EXPECT_EQ(qt.TrayIcon(ThroughputIconId)->toolTip().toStdString(),
              fake.trayIcons.at(ThroughputIconId).tooltip.data());
}

TEST(Cp1252Test, EveryByteCrossesBothWays) {
    const std::pair<std::string, std::u16string> table[] = {
        {"l\xE4uft schon", u"l\u00E4uft schon"},
        {"\x80\x85\x8A\x9F", u"\u20AC\u2026\u0160\u0178"},
        {"\x81\x8D\x8F\x90\x9D", u"\u0081\u008D\u008F\u0090\u009D"},
        {"\xA0\xFF", u"\u00A0\u00FF"},
    };
    for (const auto& [bytes, text] : table) {
        EXPECT_EQ(FromCp1252(bytes), QString::fromStdU16String(text)) << bytes;
        EXPECT_EQ(ToCp1252(QString::fromStdU16String(text)), bytes);
    }
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(ToCp1252(FromCp1252(all)), all);
    EXPECT_EQ(ToCp1252(QString::fromStdU16String(u"\u6F22 \U0001F600.")), "? ?.");
}

// A receiver that only records what the Qt desktop delivers.
struct Recorder : WindowEvents {
    QtDesktop* desktop = nullptr;
    std::vector<std::tuple<int, int, bool>> commands;
    void OnCreate() override {
        const Desktop ports = desktop->Ports();
        for (const ControlSpec& row : ControlTable())
            ports.controls.CreateControl(row);
        ports.drawing.CreateMainFont();
    }
    void OnClose() override {}
    void OnCommand(int id, int code, bool fromControl) override {
        commands.emplace_back(id, code, fromControl);
    }
    void OnTimer() override {}
    void OnTrayCallback(int, TrayMouse) override {}
    void OnTaskbarCreated() override {}
};

class UserActionTest : public ::testing::Test {
  protected:
    QtDesktop qt;
    Desktop ports = qt.Ports();
    Recorder events;
    void SetUp() override {
        events.desktop = &qt;
        ports.services.LoadResources();
        ports.window.CreateMainWindow(events);
        for (const ControlSpec& row : ControlTable())
            ports.controls.ShowControl(row.name, row.name != MailListBox); // lies on the others
        ports.window.MoveWindow({0, 0, 305, 63});
        QApplication::processEvents();
    }
    // Through the window, which hands the click to whatever lies at that point.
    void Click(ControlName control, QPoint at = {5, 5}) {
        const QPoint inWindow = qt.Widget(control)->mapTo(qt.Window(), at);
        QTest::mouseClick(qt.Window()->windowHandle(), Qt::LeftButton, {}, inWindow);
    }
    std::vector<std::tuple<int, int, bool>> Delivered() {
        QApplication::processEvents();
        return std::exchange(events.commands, {});
    }
};

TEST_F(UserActionTest, ClicksArriveAsTheControlsNotifications) {
    ports.lists.ListAdd(InterfaceList, "lo");
    ports.lists.ListAdd(InterfaceList, "eth0");
    auto* interfaces = dynamic_cast<ListBox*>(qt.Widget(InterfaceList));
    const QPoint secondLine = interfaces->viewport()->mapTo(
        interfaces, interfaces->visualItemRect(interfaces->item(1)).center());

    const struct {
        ControlName control;
        QPoint at;
        std::vector<std::tuple<int, int, bool>> delivered;
    } table[] = {
        {OkButton, {5, 5}, {{5, 0, true}}},
        {MailMarkBox, {5, 5}, {{1, 0, true}}},
        {GraphArea, {50, 20}, {{4, 0, true}}},
        {ActiveCheck, {5, 5}, {{30, 0, true}}},
        {AccountRadio2, {5, 5}, {{21, 0, true}}},
        {AccountLabel, {5, 5}, {}}, // a static that does not notify: the window's
        {InterfaceList, secondLine, {{1, 1, true}}},
    };
    for (const auto& row : table) {
        Click(row.control, row.at);
        EXPECT_EQ(Delivered(), row.delivered) << NameOf(row.control);
    }
    EXPECT_FALSE(ports.controls.IsChecked(ActiveCheck))
        << "the application ticks the box, not the click";
    EXPECT_TRUE(ports.controls.IsChecked(AccountRadio2));
    EXPECT_EQ(ports.lists.ListSelection(InterfaceList), 1);

    ports.lists.ListSelect(InterfaceList, 0); // the application's own selection is not reported
    ports.controls.SetChecked(AccountRadio1, true);
    EXPECT_EQ(Delivered(), (std::vector<std::tuple<int, int, bool>>{}));
    EXPECT_FALSE(ports.controls.IsChecked(AccountRadio2)) << "the radios are one group";
}

// A static that does not notify lets the mouse through: the window beneath drags.
TEST_F(UserActionTest, AnyFreePartOfTheWindowDragsIt) {
    ports.window.MoveWindow({200, 100, 305, 63});
    QWindow* window = qt.Window()->windowHandle();
    for (const QPoint grab : {QPoint(50, 5), QPoint(120, 5), QPoint(10, 14)}) { // strip, label
        const Rect before = ports.window.WindowRect();
        QTest::mousePress(window, Qt::LeftButton, {}, grab);
        QTest::mouseMove(window, grab + QPoint(30, 20));
        QTest::mouseRelease(window, Qt::LeftButton, {}, grab); // it moved under the pointer
        EXPECT_EQ(ports.window.WindowRect(), (Rect{before.left + 30, before.top + 20, 305, 63}))
            << grab.x();
    }
    EXPECT_EQ(Delivered(), (std::vector<std::tuple<int, int, bool>>{}));
}

TEST_F(UserActionTest, FieldsRefuseWhatTheSettingsFileCannotKeep) {
    ports.controls.SetText(HostEdit, "pop\xF2.example\xFF.org");
    EXPECT_EQ(ports.controls.GetText(HostEdit, 256), "pop.example.org");
    ports.controls.Focus(UserEdit);
    Type(qt.Widget(UserEdit), QString::fromStdU16String(u"j\u00F2rg\u00FF \u00E4"));
    EXPECT_EQ(ports.controls.GetText(UserEdit, 256), "jrg \xE4");
    EXPECT_EQ(ports.controls.GetText(UserEdit, 3), "jr") << "maxBytes counts the terminator";
    ports.controls.SetText(PasswordEdit, "secret");
    EXPECT_EQ(dynamic_cast<QLineEdit*>(qt.Widget(PasswordEdit))->echoMode(), QLineEdit::Password);
}

TEST_F(UserActionTest, AChosenMenuItemArrivesAfterTheMenuHasClosed) {
    ChooseInNextMenu("delete");
    ports.menus.ShowPopupMenu(MailMenu(), {10, 10});
    EXPECT_EQ(Delivered(), (std::vector<std::tuple<int, int, bool>>{{CmdDeleteMail, 0, false}}));
    ChooseInNextMenu("config kestrel");
    ports.menus.ShowPopupMenu(TrayMenu(), {10, 10});
    EXPECT_EQ(Delivered(), (std::vector<std::tuple<int, int, bool>>{{CmdConfigKestrel, 0, false}}));
}

TEST_F(UserActionTest, WithoutATrayTheWindowStaysShownAndSaysSoOnce) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "offscreen has none";
    ::testing::internal::CaptureStderr();
    ports.tray.Add({ThroughputIconId, ThroughputCallback, std::string("NO"), {}});
    ports.window.ShowWindow(false);
    ports.window.ShowWindow(false);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(qt.Window()->isVisible()) << "a hidden window could not come back";
    const std::string line = "kestrel: no system tray is available; the window stays shown\n";
    const size_t first = said.find(line);
    EXPECT_NE(first, std::string::npos) << said;
    EXPECT_EQ(said.find(line, first + 1), std::string::npos) << "once";
}

// The mail path through the Qt widgets: an account typed into the form, its mail listed from
// Dovecot, a line deleted on the server, the mail client started from a desktop file.
class QtMailTest : public ::testing::Test {
  protected:
    QtDesktop qt;
    Desktop ports = qt.Ports();
    FakeInterfaceTable rows;
    FakeSettingsFile file;
    std::unique_ptr<Application> app;
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kestrel-qt-mail-" + std::to_string(getpid()));

    void SetUp() override {
        const char* dovecot = std::getenv("KESTREL_DOVECOT");
        if (!dovecot)
            GTEST_SKIP() << "run through ctest, whose fixture starts Dovecot";
        rows.rows = {{"lo", 0, 0}};
        file.content = "500,400,1,1,";
        app = std::make_unique<Application>(Platform{ports, rows, file}, "");
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
    static std::string Display(const std::string& line) {
        return line.substr(0, line.find_last_not_of(' ', 47) + 1);
    }
    std::vector<std::string> Displays() {
        std::vector<std::string> shown;
        for (const std::string& line : MailList().Lines())
            shown.push_back(Display(line));
        return shown;
    }
};

TEST_F(QtMailTest, ListsDeletesAndStartsTheMailClient) {
    ASSERT_NO_FATAL_FAILURE(OpenList());
    const std::vector<std::string> three{"plain@example.org: Plain message",
                                         "\"M\xFCller, J\xF6rg\" : Gr\xFC\xDF"
                                         "e aus K\xF6ln",
                                         "Folded Sender : A subject that goes .."};
    ASSERT_EQ(Displays(), three);
    EXPECT_EQ(MailList().item(1)->text().left(22),
              QString::fromStdU16String(u"\"M\u00FCller, J\u00F6rg\" : Gr\u00FC\u00DFe"));

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

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qt(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
