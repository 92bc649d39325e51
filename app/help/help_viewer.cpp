#include "app/help/help_viewer.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QSplitter>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/dialogs/about_dialog.h"
#include "app/help/help_contents.h"
#include "view/ui_resources.h"

namespace {

// Pages are addressed as files under this folder; it never exists on disk.
const QString kPageRoot = QStringLiteral("/speckwash-help");

constexpr int kLocalRole = Qt::UserRole + 1;

} // namespace

CHelpPageBrowser::CHelpPageBrowser(const CHelpFile& file, QWidget* parent) : QTextBrowser(parent), file_(file)
{
    setOpenLinks(true);
    setOpenExternalLinks(true);
}

QUrl CHelpPageBrowser::PageUrl(const std::string& objectPath)
{
    return QUrl::fromLocalFile(kPageRoot + QString::fromStdString(objectPath));
}

QVariant CHelpPageBrowser::loadResource(int type, const QUrl& name)
{
    QString path = name.toLocalFile();
    if (!name.isLocalFile() || !path.startsWith(kPageRoot + '/'))
        return QTextBrowser::loadResource(type, name);
    std::string content;
    if (!file_.Read(path.mid(kPageRoot.size()).toStdString(), content))
        return QVariant();
    return QByteArray(content.data(), static_cast<qsizetype>(content.size()));
}

CHelpViewer::CHelpViewer(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setWindowIcon(ProgramIcon());
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* tools = new QHBoxLayout;
    auto makeButton = [&](const QString& text, const QString& tip) {
        auto* b = new QToolButton(this);
        b->setText(text);
        b->setToolTip(tip);
        tools->addWidget(b);
        return b;
    };
    back_ = makeButton(tr("Back"), tr("Back to the previous page"));
    forward_ = makeButton(tr("Forward"), tr("Forward to the next page"));
    QToolButton* home = makeButton(tr("Contents"), tr("The start page of the help"));
    tools->addStretch();
    QToolButton* about = makeButton(tr("&About Speckwash..."), tr("Version and copyright"));

    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    browser_ = new CHelpPageBrowser(file_, this);
    auto* split = new QSplitter(this);
    split->addWidget(tree_);
    split->addWidget(browser_);
    split->setStretchFactor(1, 3);
    split->setSizes({ 220, 560 });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(split, 1);
    resize(820, 600);

    back_->setEnabled(false);
    forward_->setEnabled(false);
    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
    connect(home, &QToolButton::clicked, this, [this] { ShowContents(); });
    connect(about, &QToolButton::clicked, this, [this] { ShowAboutBox(this); });
    connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { OnTreeItem(item); });
    connect(tree_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { OnTreeItem(item); });
    connect(browser_, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) { FollowPageInTree(url); });
}

bool CHelpViewer::Load(const QString& path)
{
    tree_->clear();
    browser_->clearHistory();
    if (!file_.Open(path.toStdString())) {
        ShowFailure(path);
        return false;
    }
    setWindowTitle(file_.Title().empty() ? QStringLiteral("Speckwash Help") : QString::fromStdString(file_.Title()));
    BuildContentsTree();
    return true;
}

void CHelpViewer::BuildContentsTree()
{
    std::string sitemap;
    if (file_.ContentsFile().empty() || !file_.Read(file_.ContentsFile(), sitemap))
        return;
    std::vector<QTreeWidgetItem*> parents; // the last item at each depth
    for (const HelpContentsEntry& e : ParseHelpContents(sitemap)) {
        parents.resize(std::min<size_t>(parents.size(), static_cast<size_t>(e.depth)));
        QTreeWidgetItem* item = parents.empty() ? new QTreeWidgetItem(tree_) : new QTreeWidgetItem(parents.back());
        item->setText(0, QString::fromStdString(e.name));
        std::string local = e.local;
        if (!local.empty() && local[0] != '/')
            local.insert(local.begin(), '/');
        item->setData(0, kLocalRole, QString::fromStdString(local));
        parents.push_back(item);
    }
    tree_->expandAll();
}

void CHelpViewer::ShowFailure(const QString& path)
{
    setWindowTitle(QStringLiteral("Speckwash Help"));
    browser_->setHtml(tr("<h2>The help cannot be shown</h2><p>The help file <b>%1</b> is missing or damaged.</p>")
                          .arg(path.toHtmlEscaped()));
}

void CHelpViewer::BringUp()
{
    show();
    raise();
    activateWindow();
}

void CHelpViewer::ShowContents()
{
    if (file_.IsOpen()) {
        std::string start = file_.DefaultTopic();
        if (start.empty() && tree_->topLevelItemCount() > 0)
            start = tree_->topLevelItem(0)->data(0, kLocalRole).toString().toStdString();
        if (!start.empty())
            ShowTopic(start);
    }
    BringUp();
}

bool CHelpViewer::ShowContext(uint32_t contextId)
{
    const std::string topic = file_.IsOpen() ? file_.TopicForContext(contextId) : std::string();
    if (topic.empty()) {
        ShowContents();
        return false;
    }
    ShowTopic(topic);
    BringUp();
    return true;
}

void CHelpViewer::ShowTopic(const std::string& objectPath)
{
    browser_->setSource(CHelpPageBrowser::PageUrl(objectPath));
}

QString CHelpViewer::TopicOf(const QUrl& page)
{
    const QString path = page.toLocalFile();
    return path.startsWith(kPageRoot + '/') ? path.mid(kPageRoot.size()) : QString();
}

QString CHelpViewer::CurrentTopic() const { return TopicOf(browser_->source()); }

void CHelpViewer::OnTreeItem(QTreeWidgetItem* item)
{
    const QString local = item ? item->data(0, kLocalRole).toString() : QString();
    if (!local.isEmpty())
        ShowTopic(local.toStdString());
}

// The tree marks the page shown, however it was reached.
// The browser announces a page before source() returns it: use the address given.
void CHelpViewer::FollowPageInTree(const QUrl& page)
{
    const QString topic = TopicOf(page);
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        if ((*it)->data(0, kLocalRole).toString() == topic) {
            QSignalBlocker quiet(tree_);
            tree_->setCurrentItem(*it);
            return;
        }
    }
}
