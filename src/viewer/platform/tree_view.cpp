#include "tree_view.h"

#include "application.h"
#include "errors.h"
#include "windows1252.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>
#include <limits>
#include <sys/mman.h>
#include <vector>

namespace qel::platform {

namespace {
// Room the item delegate leaves around a caption.
constexpr int kTextMargins = 8;
// The plus/minus button.
constexpr int kButtonSize = 9;

int ClampToInt(long long value) {
    return static_cast<int>(std::min<long long>(value, std::numeric_limits<int>::max()));
}

// QTreeView lays out the shown rows in one array of a 40-byte record a row that grows by
// doubling, and keeps a persistent index for each expanded item. It does not check these
// allocations: when memory runs out in them, it crashes. So the room for them is made sure of
// before items are expanded, with some to spare.
constexpr std::size_t kLayoutBytesPerRow = 96;
constexpr std::size_t kLayoutBytesPerExpandedItem = 256;

// Throws EOutOfMemory when the layout of rows shown and expandedItems expanded could run out.
void EnsureLayoutMemory(std::size_t rows, std::size_t expandedItems) {
    const std::size_t bytes =
        rows * kLayoutBytesPerRow + expandedItems * kLayoutBytesPerExpandedItem;
    // Address space taken and given back at once, never touched: only whether it can be had
    // matters. (An allocation that is never used, the compiler may leave out.)
    void* const room =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (room == MAP_FAILED)
        throw qel::EOutOfMemory();
    ::munmap(room, bytes);
}

// The rows shown and the items expanded when every item is expanded down to kMaxExpandedLevel:
// the most that the view's layout ever holds.
struct LayoutSize {
    std::size_t rows = 0;
    std::size_t expandedItems = 0;
};

LayoutSize FullyExpandedSize(const qel::TTreeNodes& nodes) {
    LayoutSize size;
    struct Pending {
        qel::TTreeNode node;
        int level; // of its children
    };
    std::vector<Pending> pending{{qel::kNoNode, 0}};
    while (!pending.empty()) {
        const Pending current = pending.back();
        pending.pop_back();
        if (current.node != qel::kNoNode)
            ++size.expandedItems;
        const std::size_t children = nodes.ChildCount(current.node);
        size.rows += children;
        if (current.level >= TTreeView::kMaxExpandedLevel)
            continue;
        for (std::size_t row = 0; row < children; ++row) {
            const qel::TTreeNode child = nodes.Child(current.node, row);
            if (nodes.ChildCount(child) != 0)
                pending.push_back({child, current.level + 1});
        }
    }
    return size;
}
} // namespace

TTreeView::TTreeView(QWidget* parent) : QTreeView(parent), items_(new TTreeNodesModel(this)) {
    setModel(items_);
    setHeaderHidden(true);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Fixed);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAnimated(false);

    // The selection is not shown while the view has no focus: items are then drawn with the
    // inactive colours, which are made the plain ones.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Inactive, QPalette::Base));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Inactive, QPalette::Text));
    setPalette(colours);

    connect(this, &QTreeView::expanded, this, &TTreeView::Expanded);
    connect(items_, &QAbstractItemModel::modelReset, this, [this] { contentWidth_ = 0; });
}

int TTreeView::LevelOf(const QModelIndex& index, int limit) {
    int level = 0;
    for (QModelIndex up = index.parent(); up.isValid() && level < limit; up = up.parent())
        ++level;
    return level;
}

int TTreeView::ItemRight(std::size_t length, int level, int charWidth) const {
    return ClampToInt(static_cast<long long>(indentation()) * (level + 1) +
                      static_cast<long long>(length) * charWidth + kTextMargins);
}

int TTreeView::CharWidth() const {
    // The font is fixed-pitch, so a caption's width follows from its length without laying out
    // its text.
    return fontMetrics().horizontalAdvance(QLatin1Char('M'));
}

