#include "qt/qt_sign_in_dialog.h"

#include "qt/qt_text.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace kestrel {

namespace {

struct Widgets {
    QComboBox* account;
    QComboBox* source;
    QComboBox* mechanism;
    QLineEdit *command, *clientId, *clientSecret, *authorizeUrl, *tokenUrl;
    QLabel* state;

    std::array<QLineEdit*, 5> Edits() const {
        return {command, clientId, clientSecret, authorizeUrl, tokenUrl};
    }
    static std::array<std::string*, 5> Texts(SignInForm::Fields& f) {
        return {&f.command, &f.clientId, &f.clientSecret, &f.authorizeUrl, &f.tokenUrl};
    }

    void Show(SignInForm::Fields& f) const {
        source->setCurrentIndex(f.source);
        mechanism->setCurrentIndex(f.mechanism);
        for (size_t i = 0; i < Edits().size(); ++i)
            Edits()[i]->setText(FromUtf8(*Texts(f)[i]));
        state->setText(FromUtf8(f.state));
        Enable();
    }
    void Keep(SignInForm::Fields& f) const {
        f.source = source->currentIndex();
        f.mechanism = mechanism->currentIndex();
        for (size_t i = 0; i < Edits().size(); ++i)
            *Texts(f)[i] = Edits()[i]->text().toStdString();
    }
    // Only the fields the chosen way of logging in reads can be edited.
    void Enable() const {
        const int chosen = source->currentIndex();
        mechanism->setEnabled(chosen > 0);
        command->setEnabled(chosen == 1);
        clientId->setEnabled(chosen >= 2);
        clientSecret->setEnabled(chosen >= 2);
        authorizeUrl->setEnabled(chosen == 4);
        tokenUrl->setEnabled(chosen == 4);
    }
};

QComboBox* Choices(const auto& texts) {
    auto* box = new QComboBox;
    for (const char* text : texts)
        box->addItem(QString::fromUtf8(text));
    return box;
}

} // namespace

std::optional<SignInChoice> RunQtSignInDialog(const SignInForm& form) {
    QDialog dialog;
    dialog.setWindowTitle(QString::fromUtf8(SignInForm::Caption));
    dialog.setMinimumWidth(440); // room for a client id or a URL
    auto* layout = new QFormLayout(&dialog);
    const Widgets w{Choices(std::array{"1", "2", "3"}), Choices(SignInForm::Sources),
                    Choices(SignInForm::Mechanisms), new QLineEdit, new QLineEdit, new QLineEdit,
                    new QLineEdit, new QLineEdit, new QLabel};
    w.clientSecret->setEchoMode(QLineEdit::Password);
    w.state->setWordWrap(true);
    const std::array<QWidget*, 8> fields = {w.account, w.source, w.mechanism, w.command,
                                            w.clientId, w.clientSecret, w.authorizeUrl, w.tokenUrl};
    for (size_t i = 0; i < fields.size(); ++i) {
        fields[i]->setObjectName(QString::fromUtf8(SignInForm::Labels[i]));
        layout->addRow(QString::fromUtf8(SignInForm::Labels[i]), fields[i]);
    }
    layout->addRow(w.state);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    std::array<SignInForm::Fields, 3> accounts = form.accounts;
    int shown = std::clamp(form.account, 1, 3) - 1;
    w.account->setCurrentIndex(shown);
    w.Show(accounts[static_cast<size_t>(shown)]);
    QObject::connect(w.source, &QComboBox::currentIndexChanged, [&w] { w.Enable(); });
    QObject::connect(w.account, &QComboBox::currentIndexChanged, [&](int index) {
        w.Keep(accounts[static_cast<size_t>(shown)]);
        shown = index;
        w.Show(accounts[static_cast<size_t>(shown)]);
    });
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    w.Keep(accounts[static_cast<size_t>(shown)]);
    return SignInChoice{shown + 1, accounts[static_cast<size_t>(shown)]};
}

} // namespace kestrel
