#pragma once
#include <QFileDialog>

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