void TTreeView::FullExpand() {
    ExpandSubtree(qel::kNoNode, 0);
}

void TTreeView::ExpandSubtree(qel::TTreeNode node, int level) {
    const qel::TTreeNodes& nodes = items_->Items();
    if (nodes.Count() == 0)
        return;
    const LayoutSize most = FullyExpandedSize(nodes);
    EnsureLayoutMemory(most.rows, most.expandedItems);
    // Expansions are only recorded here; the layout runs once, afterwards.
    scheduleDelayedItemsLayout();
    struct Pending {
        qel::TTreeNode node;
        int level; // of its children
    };
    std::vector<Pending> pending{{node, level}};
    const int charWidth = CharWidth();
    int widest = contentWidth_;
    {
        const QScopedValueRollback<bool> expanding(expandingSubtree_, true);
        while (!pending.empty()) {
            const Pending current = pending.back();
            pending.pop_back();
            if (current.node != qel::kNoNode)
                expand(items_->IndexOf(current.node));
            const std::size_t children = nodes.ChildCount(current.node);
            for (std::size_t row = 0; row < children; ++row) {
                const qel::TTreeNode child = nodes.Child(current.node, row);
                widest = std::max(widest,
                                  ItemRight(nodes.Caption(child).size(), current.level, charWidth));
                if (current.level < kMaxExpandedLevel && nodes.ChildCount(child) != 0)
                    pending.push_back({child, current.level + 1});
            }
        }
    }
    contentWidth_ = widest;
    executeDelayedItemsLayout();
}

void TTreeView::Expanded(const QModelIndex& index) {
    if (expandingSubtree_)
        return;
    const int level = LevelOf(index, kMaxExpandedLevel);
    if (level >= kMaxExpandedLevel) {
        collapse(index);
        return;
    }
    const qel::TTreeNodes& nodes = items_->Items();
    const qel::TTreeNode node = TTreeNodesModel::NodeOf(index);
    const int charWidth = CharWidth();
    int widest = contentWidth_;
    for (std::size_t row = 0, count = nodes.ChildCount(node); row < count; ++row)
        widest = std::max(
            widest, ItemRight(nodes.Caption(nodes.Child(node, row)).size(), level + 1, charWidth));
    if (widest != contentWidth_) {
        contentWidth_ = widest;
        updateGeometries();
    }
}

void TTreeView::focusInEvent(QFocusEvent* event) {
    // QAbstractItemView makes the first item current when the view gains the focus without one,
    // and draws it with the focus frame, which reads as a selection. With no item chosen, none
    // is shown as chosen; the arrow keys still start at the first item.
    const bool hadCurrent = currentIndex().isValid();
    QTreeView::focusInEvent(event);
    if (!hadCurrent && currentIndex().isValid() && !selectionModel()->hasSelection())
        selectionModel()->clearCurrentIndex();
}

void TTreeView::keyPressEvent(QKeyEvent* event) {
    // "*" expands the current item's whole subtree; QTreeView would expand it without limit.
    if (event->key() == Qt::Key_Asterisk && currentIndex().isValid()) {
        const QModelIndex current = currentIndex();
        const int level = LevelOf(current, kMaxExpandedLevel);
        // Reported as a command's error would be, not thrown through Qt's event delivery.
        if (level < kMaxExpandedLevel)
            Application().Dispatch(
                [&] { ExpandSubtree(TTreeNodesModel::NodeOf(current), level + 1); });
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TTreeView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    QTreeView::scrollTo(index, hint);
    if (!index.isValid())
        return;
    // QTreeView scrolls only to the column; bring the item itself, its button included, into view.
    const QRect item = visualRect(index);
    if (item.isEmpty())
        return;
    const int left = item.left() - indentation();
    const int right =
        item.left() + fontMetrics().horizontalAdvance(index.data().toString()) + kTextMargins;
    const int width = viewport()->width();
    QScrollBar* bar = horizontalScrollBar();
    if (left < 0)
        bar->setValue(bar->value() + left);
    else if (right > width)
        bar->setValue(bar->value() + std::min(left, right - width));
}

void TTreeView::updateGeometries() {
    // One column as wide as the widest visible item, so that deep items scroll into view.
    const int wanted = std::max(contentWidth_, viewport()->width());
    if (header()->sectionSize(0) != wanted)
        header()->resizeSection(0, wanted);
    QTreeView::updateGeometries();
}

bool TTreeView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        ShowClippedCaption(static_cast<QHelpEvent*>(event));
        return true;
    }
    return QTreeView::viewportEvent(event);
}

