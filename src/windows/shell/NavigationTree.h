#pragma once

#include <QStringList>
#include <QTreeWidget>
#include <QVariant>
#include <vector>

namespace hra::app {

// The areas of work the navigation tree shows; the mode number is the area's.
enum class TreeMode
{
    Records = 0,
    Questionnaire = 1,
    Analysis = 2
};

// A child node: its caption and what choosing it means, kept in the item's
// data (role kTargetRole): the window kind to open (person records), the page
// number (questionnaire) or the section to build (data analysis).
struct TreeNode
{
    QString text;
    QVariant target;
};

struct TreeArea
{
    TreeMode mode;
    QString root;
    std::vector<TreeNode> children;
    int nodeHeight;
};

inline constexpr int kTargetRole = Qt::UserRole;

const TreeArea& treeArea(TreeMode mode);

// TreeV: one root node with its children, rebuilt from scratch for each area;
// read-only and always fully expanded. Drawn item by item: pictures for
// nodes, selected node and root, blue texts, white on the selection, a pale
// yellow ground and the node under the mouse highlighted.
class NavigationTree : public QTreeWidget
{
    Q_OBJECT
public:
    explicit NavigationTree(QWidget* parent = nullptr);

    TreeMode mode() const { return m_mode; }
    void setMode(TreeMode mode) { m_mode = mode; }
    // Clears the tree and builds the tree of the current mode.
    void build();
    // Empties the tree; the mode stays. Choosing nothing, it opens nothing.
    void clearNodes();
    int nodeHeight() const { return treeArea(m_mode).nodeHeight; }

    // The texts of the nodes, root first.
    QStringList nodeTexts() const;

signals:
    // The selection changed or a node was clicked, the selected one included.
    void nodeChosen(QTreeWidgetItem* item);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void drawBranches(QPainter* painter, const QRect& rect,
                      const QModelIndex& index) const override;

private:
    TreeMode m_mode = TreeMode::Records;
    bool m_pressing = false;
    bool m_choiceDuringPress = false;
};

} // namespace hra::app
