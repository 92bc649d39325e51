#include "app/dialogs/save_options_dialog.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "view/rules/save_rules.h"
#include "workflow/image_to_save.h"

QStringList SaveDialogFilters()
{
    return { QStringLiteral("BMP Image Files (*.bmp)"), QStringLiteral("JPEG Image Files (*.jpg)"),
        QStringLiteral("PNG Files (*.png)"), QStringLiteral("TIFF Image Files (*.tif *.tiff)"),
        QStringLiteral("All Files (*)") };
}

CSaveOpt::CSaveOpt(QWidget* parent, const SaveChoice& choice)
    : QFileDialog(parent, QStringLiteral("Save the cleaned image"))
    , subsamplingChoice(choice.subsamplingChoice)
{
    setOption(QFileDialog::DontUseNativeDialog, true);
    // The dialog's own question would name the typed file, not the one written.
    setOption(QFileDialog::DontConfirmOverwrite, true);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilters(SaveDialogFilters());
    if (!choice.folder.isEmpty())
        setDirectory(choice.folder);
    int type = choice.type >= SaveTypeBmp && choice.type <= SaveTypeAll ? choice.type : SaveTypeBmp;
    selectNameFilter(SaveDialogFilters()[type - 1]);
    if (!choice.defaultName.isEmpty()) {
        QFileInfo info(choice.defaultName);
        if (choice.folder.isEmpty())
            setDirectory(info.absolutePath());
        selectFile(info.fileName());
    }

    panel = new QGroupBox(QStringLiteral("JPEG Quality"), this);
    auto* column = new QVBoxLayout(panel);
    const char* captions[4] = { "Low (E-mail)", "Medium (Display)", "High (Printing)", "Same as Input" };
    for (int i = 0; i < 4; ++i) {
        buttons[i] = new QRadioButton(QString::fromLatin1(captions[i]), panel);
        column->addWidget(buttons[i]);
        connect(buttons[i], &QRadioButton::clicked, this, [this, i] { QualityClicked(i); });
    }
    buttons[3]->setChecked(true);
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(panel, grid->rowCount(), 0, 1, grid->columnCount());
    panel->setEnabled(type == SaveTypeJpeg);
    connect(this, &QFileDialog::filterSelected, this, &CSaveOpt::TypeChanged);
}

int CSaveOpt::SelectedType() const
{
    int index = static_cast<int>(SaveDialogFilters().indexOf(selectedNameFilter()));
    return index < 0 ? SaveTypeAll : index + 1;
}

bool CSaveOpt::QualityPanelEnabled() const
{
    return panel->isEnabled();
}

void CSaveOpt::TypeChanged(const QString&)
{
    int type = SelectedType();
    panel->setEnabled(type == SaveTypeJpeg);
    if (auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        std::string name = NameForSaveType(edit->text().toStdString(), type);
        edit->setText(QString::fromStdString(name));
    }
}

QString CSaveOpt::TargetPath() const
{
    const QStringList files = selectedFiles();
    if (files.isEmpty())
        return {};
    return QString::fromStdString(PathForSaveType(files.first().toStdString(), SelectedType()));
}

void CSaveOpt::accept()
{
    const QString target = TargetPath();
    const QFileInfo info(target);
    if (!target.isEmpty() && info.exists() && !info.isDir()) {
        const bool replace = confirmReplace ? confirmReplace(this, target)
                                            : QMessageBox::warning(this, windowTitle(),
                                                  QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                                      .arg(info.fileName()),
                                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                == QMessageBox::Yes;
        if (!replace)
            return;
    }
    QFileDialog::accept();
}

void CSaveOpt::QualityClicked(int index)
{
    quality = kJpegQualities[index];
    subsamplingChoice = 0;
}

void CSaveOpt::Results(SaveChoice& choice) const
{
    QStringList files = selectedFiles();
    choice.path = files.isEmpty() ? QString() : files.first();
    choice.type = SelectedType();
    choice.quality = quality;
    choice.subsamplingChoice = subsamplingChoice;
}