void TTreeView::ShowClippedCaption(QHelpEvent* event) {
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid()) {
        QToolTip::hideText();
        event->ignore();
        return;
    }
    const QString caption = index.data(Qt::DisplayRole).toString();
    const QRect item = visualRect(index);
    const int textRight = item.left() + fontMetrics().horizontalAdvance(caption) + kTextMargins;
    if (item.left() >= 0 && textRight <= viewport()->width()) {
        QToolTip::hideText();
        event->ignore();
        return;
    }
    QToolTip::showText(event->globalPos(), caption, viewport(), item);
}

void TTreeView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const {
    // rect spans the indentation of the row: one column of indentation() per level, the item's
    // own level last. Each column shows a dotted line where an item at that level continues
    // below, and the item's own column its connector and, if it has children, its button.
    const int indent = indentation();
    if (indent <= 0)
        return;
    const int level = rect.width() / indent - 1;
    const int midY = rect.top() + rect.height() / 2;
    const int visibleLeft = 0;
    const int visibleRight = viewport()->width();

    QPen dots(palette().color(QPalette::Dark));
    dots.setDashPattern({1.0, 1.0});
    dots.setCosmetic(true);
    painter->save();
    painter->setPen(dots);

    // The item's own column.
    const int ownLeft = rect.left() + level * indent;
    const int midX = ownLeft + indent / 2;
    const QModelIndex parentIndex = index.parent();
    const bool hasMoreSiblings = index.row() + 1 < model()->rowCount(parentIndex);
    if (ownLeft + indent >= visibleLeft && ownLeft <= visibleRight) {
        const bool isFirstOfAll = !parentIndex.isValid() && index.row() == 0;
        if (!isFirstOfAll)
            painter->drawLine(midX, rect.top(), midX, midY);
        if (hasMoreSiblings)
            painter->drawLine(midX, midY, midX, rect.bottom());
        painter->drawLine(midX, midY, ownLeft + indent - 1, midY);
        if (model()->hasChildren(index)) {
            const QRect button(midX - kButtonSize / 2, midY - kButtonSize / 2, kButtonSize,
                               kButtonSize);
            painter->setPen(palette().color(QPalette::Dark));
            painter->setBrush(palette().color(QPalette::Base));
            painter->drawRect(button.adjusted(0, 0, -1, -1));
            painter->setPen(palette().color(QPalette::Text));
            painter->drawLine(button.left() + 2, midY, button.right() - 2, midY);
            if (!isExpanded(index))
                painter->drawLine(midX, button.top() + 2, midX, button.bottom() - 2);
            painter->setPen(dots);
        }
    }

    // The ancestors' columns, from the parent's outwards.
    QModelIndex ancestor = parentIndex;
    for (int column = level - 1; column >= 0 && ancestor.isValid(); --column) {
        const int left = rect.left() + column * indent;
        if (left > visibleRight) {
            ancestor = ancestor.parent();
            continue;
        }
        if (left + indent < visibleLeft)
            break; // this and every outer column lie left of the viewport
        if (ancestor.row() + 1 < model()->rowCount(ancestor.parent()))
            painter->drawLine(left + indent / 2, rect.top(), left + indent / 2, rect.bottom());
        ancestor = ancestor.parent();
    }
    painter->restore();
}

} // namespace qel::platform
