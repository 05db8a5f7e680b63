#include "qt/qt_menus.h"

#include "qt/qt_sign_in_dialog.h"
#include "qt/qt_text.h"

#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QWidgetAction>

namespace kestrel {

void QtMenus::ShowPopupMenu(const std::vector<MenuItem>& items, Point topLeft) {
    QMenu menu; // in the desktop's menu font, as on Windows
    for (const MenuItem& item : items) {
        QAction* action = nullptr;
        switch (item.kind) {
        case MenuItemKind::Text:
            action = menu.addAction(FromUtf8(item.text));
            break;
        case MenuItemKind::Separator:
            menu.addSeparator();
            break;
        case MenuItemKind::AboutPicture: {
            auto* picture = new QWidgetAction(&menu);
            auto* label = new QLabel;
            label->setPixmap(shell_.pictures.about);
            label->setAttribute(Qt::WA_TransparentForMouseEvents); // the menu takes the click
            picture->setDefaultWidget(label);
            menu.addAction(picture);
            action = picture;
            break;
        }
        }
        if (action)
            action->setData(item.id);
    }
    // The choice arrives once the menu has closed, as a posted command.
    const QAction* chosen = menu.exec(QPoint(topLeft.x, topLeft.y));
    if (chosen) {
        const int id = chosen->data().toInt();
        shell_.Post([id](WindowEvents& events) { events.OnCommand(id, 0, false); });
    }
}

std::optional<SignInChoice> QtMenus::AskSignIn(const SignInForm& form) {
    return RunQtSignInDialog(form);
}

void QtMenus::ShowMessage(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::NoIcon, FromUtf8(caption), FromUtf8(text), QMessageBox::Ok);
    box.exec();
}

} // namespace kestrel
