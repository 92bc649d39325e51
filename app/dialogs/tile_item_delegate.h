#pragma once
#include <QStyledItemDelegate>

// Paints the open dialog's file list as tiles when asked to: the icon on the
// left, and beside it the file's name, its size and its dimensions in
// pixels, one per line. Otherwise it paints like the standard delegate.
class CTileItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void SetTiles(bool on) { tiles = on; }
    bool Tiles() const { return tiles; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    bool tiles = false;
};
