#pragma once
#include <QDialog>
#include <QString>

#include "view/rules/dialog_units.h"

class FileVersionInfo;
class QLabel;
class QPushButton;

// The second line of the about box: the fixed file version and the
// copyright, as the program's version information gives them.
QString AboutVersionLine(const FileVersionInfo& version);

// The about box (dialog 100): the program's icon, its name and version, the
// version line and an OK button, laid out in dialog units.
class CAboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDialog(QWidget* parent = nullptr);

    QLabel* Icon() const { return icon_; }
    QLabel* NameLine() const { return name_; }
    QLabel* VersionLine() const { return version_; }
    QPushButton* OkButton() const { return ok_; }
    const DialogBaseUnits& BaseUnits() const { return base_; }

private:
    void Place(QWidget* w, const DialogBox& box);

    DialogBaseUnits base_;
    QLabel* icon_ = nullptr;
    QLabel* name_ = nullptr;
    QLabel* version_ = nullptr;
    QPushButton* ok_ = nullptr;
};

// Runs the about box modally over `parent`.
void ShowAboutBox(QWidget* parent);
