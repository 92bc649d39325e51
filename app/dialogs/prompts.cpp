#include "app/dialogs/prompts.h"

#include <QMessageBox>

#include "app/dialogs/persist_open_dialog.h"
#include "app/dialogs/save_options_dialog.h"

PromptAnswer DialogPrompter::Ask(QWidget* owner, const QString& text, bool withCancel)
{
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Speckwash"), text, buttons, owner);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return PromptYes;
    case QMessageBox::No:
        return PromptNo;
    default:
        return withCancel ? PromptCancel : PromptNo;
    }
}

void DialogPrompter::Inform(QWidget* owner, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Speckwash"), text, QMessageBox::Ok, owner);
    box.exec();
}

QString OpenDialogFilter()
{
    return QStringLiteral("All Image Files (*.jpg *.tif *.jpeg *.tiff *.bmp *.png *.gif *.psd);;"
                          "All Files (*)");
}

QString DialogPrompter::ChooseOpenPath(QWidget* owner)
{
    CPersistOpenDlg dialog(owner, QStringLiteral("Select an Image file"), QString(), OpenDialogFilter());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.ChosenPath();
}

bool DialogPrompter::ChooseSavePath(QWidget* owner, SaveChoice& choice)
{
    CSaveOpt dialog(owner, choice);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.Results(choice);
    return !choice.path.isEmpty();
}
