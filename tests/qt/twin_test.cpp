// The same application on the Qt desktop and on the fake one shows the same window, controls
// and pixels.
#include "app/application.h"
#include "app/control_table.h"
#include "app/shell_menus.h"
#include "fake/fake_desktop.h"
#include "fake/fake_interface_table.h"
#include "fake/fake_settings_file.h"
#include "pop3/decoding.h"
#include "ports/argb_picture.h"
#include "qt/cp1252.h"
#include "qt/qt_control_widgets.h"
#include "qt/qt_desktop.h"

#include <QApplication>
#include <QFontInfo>

#include <gtest/gtest.h>

#include <functional>

namespace kestrel::testing {
namespace {

using enum ControlName;

// The Qt desktop's services with the fake's clock, so that ticks fed at once count as on time
// on both sides.
class TickingServices : public Services {
  public:
    explicit TickingServices(Services& real) : real_(real) {}
    bool AnotherInstanceRuns(const std::string& title) override {
        return real_.AnotherInstanceRuns(title);
    }
    void LoadResources() override { real_.LoadResources(); }
    void StartTimer(int id, int periodMs) override { real_.StartTimer(id, periodMs); }
    std::string ReadMailtoCommand() override { return real_.ReadMailtoCommand(); }
    void StartProgram(const std::string& file, const std::string& parameters) override {
        real_.StartProgram(file, parameters);
    }
    void Post(std::function<void()> task) override { real_.Post(std::move(task)); }
    int64_t MonotonicMs() override { return now_ += 2000; }

  private:
    Services& real_;
    int64_t now_ = 0;
};

// One application on the fake desktop and one on the Qt desktop, fed the same inputs.
class TwinTest : public ::testing::Test {
  protected:
    FakeDesktop fake;
    QtDesktop qt;
    Desktop fakePorts = fake.Ports();
    TickingServices qtServices{qt.Ports().services};
    Desktop qtPorts = WithServices(qt.Ports(), qtServices);

    static Desktop WithServices(Desktop ports, Services& services) {
        return {ports.window, ports.controls, ports.lists, ports.drawing,
                ports.menus,  services,       ports.tray};
    }
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

// The core's own 1252 for decoded UTF-8 is the one this front end shows: every byte, written as
// UTF-8 in an encoded word, decodes to itself.
TEST(Cp1252Test, DecodedUtf8IsTheFrontEndsCp1252) {
    std::string all, word = "=?UTF-8?Q?";
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    for (unsigned char byte : FromCp1252(all).toUtf8().toStdString()) {
        const char hex[] = "0123456789ABCDEF";
        word += {'=', hex[byte / 16], hex[byte % 16]};
    }
    EXPECT_EQ(DecodeEncodedWords(word + "?="), all);
}

} // namespace
} // namespace kestrel::testing
