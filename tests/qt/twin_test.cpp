// The same application on the Qt desktop and on the fake one shows the same window, controls
// and pixels.
#include "app/application.h"
#include "app/control_table.h"
#include "app/shell_menus.h"
#include "fake/fake_desktop.h"
#include "fake/fake_interface_table.h"
#include "fake/fake_settings_file.h"
#include "ports/argb_picture.h"
#include "qt/qt_control_widgets.h"
#include "qt/qt_desktop.h"
#include "qt/qt_tray.h"

#include <QApplication>
#include <QFontInfo>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <set>

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
    void OpenUrl(const std::string& url) override { real_.OpenUrl(url); }
    void Post(std::function<void()> task) override { real_.Post(std::move(task)); }
    int64_t MonotonicMs() override { return now_ += 2000; }
    int64_t WallMs() override { return now_; }
    CivilDate Today() override { return {2026, 12, 9}; }

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
    FakeSettingsFile fakeFile, qtFile, fakeTotals, qtTotals, fakeAnnounced, qtAnnounced;
    std::unique_ptr<Application> onFake, onQt;

    void Start(const std::optional<std::string>& settings,
               const std::vector<InterfaceRow>& rows = {{"lo", 0, 0}}) {
        fakeFile.content = qtFile.content = settings;
        fakeRows.rows = qtRows.rows = rows;
        fake.screen = qtPorts.window.ScreenSize();
        onFake =
            std::make_unique<Application>(Platform{fakePorts, fakeRows, fakeFile, fakeTotals, fakeAnnounced}, "");
        onQt = std::make_unique<Application>(Platform{qtPorts, qtRows, qtFile, qtTotals, qtAnnounced}, "");
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

// A picture's pixels as ARGB, top row first, a fully transparent pixel as 0 whatever its colour.
std::vector<uint32_t> Pixels(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    std::vector<uint32_t> pixels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            pixels.push_back(qAlpha(image.pixel(x, y)) == 0 ? 0u : image.pixel(x, y));
    return pixels;
}

std::vector<uint32_t> Pixels(const QPixmap& pixmap) {
    return Pixels(pixmap.toImage());
}

std::vector<uint32_t> Clear0(std::vector<uint32_t> pixels) {
    for (uint32_t& p : pixels)
        p = (p >> 24) == 0 ? 0u : p;
    return pixels;
}

// A tray that asks for another size, or for 16 at twice the density, gets the graph enlarged by
// whole pixels: Qt would otherwise smooth the one picture it has to the size asked for.
TEST_F(TwinTest, TheTrayPictureComesInEachSizeEnlargedByWholePixels) {
    Start("500,400,1,1,");
    for (uint32_t in : {20000u, 90000u, 10000u, 0u, 125000u})
        Tick(in, in / 2);
    const auto& raster = std::get<IconRaster>(fake.trayIcons.at(ThroughputIconId).picture);
    const std::array<uint32_t, 256> expected = ArgbPicture(raster);
    const QIcon icon = qt.TrayIcon(ThroughputIconId)->icon();

    for (const int size : TrayIconSizes) {
        const QPixmap pixmap = icon.pixmap(size, size);
        ASSERT_EQ(pixmap.size(), QSize(size, size));
        EXPECT_EQ(Pixels(pixmap), ScaledArgb(expected, size)) << size;
    }
    const QPixmap dense = icon.pixmap(QSize(16, 16), 2.0);
    ASSERT_EQ(dense.size(), QSize(32, 32));
    EXPECT_EQ(Pixels(dense), ScaledArgb(expected, 32)) << "16 at twice the density";
    const QPixmap dense24 = icon.pixmap(QSize(24, 24), 2.0);
    ASSERT_EQ(dense24.size(), QSize(48, 48));
    EXPECT_EQ(Pixels(dense24), ScaledArgb(expected, 48)) << "24 at twice the density";
    for (const int size : {20, 44, 46, 64}) { // sizes the icon does not name
        const QPixmap pixmap = icon.pixmap(size, size);
        ASSERT_EQ(pixmap.size(), QSize(size, size));
        EXPECT_EQ(Pixels(pixmap), ScaledArgb(expected, size)) << size;
    }
    QList<QSize> named;
    for (const int size : TrayIconSizes)
        named.append(QSize(size, size));
    EXPECT_EQ(icon.availableSizes(), named);

    // As the X tray paints it: into its slot, here 23 x 23 (46 pixels) at twice the density.
    QImage slot(46, 46, QImage::Format_ARGB32_Premultiplied);
    slot.setDevicePixelRatio(2);
    slot.fill(Qt::transparent);
    {
        QPainter painter(&slot);
        icon.paint(&painter, QRect(0, 0, 23, 23));
    }
    EXPECT_EQ(Pixels(slot), ScaledArgb(expected, 46)) << "a slot of 46 pixels";
}

// The mail icon's two pictures, drawn 16 x 16, come in the same sizes by the same rule.
TEST(CrispTrayIconTest, TheNamedPicturesAreEnlargedByWholePixelsToo) {
    for (const QString& file : {QStringLiteral(":/res/NO.ico"), QStringLiteral(":/res/MAIL.ico")}) {
        SCOPED_TRACE(file.toStdString());
        const QImage original = QImage(file).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(original.size(), QSize(16, 16));
        std::array<uint32_t, 256> pixels;
        std::set<uint32_t> colours;
        for (int i = 0; i < 256; ++i) {
            pixels[static_cast<size_t>(i)] = original.pixel(i % 16, i / 16);
            colours.insert(pixels[static_cast<size_t>(i)]);
        }
        EXPECT_GT(colours.size(), 2u) << "a picture, not a plain square";
        const QIcon icon = CrispTrayIcon(file);
        for (const int size : TrayIconSizes) {
            const QPixmap pixmap = icon.pixmap(size, size);
            ASSERT_EQ(pixmap.size(), QSize(size, size));
            EXPECT_EQ(Pixels(pixmap), Clear0(ScaledArgb(pixels, size))) << size;
        }
    }
}

// At twice the density the window shows each drawn pixel as a 2 x 2 block of exactly its
// colour: the window rendered as a screen of that density would show it, layer over controls.
TEST_F(TwinTest, AtTwiceTheDensityEachDrawnPixelIsATwoByTwoBlock) {
    Start("500,400,1,1,");
    for (const auto& [in, out] : {std::pair{60000u, 2000u},
                                  {250000u, 0u},
                                  {0u, 250000u},
                                  {90000u, 90000u},
                                  {125000u, 62500u}})
        Tick(in, out);
    QWidget* window = qt.Window();
    ASSERT_EQ(window->size(), QSize(100, 63));
    QImage doubled(window->size() * 2, QImage::Format_ARGB32_Premultiplied);
    doubled.setDevicePixelRatio(2);
    doubled.fill(Qt::transparent);
    window->render(&doubled);

    const QImage& drawn = qt.Drawn();
    int opaque = 0;
    std::set<QRgb> colours;
    for (int y = 0; y < window->height(); ++y) {
        for (int x = 0; x < window->width(); ++x) {
            const QRgb pixel = drawn.pixel(x, y);
            if (qAlpha(pixel) != 255)
                continue; // a control shows there, drawn by Qt at the density itself
            ++opaque;
            colours.insert(pixel);
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx)
                    ASSERT_EQ(doubled.pixel(2 * x + dx, 2 * y + dy), pixel)
                        << x << "," << y << " +" << dx << "," << dy;
        }
    }
    EXPECT_GT(opaque, 100 * 60) << "the strip and the graph";
    EXPECT_GT(colours.size(), 3u) << "black, the graph's lines and the texts";
}

