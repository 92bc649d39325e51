#include "app/dialogs/list_view_mode_watcher.h"

#include <QFileDialog>
#include <QListView>
#include <QTreeView>

#include "app/dialogs/preview_proxy_model.h"
#include "app/dialogs/tile_item_delegate.h"
#include "workflow/list_view_mode.h"

namespace {

// Icon grids: large icons keep the usual spacing; thumbnails need a wider
// one for their pictures, and that width is how a thumbnail layout is told
// from a large-icon layout when the views are read back.
constexpr int kLargeIconSide = 48;
constexpr int kLargeIconSpacing = 100;
constexpr int kThumbnailSide = 128;
constexpr int kThumbnailSpacing = 152;
constexpr int kTileIconSide = 64;
constexpr int kTileWidth = 280;
constexpr int kSmallIconSide = 16;

} // namespace

CListViewShellWnd::CListViewShellWnd(CPreviewProxyModel& previews, QObject* parent)
    : QObject(parent)
    , previews(previews)
{
}

bool CListViewShellWnd::Attach(QFileDialog& fileDialog)
{
    dialog = &fileDialog;
    listView = fileDialog.findChild<QListView*>(QStringLiteral("listView"));
    if (!listView || !fileDialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        listView = nullptr;
        return false;
    }
    tileDelegate = new CTileItemDelegate(listView);
    listView->setItemDelegate(tileDelegate);
    connect(&fileDialog, &QDialog::finished, this, &CListViewShellWnd::ReadBack);
    return true;
}

int CListViewShellWnd::ModeOf(FileViewLayout layout)
{
    switch (layout) {
    case FileViewLayout::LargeIcons:
        return ViewModeLargeIcons;
    case FileViewLayout::List:
        return ViewModeList;
    case FileViewLayout::Details:
        return ViewModeDetails;
    case FileViewLayout::Thumbnails:
        return ViewModeThumbnails;
    case FileViewLayout::Tiles:
        return ViewModeTiles;
    case FileViewLayout::SmallIcons:
        break;
    }
    return ViewModeNotRemembered;
}

bool CListViewShellWnd::ApplyMode(int mode)
{
    if (!Attached())
        return false;
    switch (mode) {
    case ViewModeLargeIcons:
        ApplyLayout(FileViewLayout::LargeIcons);
        return true;
    case ViewModeList:
        ApplyLayout(FileViewLayout::List);
        return true;
    case ViewModeDetails:
        ApplyLayout(FileViewLayout::Details);
        return true;
    case ViewModeThumbnails:
        ApplyLayout(FileViewLayout::Thumbnails);
        return true;
    case ViewModeTiles:
        ApplyLayout(FileViewLayout::Tiles);
        return true;
    default:
        return false;
    }
}

void CListViewShellWnd::ApplyLayout(FileViewLayout layout)
{
    if (!Attached() || !dialog)
        return;
    const bool previewsShown = layout == FileViewLayout::Thumbnails || layout == FileViewLayout::Tiles;
    tileDelegate->SetTiles(layout == FileViewLayout::Tiles);
    previews.SetPreviewsShown(previewsShown);

    if (layout == FileViewLayout::Details) {
        dialog->setViewMode(QFileDialog::Detail);
        emit LayoutApplied(layout);
        return;
    }
    dialog->setViewMode(QFileDialog::List);
    QListView& view = *listView;
    // Every property is set each time: a list view keeps per-mode defaults
    // only for what was never set explicitly.
    const bool icons = layout == FileViewLayout::LargeIcons || layout == FileViewLayout::Thumbnails;
    view.setViewMode(icons ? QListView::IconMode : QListView::ListMode);
    view.setMovement(QListView::Static);
    view.setResizeMode(QListView::Adjust);
    view.setWrapping(true);
    view.setWordWrap(icons);
    view.setFlow(layout == FileViewLayout::List ? QListView::TopToBottom : QListView::LeftToRight);
    // Same-sized items let the view lay out a folder of hundreds of files
    // without asking every file for its icon.
    view.setUniformItemSizes(layout != FileViewLayout::List && layout != FileViewLayout::SmallIcons);
    switch (layout) {
    case FileViewLayout::LargeIcons:
        view.setIconSize({ kLargeIconSide, kLargeIconSide });
        view.setGridSize({ kLargeIconSpacing, kLargeIconSide + 44 });
        break;
    case FileViewLayout::Thumbnails:
        view.setIconSize({ kThumbnailSide, kThumbnailSide });
        view.setGridSize({ kThumbnailSpacing, kThumbnailSide + 44 });
        break;
    case FileViewLayout::Tiles:
        view.setIconSize({ kTileIconSide, kTileIconSide });
        view.setGridSize({ kTileWidth, kTileIconSide + 12 });
        break;
    default:
        view.setIconSize({ kSmallIconSide, kSmallIconSide });
        view.setGridSize({});
        break;
    }
    view.doItemsLayout();
    emit LayoutApplied(layout);
}

FileViewLayout CListViewShellWnd::CurrentLayout() const
{
    if (!Attached() || !dialog || dialog->viewMode() == QFileDialog::Detail)
        return FileViewLayout::Details;
    const QListView& view = *listView;
    if (view.viewMode() == QListView::IconMode)
        return view.gridSize().width() > kLargeIconSpacing ? FileViewLayout::Thumbnails : FileViewLayout::LargeIcons;
    if (view.flow() == QListView::TopToBottom)
        return FileViewLayout::List;
    return view.iconSize().height() > kSmallIconSide ? FileViewLayout::Tiles : FileViewLayout::SmallIcons;
}

void CListViewShellWnd::ReadBack()
{
    // A dialog whose views were never found keeps 0, like any view we cannot name.
    lastViewMode = Attached() ? ModeOf(CurrentLayout()) : ViewModeNotRemembered;
}
