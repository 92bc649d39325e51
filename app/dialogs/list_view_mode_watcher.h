#pragma once
#include <QObject>
#include <QPointer>

class QFileDialog;
class QListView;
class CPreviewProxyModel;
class CTileItemDelegate;

// The ways the open dialog can list a folder. All but small icons have a
// number that is remembered (see workflow/list_view_mode.h).
enum class FileViewLayout { SmallIcons, LargeIcons, List, Details, Thumbnails, Tiles };

// Watches the open dialog's file views: puts them into a layout (the
// remembered one once the dialog has built them, or the one the user picks),
// and reads back, from the views' own state, which layout they are in when
// the dialog closes. That reading is the last view mode, 0 until then.
class CListViewShellWnd : public QObject {
    Q_OBJECT
public:
    CListViewShellWnd(CPreviewProxyModel& previews, QObject* parent = nullptr);

    // Finds the dialog's list and detail views; false when they are missing
    // (the dialog then keeps the view it chose itself). Reads the mode back
    // whenever the dialog finishes, by OK or cancel.
    bool Attach(QFileDialog& dialog);
    bool Attached() const { return !listView.isNull(); }

    // Switches the views to a remembered mode; 0 and unknown numbers leave
    // the dialog's own view. False when nothing was changed.
    bool ApplyMode(int mode);
    void ApplyLayout(FileViewLayout layout);

    // The layout the views are in now, judged from their state.
    FileViewLayout CurrentLayout() const;
    // Reads the current layout into the last view mode.
    void ReadBack();
    int LastViewMode() const { return lastViewMode; }

    static int ModeOf(FileViewLayout layout);

signals:
    void LayoutApplied(FileViewLayout layout);

private:
    CPreviewProxyModel& previews;
    QPointer<QFileDialog> dialog;
    QPointer<QListView> listView;
    CTileItemDelegate* tileDelegate = nullptr;
    int lastViewMode = 0;
};
