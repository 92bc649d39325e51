#pragma once
#include <QFileDialog>
#include <functional>

#include "app/dialogs/prompts.h"

class QGroupBox;
class QRadioButton;

// The save dialog: the toolkit's own file dialog (so that it can be extended)
// with the JPEG quality panel below its controls.
class CSaveOpt : public QFileDialog {
    Q_OBJECT
public:
    CSaveOpt(QWidget* parent, const SaveChoice& choice);

    // Chosen path, type, quality and subsampling choice.
    void Results(SaveChoice& choice) const;

    int SelectedType() const; // 1..5
    int Quality() const { return quality; }
    int SubsamplingChoice() const { return subsamplingChoice; }
    bool QualityPanelEnabled() const;
    QRadioButton* QualityButton(int index) const { return buttons[index]; }
    // The file the save will write: the chosen name with the type's extension.
    QString TargetPath() const;

    // Asks whether an existing file may be replaced; a message box unless a
    // test answers instead.
    std::function<bool(QWidget* owner, const QString& path)> confirmReplace;

public slots:
    // The replace question is about the file that will be written, which the
    // chosen type may name differently from what was typed.
    void accept() override;

private:
    void TypeChanged(const QString& filter);
    void QualityClicked(int index);

    QGroupBox* panel = nullptr;
    QRadioButton* buttons[4] = {};
    int quality = 200;
    int subsamplingChoice = 0;
};

// The save dialog's filter, in the file dialog's own syntax, in type order 1..5.
QStringList SaveDialogFilters();
