// The outline view: a read-only tree view over its own TTreeNodesModel, drawn with lines between
// the items and plus/minus buttons, that shows the full text of a clipped caption as a tool tip.
//
// QTreeView lays out expanded items recursively, one call per expanded level, and the cost of that
// layout grows with the square of the depth; a chain of some 26,000 expanded levels overflows an
// 8 MB stack. So items are expanded only down to kMaxExpandedLevel: deeper items stay collapsed
// and the view refuses to expand them, however the request comes.
#pragma once

#include "tree_nodes_model.h"

#include <QTreeView>

namespace qel::platform {

class TTreeView : public QTreeView {
public:
    // Items of levels 0 (top level) to kMaxExpandedLevel - 1 can be expanded, so levels up to
    // kMaxExpandedLevel are shown. Measured with bench/viewer on a chain of 1,000,000 levels:
    // expanding and laying it out this deep takes some 45 ms. The layout's recursion needs about
    // 1.3 MB of stack (some 320 bytes a level, as 26,000 levels overflow 8 MB), well within the
    // main thread's 8 MB.
    static constexpr int kMaxExpandedLevel = 4000;

    explicit TTreeView(QWidget* parent = nullptr);

    [[nodiscard]] TTreeNodesModel& Items() const noexcept { return *items_; }

    // Expands every item down to kMaxExpandedLevel and lays the view out. Throws EOutOfMemory,
    // with nothing changed, when the memory for the layout cannot be had.
    void FullExpand();

    // Also scrolls sideways to the item itself, which QTreeView leaves to its column.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

    // The level of an item (0 for a top-level item), counted up to limit at most.
    [[nodiscard]] static int LevelOf(const QModelIndex& index, int limit);

protected:
    void focusInEvent(QFocusEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void updateGeometries() override;
    void drawBranches(QPainter* painter, const QRect& rect,
                      const QModelIndex& index) const override;

private:
    // Expands node (the top level for kNoNode) and its descendants down to kMaxExpandedLevel,
    // with level the level of node's children; widens the column to what becomes visible.
    void ExpandSubtree(qel::TTreeNode node, int level);
    void Expanded(const QModelIndex& index);
    // The width the column needs for a caption of length characters at level.
    [[nodiscard]] int ItemRight(std::size_t length, int level, int charWidth) const;
    [[nodiscard]] int CharWidth() const;
    void ShowClippedCaption(class QHelpEvent* event);

    TTreeNodesModel* items_;
    int contentWidth_ = 0;
    bool expandingSubtree_ = false;
};

} // namespace qel::platform
