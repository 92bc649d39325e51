#pragma once
#include <QTextBrowser>
#include <QWidget>
#include <cstdint>

#include "app/help/help_file.h"

class QTreeWidget;
class QTreeWidgetItem;
class QToolButton;

// Shows the pages of a compiled help file: links, pictures and style sheets
// come from the file itself, through the page's own relative addresses.
class CHelpPageBrowser : public QTextBrowser {
    Q_OBJECT
public:
    CHelpPageBrowser(const CHelpFile& file, QWidget* parent);
    QVariant loadResource(int type, const QUrl& name) override;

    // The page address of an object path: pages live under a file: root so
    // that relative links stay inside the browser.
    static QUrl PageUrl(const std::string& objectPath);

private:
    const CHelpFile& file_;
};

// The help window: the contents tree beside the page, with back, forward,
// contents and the about box. Its title is the help file's own title.
class CHelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit CHelpViewer(QWidget* owner = nullptr);

    // Opens the file; on failure the window says so in place of a page.
    bool Load(const QString& path);
    bool IsLoaded() const { return file_.IsOpen(); }
    // Shows the window at the file's start page.
    void ShowContents();
    // Shows the window at the topic of a context number; false (and the
    // start page) when the number is not mapped.
    bool ShowContext(uint32_t contextId);

    QTreeWidget* ContentsTree() const { return tree_; }
    CHelpPageBrowser* Browser() const { return browser_; }
    // The object path of the page shown, as "/index.htm".
    QString CurrentTopic() const;

private:
    void BuildContentsTree();
    void ShowTopic(const std::string& objectPath);
    void OnTreeItem(QTreeWidgetItem* item);
    void FollowPageInTree(const QUrl& page);
    static QString TopicOf(const QUrl& page);
    void ShowFailure(const QString& path);
    void BringUp();

    CHelpFile file_;
    QTreeWidget* tree_ = nullptr;
    CHelpPageBrowser* browser_ = nullptr;
    QToolButton* back_ = nullptr;
    QToolButton* forward_ = nullptr;
};
