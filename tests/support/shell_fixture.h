#pragma once

#include "app/application.h"
#include "app/identifiers.h"
#include "fake/fake_desktop.h"
#include "fake/fake_interface_table.h"
#include "fake/fake_settings_file.h"
#include "mail/announced_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

namespace kestrel::testing {

// A fresh application on a fresh fake desktop for every test.
class ShellTest : public ::testing::Test {
  protected:
    FakeDesktop desk;
    FakeInterfaceTable interfaces;
    FakeSettingsFile settings;
    FakeSettingsFile totals;
    // Kept from one start to the next, as the file would be; as after an earlier run, empty.
    FakeSettingsFile announced = [] {
        FakeSettingsFile file;
        file.content = EncodeAnnounced({});
        return file;
    }();
    std::unique_ptr<Application> app;

    int Start(const std::string& commandLine = "C:\\kestrel\\kestrel.exe") {
        app = std::make_unique<Application>(Platform{desk.Ports(), interfaces, settings, totals, announced},
                                            commandLine);
        const int result = app->Run();
        Settle();
        return result;
    }

    // Plays the GUI thread until the mail thread has nothing left to do: runs what it posted,
    // as the message loop would.
    void Settle() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (app && !app->Mail().NoJobs() && std::chrono::steady_clock::now() < end) {
            desk.posted.WaitForAny(std::chrono::milliseconds(20));
            desk.posted.RunAll();
        }
        desk.posted.RunAll();
        ASSERT_TRUE(!app || app->Mail().NoJobs()) << "the mail thread did not finish";
    }

    // A first start, then the throughput panel confirmed: the compact window at the right edge.
    void StartCompact() {
        Start();
        Click(OkButtonId);
    }

    // The user's actions, each followed by the mail work it asked for.
    void Click(int controlId) {
        app->OnCommand(controlId, Clicked, true);
        Settle();
    }
    void Select(int controlId) {
        app->OnCommand(controlId, SelectionChanged, true);
        Settle();
    }
    void Menu(int commandId) {
        app->OnCommand(commandId, 0, false);
        Settle();
    }
    void Tray(int callback, TrayMouse mouse) {
        app->OnTrayCallback(callback, mouse);
        Settle();
    }
    void Check() {
        app->Mail().CheckMail(false);
        Settle();
    }
    void Tick() {
        app->OnTimer();
        Settle();
    }

    void Type(ControlName field, const std::string& text) { desk.control(field).text = text; }
    // The platform checks an automatic radio button itself before it reports the click.
    void ClickRadio(int id) {
        const ControlName radios[] = {ControlName::AccountRadio1, ControlName::AccountRadio2,
                                      ControlName::AccountRadio3};
        for (int i = 0; i < 3; ++i)
            desk.control(radios[i]).checked = (AccountRadio1Id + i == id);
        Click(id);
    }

    Size Screen() const { return desk.screen; }

    // Position of the first log entry equal to text, or -1.
    int LogIndex(const std::string& text) const {
        auto it = std::find(desk.log.begin(), desk.log.end(), text);
        return it == desk.log.end() ? -1 : static_cast<int>(it - desk.log.begin());
    }
};

} // namespace kestrel::testing
