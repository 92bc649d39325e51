#pragma once
#include <QIdentityProxyModel>

class CThumbnailProvider;
class QFileSystemModel;

// Sits between the open dialog's file system model and its views. While the
// views show previews, a file's icon is its preview once the worker pool has
// made it, and the file's generic icon until then or when it cannot be read.
// It also answers the extra lines of the tile view: size and dimensions.
class CPreviewProxyModel : public QIdentityProxyModel {
    Q_OBJECT
public:
    enum Role {
        SizeTextRole = Qt::UserRole + 0x5170, // "2.4 MB"; empty for folders
        DimensionsTextRole, // "4000 × 3000" once known, else empty
    };

    CPreviewProxyModel(CThumbnailProvider& provider, QObject* parent = nullptr);

    // Previews on (thumbnails and tiles) or off (every other view).
    void SetPreviewsShown(bool shown);
    bool PreviewsShown() const { return previewsShown; }

    QVariant data(const QModelIndex& index, int role) const override;
    void setSourceModel(QAbstractItemModel* model) override;

    // Queues every offered file of a folder the source model has listed,
    // behind the files the view asks for itself.
    void PrefetchFolder(const QString& folder);

private:
    void PreviewArrived(const QString& path);
    QFileSystemModel* FileModel() const;

    CThumbnailProvider& provider;
    bool previewsShown = false;
};
