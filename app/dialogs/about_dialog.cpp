#include "app/dialogs/about_dialog.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include "view/ui_resources.h"
#include "workflow/version_info.h"

namespace {

constexpr int kDialogWidth = 235; // dialog units
constexpr int kDialogHeight = 55;
constexpr DialogBox kIconBox { 11, 17, 21, 20 };
constexpr DialogBox kNameBox { 40, 10, 119, 8 };
constexpr DialogBox kVersionBox { 40, 25, 180, 18 };
constexpr DialogBox kOkBox { 178, 7, 50, 14 };

DialogBaseUnits BaseUnitsFor(const QFont& font)
{
    QFontMetrics metrics(font);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return { AverageCharWidth(metrics.horizontalAdvance(alphabet)), metrics.height() };
}

} // namespace

QString AboutVersionLine(const FileVersionInfo& version)
{
    QString line = QStringLiteral("Version %1.%2.%3.%4")
                       .arg(version.Part(3))
                       .arg(version.Part(2))
                       .arg(version.Part(1))
                       .arg(version.Part(0));
    const std::string& copyright = version.String(VersionLegalCopyright);
    if (!copyright.empty())
        line += QStringLiteral("\n") + QString::fromStdString(copyright);
    return line;
}

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Speckwash"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    base_ = BaseUnitsFor(font());

    icon_ = new QLabel(this);
    name_ = new QLabel(QStringLiteral("Speckwash Version 1.0"), this);
    FileVersionInfo info;
    info.LoadFromModule(); // without a version resource every part reads 0
    version_ = new QLabel(AboutVersionLine(info), this);
    version_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    Place(icon_, kIconBox);
    Place(name_, kNameBox);
    Place(version_, kVersionBox);
    Place(ok_, kOkBox);
    const Rect iconRect = DialogBoxToPixels(kIconBox, base_);
    icon_->setPixmap(ProgramIcon().pixmap(iconRect.right - iconRect.left, iconRect.bottom - iconRect.top));

    const Rect size = DialogBoxToPixels({ 0, 0, kDialogWidth, kDialogHeight }, base_);
    setFixedSize(size.right, size.bottom);
}

void CAboutDialog::Place(QWidget* w, const DialogBox& box)
{
    const Rect r = DialogBoxToPixels(box, base_);
    w->setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void ShowAboutBox(QWidget* parent)
{
    CAboutDialog box(parent);
    box.exec();
}
