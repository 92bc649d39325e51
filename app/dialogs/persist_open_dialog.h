#pragma once
#include <QFileDialog>

#include "app/dialogs/list_view_mode_watcher.h"

class CPreviewProxyModel;
class CThumbnailProvider;
class QComboBox;

// The open dialog: the toolkit's own file dialog (not the desktop's, which
// cannot be extended the same way everywhere) that remembers, from one use
// to the next and across runs, how the user likes a folder listed, and that
// shows real previews of the pictures in the thumbnail and tile views.
//
// The remembered mode is read from the application's profile when the dialog
// has built its views, and written back when the dialog is destroyed,
// whatever it is: a view we cannot name (small icons) is written as 0, which
// lets the next dialog open in its default view.
class CPersistOpenDlg : public QFileDialog {
    Q_OBJECT
public:
    CPersistOpenDlg(QWidget* parent, const QString& caption, const QString& directory, const QString& filter);
    ~CPersistOpenDlg() override;

    // The chosen file after an accepted run; empty otherwise.
    QString ChosenPath() const;

    // For tests and the view switcher.
    CListViewShellWnd& Watcher() { return watcher; }
    CThumbnailProvider& Provider() { return *provider; }
    CPreviewProxyModel& Previews() { return *previews; }
    QComboBox* Switcher() const { return switcher; }
    // True once the remembered mode has been read and applied.
    bool RememberedModeApplied() const { return rememberedModeApplied; }

    // Largest side of a preview, in pixels.
    static constexpr int kPreviewSide = 128;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ApplyRememberedMode();
    void AddSwitcher();
    void SyncSwitcher(FileViewLayout layout);

    CThumbnailProvider* provider;
    CPreviewProxyModel* previews;
    CListViewShellWnd watcher;
    QComboBox* switcher = nullptr;
    bool modeApplied = false;
    bool rememberedModeApplied = false;
};

// The extensions a filter such as "Images (*.jpg *.png);;All (*)" offers,
// lower case and without the dot, from every part of it.
QStringList FilterExtensions(const QString& filter);
