#include "app/dialogs/preview_proxy_model.h"

#include <QApplication>
#include <QFileSystemModel>
#include <QIcon>
#include <QLocale>
#include <QStyle>

#include "view/thumbnail_provider.h"

CPreviewProxyModel::CPreviewProxyModel(CThumbnailProvider& provider, QObject* parent)
    : QIdentityProxyModel(parent)
    , provider(provider)
{
    connect(&provider, &CThumbnailProvider::ThumbnailReady, this, &CPreviewProxyModel::PreviewArrived);
}

void CPreviewProxyModel::setSourceModel(QAbstractItemModel* model)
{
    if (QFileSystemModel* old = FileModel())
        disconnect(old, &QFileSystemModel::directoryLoaded, this, nullptr);
    QIdentityProxyModel::setSourceModel(model);
    if (QFileSystemModel* files = FileModel())
        connect(files, &QFileSystemModel::directoryLoaded, this, &CPreviewProxyModel::PrefetchFolder);
}

QFileSystemModel* CPreviewProxyModel::FileModel() const
{
    return qobject_cast<QFileSystemModel*>(sourceModel());
}

void CPreviewProxyModel::SetPreviewsShown(bool shown)
{
    if (shown == previewsShown)
        return;
    previewsShown = shown;
    QFileSystemModel* files = FileModel();
    if (!files)
        return;
    if (shown)
        PrefetchFolder(files->rootPath());
    // Every icon of the folder shown changes between generic and preview.
    const QModelIndex folder = mapFromSource(files->index(files->rootPath()));
    const int rows = rowCount(folder);
    if (rows > 0)
        emit dataChanged(index(0, 0, folder), index(rows - 1, 0, folder), { Qt::DecorationRole, DimensionsTextRole });
}

void CPreviewProxyModel::PrefetchFolder(const QString& folder)
{
    QFileSystemModel* files = FileModel();
    if (!previewsShown || !files || folder.isEmpty())
        return;
    provider.SetFolder(files->rootPath());
    if (folder != files->rootPath())
        return;
    const QModelIndex parent = files->index(folder);
    const int rows = files->rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex child = files->index(row, 0, parent);
        if (!files->isDir(child))
            provider.Request(files->filePath(child), false);
    }
}

QVariant CPreviewProxyModel::data(const QModelIndex& index, int role) const
{
    const bool wanted = role == Qt::DecorationRole || role == DimensionsTextRole || role == SizeTextRole;
    QFileSystemModel* files = FileModel();
    if (!wanted || !files || !index.isValid() || index.column() != 0)
        return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    if (role == SizeTextRole) {
        if (files->isDir(source))
            return QString();
        return QLocale().formattedDataSize(files->size(source));
    }
    if (!previewsShown || files->isDir(source)) {
        if (role == DimensionsTextRole)
            return QString();
        return QIdentityProxyModel::data(index, role);
    }

    const QString path = files->filePath(source);
    // Folder changes reach the provider here too, so that a folder typed
    // into the dialog drops the previous folder's previews.
    const_cast<CThumbnailProvider&>(provider).SetFolder(files->rootPath());
    const CThumbnailProvider::Entry* entry = provider.Find(path);
    if (!entry || (entry->state == CThumbnailProvider::State::Queued && !entry->urgent)) {
        const_cast<CThumbnailProvider&>(provider).Request(path, true);
        entry = provider.Find(path);
    }
    if (role == DimensionsTextRole) {
        if (!entry || entry->state != CThumbnailProvider::State::Ready)
            return QString();
        return QStringLiteral("%1 \u00d7 %2").arg(entry->sourceSize.width()).arg(entry->sourceSize.height());
    }
    if (entry && entry->state == CThumbnailProvider::State::Ready)
        return QIcon(entry->preview);
    QVariant generic = QIdentityProxyModel::data(index, role);
    if (generic.isNull() || generic.value<QIcon>().isNull())
        return QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    return generic;
}

void CPreviewProxyModel::PreviewArrived(const QString& path)
{
    QFileSystemModel* files = FileModel();
    if (!files)
        return;
    const QModelIndex source = files->index(path);
    if (!source.isValid())
        return;
    const QModelIndex proxy = mapFromSource(source);
    emit dataChanged(proxy, proxy, { Qt::DecorationRole, DimensionsTextRole });
}