// Drawn by TheTextIsTheSameAtTwiceTheDensity in a process of its own, at the density that
// process was started with: the strip with its texts, as a picture.
TEST_F(TwinTest, DrawsTheStripForTheDensityTest) {
    const QString out = qEnvironmentVariable("KESTREL_STRIP_OUT");
    if (out.isEmpty())
        GTEST_SKIP() << "a helper of TheTextIsTheSameAtTwiceTheDensity";
    Start("500,400,1,1,");
    Tick(60000, 2000);
    Tick(125000, 62500);
    ASSERT_TRUE(qt.Drawn().copy(0, 0, 100, 14).save(out, "PNG"));
}

// At twice the density Qt leaves fonts unhinted by default: the texts drawn into the layer, one
// pixel to a pixel, would then come out other and blurrier than at the usual density, before
// the layer is doubled at all.
TEST(DensityTest, TheTextIsTheSameAtTwiceTheDensity) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage strips[2];
    for (const int scale : {1, 2}) {
        const QString path = dir.filePath(QStringLiteral("strip%1.png").arg(scale));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
        environment.insert(QStringLiteral("KESTREL_STRIP_OUT"), path);
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=TwinTest.DrawsTheStripForTheDensityTest")});
        ASSERT_TRUE(child.waitForFinished(30000)) << scale;
        ASSERT_EQ(child.exitCode(), 0) << child.readAll().toStdString();
        strips[scale - 1] = QImage(path).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(strips[scale - 1].size(), QSize(100, 14)) << scale;
    }
    int lit = 0;
    for (int y = 0; y < 14; ++y) {
        for (int x = 0; x < 100; ++x) {
            lit += (strips[0].pixel(x, y) & 0xFFFFFF) != 0;
            EXPECT_EQ(strips[1].pixel(x, y), strips[0].pixel(x, y)) << x << "," << y;
        }
    }
    EXPECT_GT(lit, 40) << "the rates and the mark";
}

} // namespace
} // namespace kestrel::testing
