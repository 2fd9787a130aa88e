#include "windows/shell/NavigationTree.h"

#include "windows/shell/Artwork.h"
#include "windows/shell/WindowRegistry.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace hra::app {
namespace {

const QColor kGround(255, 255, 232);
const QColor kText(0, 0, 255);
const QColor kSelection(36, 96, 176);
const QColor kHover(255, 228, 160);

class NodeDelegate : public QStyledItemDelegate
{
public:
    explicit NodeDelegate(NavigationTree* tree) : QStyledItemDelegate(tree), m_tree(tree) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(m_tree->nodeHeight());
        return s;
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const bool root = !index.parent().isValid();
        const bool selected = option.state & QStyle::State_Selected;
        const bool hover = option.state & QStyle::State_MouseOver;
        const QRect r = option.rect;
        p->save();
        p->setRenderHint(QPainter::Antialiasing);
        p->fillRect(r, kGround);

        const int pictureSize = qMin(32, r.height() - 8);
        const int picture = root ? 2 : (selected ? 1 : 0);
        const QRect pictureRect(r.left() + 2, r.top() + (r.height() - pictureSize) / 2, pictureSize,
                                pictureSize);
        p->drawPixmap(pictureRect, artwork::treePicture(picture, pictureSize));

        QFont font = option.font;
        if (root) {
            font.setPointSize(14);
            font.setBold(true);
            font.setItalic(true);
        }
        const QString text = index.data(Qt::DisplayRole).toString();
        // A caption wider than the panel is drawn smaller, down to 70 %,
        // rather than cut off.
        const int room = r.right() - pictureRect.right() - 6 - 10;
        const qreal fullSize = font.pointSizeF();
        while (QFontMetrics(font).horizontalAdvance(text) > room &&
               font.pointSizeF() > fullSize * 0.7)
            font.setPointSizeF(font.pointSizeF() - 0.5);
        const QFontMetrics fm(font);
        QRect textRect(pictureRect.right() + 6, r.top() + (r.height() - fm.height() - 6) / 2,
                       fm.horizontalAdvance(text) + 10, fm.height() + 6);
        textRect.setRight(qMin(textRect.right(), r.right()));
        if (selected || hover) {
            p->setPen(Qt::NoPen);
            p->setBrush(selected ? kSelection : kHover);
            p->drawRoundedRect(textRect, 3, 3);
        }
        p->setFont(font);
        p->setPen(selected ? QColor(Qt::white) : kText);
        p->drawText(textRect.adjusted(5, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
        p->restore();
    }

private:
    NavigationTree* m_tree;
};

// Nodes whose target is their own caption (the report sections), then others.
std::vector<TreeNode> selfNamed(const QStringList& texts, std::vector<TreeNode> after = {})
{
    std::vector<TreeNode> out;
    for (const QString& t : texts)
        out.push_back({t, t});
    out.insert(out.end(), after.begin(), after.end());
    return out;
}

const TreeArea kAreas[] = {
    {TreeMode::Records,
     QStringLiteral("档案管理"),
     {{QStringLiteral("建立档案"), kinds::createRecord},
      {QStringLiteral("修改档案"), kinds::modifyRecord},
      {QStringLiteral("删除档案"), kinds::deleteRecord},
      {QStringLiteral("浏览档案"), kinds::browseRecords},
      {QStringLiteral("批量导入"), kinds::groupImport}},
     60},
    {TreeMode::Questionnaire,
     QStringLiteral("信息调查"),
     {{QStringLiteral("当前状况"), 0},
      {QStringLiteral("膳食营养"), 1},
      {QStringLiteral("运动方式"), 2},
      {QStringLiteral("生活习惯"), 3},
      {QStringLiteral("体格检查"), 4}},
     60},
    {TreeMode::Analysis, QStringLiteral("数据分析"),
     selfNamed({QStringLiteral("封面前言"), QStringLiteral("当前状况"), QStringLiteral("代谢紊乱"),
                QStringLiteral("高血压"), QStringLiteral("糖尿病"), QStringLiteral("冠心病"),
                QStringLiteral("动脉粥样化"), QStringLiteral("脑卒中"), QStringLiteral("膳食营养"),
                QStringLiteral("运动分析"), QStringLiteral("评估建议"), QStringLiteral("评估报告"),
                QStringLiteral("风险预测与趋势")},
               {{QStringLiteral("团体报告"), kinds::groupSummary}}),
     40},
};

} // namespace

const TreeArea& treeArea(TreeMode mode)
{
    return kAreas[static_cast<int>(mode)];
}

NavigationTree::NavigationTree(QWidget* parent) : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("TreeV"));
    header()->hide();
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(18);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setMouseTracking(true);
    setUniformRowHeights(false);
    setItemDelegate(new NodeDelegate(this));
    setFrameShape(QFrame::NoFrame);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, kGround);
    setPalette(pal);
    setAutoFillBackground(true);

    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] {
        // A mouse press reports its node once, on release.
        if (m_pressing) {
            m_choiceDuringPress = true;
            return;
        }
        emit nodeChosen(currentItem());
    });
}

void NavigationTree::clearNodes()
{
    const QSignalBlocker quiet(this);
    clear();
}

void NavigationTree::build()
{
    clearNodes();
    const QSignalBlocker quiet(this);
    const TreeArea& area = treeArea(m_mode);
    auto* root = new QTreeWidgetItem(this, QStringList{area.root});
    for (const TreeNode& child : area.children) {
        auto* item = new QTreeWidgetItem(root, QStringList{child.text});
        item->setData(0, kTargetRole, child.target);
    }
    expandAll();
    // Row heights depend on the mode.
    scheduleDelayedItemsLayout();
}

QStringList NavigationTree::nodeTexts() const
{
    QStringList out;
    for (QTreeWidgetItemIterator it(const_cast<NavigationTree*>(this)); *it; ++it)
        out << (*it)->text(0);
    return out;
}

void NavigationTree::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex&) const
{
    // No branch lines or selection band left of the nodes: only the ground.
    painter->fillRect(rect, kGround);
}

void NavigationTree::mousePressEvent(QMouseEvent* event)
{
    m_pressing = true;
    m_choiceDuringPress = false;
    QTreeWidget::mousePressEvent(event);
}

void NavigationTree::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeWidget::mouseReleaseEvent(event);
    const bool wasPressing = m_pressing;
    m_pressing = false;
    if (!wasPressing)
        return;
    // Clicking the node that is already selected chooses it again.
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (item && item == currentItem())
        emit nodeChosen(item);
    else if (m_choiceDuringPress)
        emit nodeChosen(currentItem());
}

} // namespace hra::app
