#include "app/dialogs/tile_item_delegate.h"

#include <QApplication>
#include <QPainter>

#include "app/dialogs/preview_proxy_model.h"

namespace {
constexpr int kMargin = 4;
constexpr int kTextWidth = 180;
}

QSize CTileItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!tiles)
        return QStyledItemDelegate::sizeHint(option, index);
    const int lines = option.fontMetrics.lineSpacing() * 3;
    const int side = std::max(option.decorationSize.height(), lines);
    return { option.decorationSize.width() + kTextWidth + 3 * kMargin, side + 2 * kMargin };
}

void CTileItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!tiles) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    // Background and selection as the style draws them for any item.
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, painter, widget);

    const QRect box = option.rect.adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const QSize iconSize = option.decorationSize;
    const QRect iconRect(box.left(), box.top() + (box.height() - iconSize.height()) / 2, iconSize.width(),
        iconSize.height());
    const QIcon::Mode mode = (option.state & QStyle::State_Selected) ? QIcon::Selected : QIcon::Normal;
    item.icon.paint(painter, iconRect, Qt::AlignCenter, mode);

    const QRect textRect(iconRect.right() + 1 + kMargin, box.top(), box.right() - iconRect.right() - kMargin,
        box.height());
    const QStringList lines {
        index.data(Qt::DisplayRole).toString(),
        index.data(CPreviewProxyModel::SizeTextRole).toString(),
        index.data(CPreviewProxyModel::DimensionsTextRole).toString(),
    };
    const int lineHeight = option.fontMetrics.lineSpacing();
    int top = textRect.top() + std::max(0, (textRect.height() - lineHeight * 3) / 2);
    painter->save();
    const QPalette::ColorRole ink = (option.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text;
    for (int i = 0; i < lines.size(); ++i) {
        // The name in the text colour, the details dimmer beneath it.
        QColor colour = option.palette.color(ink);
        if (i > 0 && !(option.state & QStyle::State_Selected))
            colour = option.palette.color(QPalette::PlaceholderText);
        painter->setPen(colour);
        const QString shown = option.fontMetrics.elidedText(lines[i], Qt::ElideMiddle, textRect.width());
        painter->drawText(QRect(textRect.left(), top, textRect.width(), lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
            shown);
        top += lineHeight;
    }
    painter->restore();
}
