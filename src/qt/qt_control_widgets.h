#pragma once

#include "ports/controls.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include <functional>
#include <string>
#include <vector>

namespace kestrel {

// The notification codes a control reports, as the core numbers them.
inline constexpr int ClickedCode = 0;
inline constexpr int SelectionChangedCode = 1;
using ControlNotify = std::function<void(int code)>;

// A static text. One that notifies reports a press of the left button; one that does not lets
// the mouse through, so that the window beneath drags.
class StaticText : public QLabel {
  public:
    StaticText(const ControlSpec& control, QWidget* parent, ControlNotify notify);

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    ControlNotify notify_;
};

// A check box that the user's click does not tick: the application decides.
class ManualCheckBox : public QCheckBox {
  public:
    using QCheckBox::QCheckBox;

  protected:
    void nextCheckState() override {}
};

// A one-line field, masked for a password.
class EditField : public QLineEdit {
  public:
    EditField(const ControlSpec& control, QWidget* parent);
};

// A list box with its lines kept as the core's bytes too, for the sorted insert. It reports a
// selection on every click on a line and on every key that moves the selection, never when the
// application selects.
class ListBox : public QListWidget {
  public:
    ListBox(const ControlSpec& control, QWidget* parent, ControlNotify notify);

    void Add(const std::string& text);
    void Insert(int index, const std::string& text);
    void Delete(int index);
    void Reset();
    void Select(int index);
    int Selection() const { return currentRow(); }
    const std::vector<std::string>& Lines() const { return lines_; }

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool sorted_;
    ControlNotify notify_;
    std::vector<std::string> lines_;
};

// The widget of one control, with the look its traits ask for.
QWidget* MakeControl(const ControlSpec& control, QWidget* parent, ControlNotify notify);

} // namespace kestrel
