#pragma once

// A monitor ticking on any front end with the same growing counters, for the tick benchmarks.
#include "app/application.h"
#include "fake/fake_desktop.h"
#include "fake/fake_interface_table.h"
#include "fake/fake_settings_file.h"

#include <memory>

namespace kestrel {

// The fake's log and text records would grow without bound over millions of ticks.
class QuietDesktop : public FakeDesktop {
  public:
    Desktop Ports() {
        const Desktop ports = FakeDesktop::Ports();
        return {ports.window, ports.controls, ports.lists, ports.drawing,
                ports.menus,  ports.services, quietTray_};
    }

  private:
    // Icons come and go as on the fake; the picture of every tick is not kept.
    struct QuietTray : Tray {
        Tray& kept;
        explicit QuietTray(Tray& tray) : kept(tray) {}
        void Add(const TrayIconRecord& record) override { kept.Add(record); }
        void Modify(const TrayIconRecord&) override {}
        void Delete(const TrayIconRecord& record) override { kept.Delete(record); }
        void Notify(const TrayIconRecord& record, const std::string& title,
                    const std::string& text) override {
            kept.Notify(record, title, text);
        }
    } quietTray_{FakeDesktop::Ports().tray};
};

template <class Desk> class TickRig {
  public:
    Desk desk;
    FakeInterfaceTable interfaces;
    FakeSettingsFile settings, totals, announced;
    std::unique_ptr<Application> app;

    TickRig() {
        interfaces.rows = {{"lo", 0, 0}, {"eth0", 0, 0}};
        settings.content = "100,100,2,3,";
        const Desktop ports = desk.Ports();
        app = std::make_unique<Application>(Platform{ports, interfaces, settings, totals, announced}, "");
        ports.services.LoadResources();
        ports.window.CreateMainWindow(*app);
    }
    // What a tick asks of the front end: the strip, the graph, the tray picture.
    void Draw() {
        Monitor& monitor = app->Throughput();
        monitor.DrawTextStrip(false);
        monitor.DrawGraph();
        monitor.BuildTrayIcon();
    }
    void Tick() {
        interfaces.rows[1].inOctets += (step_ * 7919) % 400000;
        interfaces.rows[1].outOctets += (step_ * 104729) % 40000;
        ++step_;
        app->Throughput().ThroughputTick(false);
    }

  private:
    uint32_t step_ = 0;
};

// Keeps the fake's records from growing without bound; nothing to do elsewhere.
inline void Trim(TickRig<QuietDesktop>& rig) {
    if (rig.desk.log.size() > 4096) {
        rig.desk.log.clear();
        rig.desk.texts.clear();
    }
}

} // namespace kestrel
