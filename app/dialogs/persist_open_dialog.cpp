#include "app/dialogs/persist_open_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRegularExpression>
#include <QTimer>
#include <QToolButton>

#include "app/dialogs/preview_proxy_model.h"
#include "view/thumbnail_provider.h"
#include "workflow/app_profile.h"
#include "workflow/list_view_mode.h"

namespace {

struct SwitcherEntry {
    const char* label;
    FileViewLayout layout;
};

constexpr SwitcherEntry kSwitcherEntries[] = {
    { "Thumbnails", FileViewLayout::Thumbnails },
    { "Tiles", FileViewLayout::Tiles },
    { "Large icons", FileViewLayout::LargeIcons },
    { "Small icons", FileViewLayout::SmallIcons },
    { "List", FileViewLayout::List },
    { "Details", FileViewLayout::Details },
};

} // namespace

QStringList FilterExtensions(const QString& filter)
{
    QStringList extensions;
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    for (auto match = pattern.globalMatch(filter); match.hasNext();) {
        const QString extension = match.next().captured(1).toLower();
        if (!extensions.contains(extension))
            extensions.append(extension);
    }
    return extensions;
}

CPersistOpenDlg::CPersistOpenDlg(QWidget* parent, const QString& caption, const QString& directory,
    const QString& filter)
    : QFileDialog(parent, caption, directory, filter)
    , provider(new CThumbnailProvider(kPreviewSide, this))
    , previews(new CPreviewProxyModel(*provider, this))
    , watcher(*previews)
{
    setOption(QFileDialog::DontUseNativeDialog, true);
    setOption(QFileDialog::ReadOnly, true);
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);
    setSizeGripEnabled(true);
    provider->SetExtensions(FilterExtensions(filter));
    setProxyModel(previews);
    if (watcher.Attach(*this))
        AddSwitcher();
    connect(&watcher, &CListViewShellWnd::LayoutApplied, this, &CPersistOpenDlg::SyncSwitcher);
}

CPersistOpenDlg::~CPersistOpenDlg()
{
    // The views go on painting until the dialog's widgets are gone; give them
    // back the plain model before the previews and their provider go.
    setProxyModel(nullptr);
    // Destroyed while still open (its owner went first): the views go now,
    // which is as much a close as OK or cancel.
    if (isVisible())
        watcher.ReadBack();
    WriteProfileInt(AppProfilePath(), kViewModeSection, kViewModeKey, watcher.LastViewMode());
}

QString CPersistOpenDlg::ChosenPath() const
{
    if (result() != QDialog::Accepted || selectedFiles().isEmpty())
        return {};
    return selectedFiles().first();
}

void CPersistOpenDlg::showEvent(QShowEvent* event)
{
    QFileDialog::showEvent(event);
    if (modeApplied)
        return;
    modeApplied = true;
    // Once the dialog has finished showing and laid out its views.
    QTimer::singleShot(0, this, &CPersistOpenDlg::ApplyRememberedMode);
}

void CPersistOpenDlg::ApplyRememberedMode()
{
    const int mode = ReadProfileInt(AppProfilePath(), kViewModeSection, kViewModeKey, kDefaultViewMode);
    watcher.ApplyMode(mode);
    SyncSwitcher(watcher.CurrentLayout());
    rememberedModeApplied = true;
}

void CPersistOpenDlg::AddSwitcher()
{
    // Our switcher offers every layout, so the dialog's own two buttons for
    // list and details would only duplicate two of them.
    QToolButton* listButton = findChild<QToolButton*>(QStringLiteral("listModeButton"));
    QToolButton* detailButton = findChild<QToolButton*>(QStringLiteral("detailModeButton"));
    switcher = new QComboBox(this);
    switcher->setObjectName(QStringLiteral("viewModeSwitcher"));
    switcher->setToolTip(tr("How the folder is listed"));
    for (const SwitcherEntry& entry : kSwitcherEntries)
        switcher->addItem(tr(entry.label), static_cast<int>(entry.layout));
    connect(switcher, &QComboBox::activated, this, [this](int row) {
        watcher.ApplyLayout(static_cast<FileViewLayout>(switcher->itemData(row).toInt()));
    });

    QHBoxLayout* row = nullptr;
    if (listButton && listButton->parentWidget())
        row = listButton->parentWidget()->findChild<QHBoxLayout*>(QStringLiteral("hboxLayout"));
    if (row) {
        row->addWidget(switcher);
    } else if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        grid->addWidget(switcher, grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (listButton)
        listButton->hide();
    if (detailButton)
        detailButton->hide();
}

void CPersistOpenDlg::SyncSwitcher(FileViewLayout layout)
{
    if (!switcher)
        return;
    const int row = switcher->findData(static_cast<int>(layout));
    if (row >= 0)
        switcher->setCurrentIndex(row);
}
